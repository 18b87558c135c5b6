#include "core/view/TypedFields.h"

#include "core/view/SortKey.h"

namespace tavrin::view {

const QList<TypedField>& typedFields()
{
    using K = TypedField::Kind;
    static const QList<TypedField> fields = {
        {"name", "FileName", "FileName", K::Text},
        {"status", "BT Status", "BT Status", K::Text},
        {"progress", "Progress", "Progress", K::Number},
        {"priority", "Priority", nullptr, K::Text},
        {"eta_seconds", "ETA", "ETA", K::Number},
        {"size_bytes", "Size", nullptr, K::Number},
        {"downloaded_bytes", "DL Size", "DL Size", K::Number},
        {"uploaded_bytes", "UL Size", "UL Size", K::Number},
        {"download_speed", "DL Speed", "DL Speed", K::Number},
        {"upload_speed", "UL Speed", "UL Speed", K::Number},
        {"seeds", "Seeds", "#Seeds", K::Number},
        {"peers", "Peers", "#Peers", K::Number},
        {"ratio", "%UL/DL", "%UL/DL", K::Fraction},
        {"message", "Message", nullptr, K::Text},
    };
    return fields;
}

std::optional<TypedField> typedField(QStringView key)
{
    for (const TypedField& field : typedFields()) {
        if (key == QLatin1StringView(field.key))
            return field;
    }
    return std::nullopt;
}

std::optional<double> numberIn(QByteArrayView latin1)
{
    const SortKey key = SortKey::of(latin1);
    if (key.kind() != SortKey::Kind::Number)
        return std::nullopt;
    return key.number();
}

} // namespace tavrin::view
