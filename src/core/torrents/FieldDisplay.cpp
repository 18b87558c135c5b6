#include "core/torrents/FieldDisplay.h"

#include "core/platform/Numbers.h"

#include <charconv>
#include <cstdint>
#include <cstring>
#include <optional>

namespace tavrin::display {

namespace {

// Whole numbers and short decimals ("232.06") are by far the most common numeric fields; they
// are read in integers. A whole number keeps all its 64 bits. A decimal of at most 15 digits is
// rounded exactly, an exact half to the even neighbour: a double holds such a value closer than
// its distance to the nearest half, so the general path through a double rounds it the same way.
// (Out-parameters rather than std::optional: this runs for every numeric cell of every changed
// row, and the optional's round trip through the stack stalled it.)
bool exactNumber(QByteArrayView text, std::int64_t& number)
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
    std::uint64_t value = 0;
    int digits = 0;
    int decimals = -1; // no point yet
    for (; p < end; ++p) {
        if (*p == '.' && decimals < 0) {
            decimals = 0;
            continue;
        }
        const auto digit = static_cast<unsigned>(*p - '0');
        if (digit > 9 || ++digits > 19)
            return false;
        value = value * 10 + digit;
        if (decimals >= 0)
            ++decimals;
    }
    if (digits == 0 || (decimals >= 0 && digits > 15))
        return false;
    if (decimals > 0) {
        static constexpr std::uint64_t scales[] = {1,
                                                   10,
                                                   100,
                                                   1000,
                                                   10000,
                                                   100000,
                                                   1000000,
                                                   10000000,
                                                   100000000,
                                                   1000000000,
                                                   10000000000,
                                                   100000000000,
                                                   1000000000000,
                                                   10000000000000,
                                                   100000000000000,
                                                   1000000000000000};
        const std::uint64_t scale = scales[decimals];
        const std::uint64_t rest = value % scale;
        value /= scale;
        if (rest > scale / 2 || (rest == scale / 2 && (value & 1) != 0))
            ++value;
    }
    constexpr std::uint64_t largest = 9223372036854775807ULL;
    if (value > largest + (negative ? 1 : 0))
        return false;
    number = negative ? static_cast<std::int64_t>(0 - value) : static_cast<std::int64_t>(value);
    return true;
}

bool roundedWholeNumber(QByteArrayView text, std::int64_t& number)
{
    if (exactNumber(text, number))
        return true;
    // Most texts that are not plain numbers (sizes, states, names, "85.0%") neither start nor end
    // the way a number does.
    const QByteArrayView trimmed = trimBlanks(text);
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    if (trimmed.isEmpty() || !(digit(trimmed.back()) || trimmed.back() == '.') ||
        !(digit(trimmed.front()) || trimmed.front() == '.' || trimmed.front() == '+' ||
          trimmed.front() == '-'))
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
    if (std::int64_t value = 0; roundedWholeNumber(field, value))
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
