#include "core/torrents/FieldDisplay.h"

#include "core/platform/Numbers.h"

#include <charconv>
#include <cstdint>
#include <cstring>
#include <optional>

namespace tavrin::display {

namespace {

// Plain whole numbers are by far the most common field; read them exactly without a double,
// so every 64-bit value keeps all its digits.
// Plain whole numbers are by far the most common field; read them exactly without a double,
// so every 64-bit value keeps all its digits. (Out-parameters rather than std::optional: this
// runs for every numeric cell of every changed row.)
bool plainWholeNumber(QByteArrayView text, std::int64_t& number)
{
    const char* p = text.data();
    const char* end = p + text.size();
    while (p < end && (*p == ' ' || *p == '\t'))
        ++p;
    while (end > p && (end[-1] == ' ' || end[-1] == '\t'))
        --end;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    if (p == end || end - p > 19)
        return false;
    std::uint64_t value = 0;
    for (; p < end; ++p) {
        const auto digit = static_cast<unsigned>(*p - '0');
        if (digit > 9)
            return false;
        value = value * 10 + digit;
    }
    constexpr std::uint64_t largest = 9223372036854775807ULL;
    if (value > largest + (negative ? 1 : 0))
        return false;
    number = negative ? static_cast<std::int64_t>(0 - value) : static_cast<std::int64_t>(value);
    return true;
}

bool wholeNumber(QByteArrayView text, std::int64_t& number)
{
    if (plainWholeNumber(text, number))
        return true;
    // Most texts that are not plain numbers (sizes, states, names) start with no digit at all.
    const QByteArrayView trimmed = trimBlanks(text);
    if (trimmed.isEmpty() ||
        !(trimmed.front() == '.' || trimmed.front() == '+' || trimmed.front() == '-' ||
          (trimmed.front() >= '0' && trimmed.front() <= '9')))
        return false;
    const std::optional<double> value = parseDecimal(trimmed);
    const std::optional<std::int64_t> rounded = value ? roundToInt64(*value) : std::nullopt;
    if (rounded)
        number = *rounded;
    return rounded.has_value();
}

char* writeThousandths(char* out, std::int64_t value)
{
    // Hundredths of the value / 1000, an exact half away from zero.
    std::int64_t hundredths = value / 10;
    const std::int64_t rest = value % 10;
    if (rest >= 5)
        ++hundredths;
    else if (rest <= -5)
        --hundredths;
    const bool negative = hundredths < 0;
    const std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(hundredths)
                                             : static_cast<std::uint64_t>(hundredths);
    const std::uint64_t whole = magnitude / 100;
    const auto fraction = static_cast<unsigned>(magnitude % 100);

    if (negative)
        *out++ = '-';
    if (whole != 0)
        out = std::to_chars(out, out + 20, whole).ptr;
    out[0] = '.';
    out[1] = static_cast<char>('0' + fraction / 10);
    out[2] = static_cast<char>('0' + fraction % 10);
    std::memcpy(out + 3, "Kb/s", 4);
    return out + 7;
}

} // namespace

char* writeDisplayed(char* out, QByteArrayView field)
{
    if (std::int64_t value = 0; wholeNumber(field, value))
        return writeThousandths(out, value);
    if (!field.isEmpty())
        std::memcpy(out, field.data(), static_cast<std::size_t>(field.size()));
    return out + field.size();
}

QString displayedValue(QByteArrayView field)
{
    QByteArray text(displayedRoom(field), Qt::Uninitialized);
    text.truncate(writeDisplayed(text.data(), field) - text.data());
    return QString::fromLatin1(text);
}

} // namespace tavrin::display
