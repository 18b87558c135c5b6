#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <optional>

namespace tavrin::view {

// A torrent's value under a key that is the same for both server versions, read from the
// column the version sends it in: `size_bytes` is "Size" in version 3 and absent in version 2.
struct TypedField {
    enum class Kind {
        Text,    // the field as sent
        Number,  // the number the text means: "1.74 GB", "3h 24m", "50.0%", "42"
        Fraction // a percentage as a fraction: "401%" is 4.01
    };
    const char* key;
    const char* version3Column; // nullptr: that version has no such field
    const char* version2Column;
    Kind kind;
};

// The typed keys, in the order they are written.
const QList<TypedField>& typedFields();

// The typed field with this key, if any.
std::optional<TypedField> typedField(QStringView key);

// What a field means as a number, as the list's sort reads it, or nothing when the text is not
// a number ("-", empty, a word): never a guess.
std::optional<double> numberIn(QByteArrayView latin1);

} // namespace tavrin::view
