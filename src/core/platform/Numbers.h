#pragma once

#include <QByteArrayView>
#include <QString>
#include <cstdint>
#include <optional>

namespace tavrin {

// The text without the blanks (spaces and tabs) around it.
QByteArrayView trimBlanks(QByteArrayView text);

// The program's one number rule: a decimal number with optional sign, fraction and exponent,
// blanks around it allowed. Returns the value, or nothing when the text is not such a number.
// A number too large for a double yields +/-infinity.
std::optional<double> parseDecimal(QByteArrayView text);
inline std::optional<double> parseDecimal(const QString& text)
{
    return parseDecimal(QByteArrayView(text.toLatin1()));
}

// Rounds to the nearest whole number, an exact half to the even neighbour; nothing when the
// result does not fit.
std::optional<std::int32_t> roundToInt32(double value);
std::optional<std::int64_t> roundToInt64(double value);

// Text to a 32-bit whole number by the rule above.
std::optional<std::int32_t> toInt32(const QString& text);

} // namespace tavrin
