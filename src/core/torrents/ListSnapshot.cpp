#include "core/torrents/ListSnapshot.h"

#include "core/torrents/FieldDisplay.h"
#include "core/torrents/KeptField.h"
#include "core/torrents/ReplyRows.h"

#define XXH_INLINE_ALL
#include <xxhash.h>

namespace tavrin {

quint64 ListSnapshot::rowHash(QByteArrayView row)
{
    // Every row of every reply is hashed: a hash built for speed on long keys.
    return XXH3_64bits(row.data(), static_cast<size_t>(row.size()));
}

QByteArrayView ListSnapshot::mainField(const Row& row) const
{
    if (row.mainText != 0 || plan.fields.isEmpty())
        return {};
    return replyrows::fieldAt(rowText(row), plan.fields.first());
}

QByteArrayView ListSnapshot::cellSource(int row, int column, bool& displayed) const
{
    const Row& item = rows[std::size_t(row)];
    displayed = false;
    if (column < 0 || column >= plan.fields.size())
        return {};
    if (column == 0 && item.mainText != 0) {
        displayed = true;
        return mainTexts[item.mainText - 1];
    }
    return replyrows::fieldAt(rowText(item), plan.fields.at(column));
}

ListSnapshot::ViewFields ListSnapshot::viewFields(int row, int sortColumn, QByteArray& shown) const
{
    const Row& at = rows[std::size_t(row)];
    const QByteArrayView text = rowText(at);
    const bool keptMain = sortColumn == 0 && at.mainText != 0;
    const int sortField = sortColumn >= 0 && sortColumn < plan.fields.size() && !keptMain
                              ? plan.fields.at(sortColumn)
                              : 0;
    std::array<QByteArrayView, 4> found;
    replyrows::fieldsAt(text,
                        std::array<int, 4>{plan.keptFields[keptIndex(KeptField::Name)],
                                           plan.keptFields[keptIndex(KeptField::Status)],
                                           plan.keptFields[keptIndex(KeptField::Progress)],
                                           sortField},
                        found);
    // A data field only, never the identifier that ends the row.
    for (std::size_t k = 0; k < 3; ++k) {
        if (found[k].data() == nullptr || found[k].end() == text.end())
            found[k] = {};
    }
    ViewFields fields{found[0], found[1], found[2], {}};
    if (keptMain) {
        fields.sortCell = mainTexts[at.mainText - 1];
    } else if (sortField != 0) {
        fields.sortCell = display::displayInto(shown, found[3]);
    }
    return fields;
}

} // namespace tavrin
