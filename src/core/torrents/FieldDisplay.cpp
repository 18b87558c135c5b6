#include "core/torrents/FieldDisplay.h"

#include "core/platform/Numbers.h"

#include <charconv>
#include <cstdint>
#include <optional>

namespace tavrin::display {

namespace {

// Plain whole numbers are by far the most common field; read them exactly without a double,
// so every 64-bit value keeps all its digits.
std::optional<std::int64_t> plainWholeNumber(QByteArrayView text)
{
    text = trimBlanks(text);
    const char* p = text.data();
    const char* end = p + text.size();
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    if (p == end || end - p > 19)
        return std::nullopt;
    std::uint64_t value = 0;
    for (; p < end; ++p) {
        if (*p < '0' || *p > '9')
            return std::nullopt;
        value = value * 10 + static_cast<unsigned>(*p - '0');
    }
    constexpr std::uint64_t largest = 9223372036854775807ULL;
    if (value > largest + (negative ? 1 : 0))
        return std::nullopt;
    return negative ? static_cast<std::int64_t>(0 - value) : static_cast<std::int64_t>(value);
}

std::optional<std::int64_t> wholeNumber(QByteArrayView text)
{
    if (const auto plain = plainWholeNumber(text))
        return plain;
    const std::optional<double> value = parseDecimal(text);
    if (!value)
        return std::nullopt;
    return roundToInt64(*value);
}

void appendThousandths(std::string& out, std::int64_t value)
{
    // Hundredths of the value / 1000, an exact half away from zero as the pattern rounds.
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

    char buffer[32];
    char* p = buffer;
    if (negative)
        *p++ = '-';
    // Room is left for the point and two decimals after the whole part.
    if (whole != 0)
        p = std::to_chars(p, buffer + sizeof buffer - 3, whole).ptr;
    *p++ = '.';
    *p++ = static_cast<char>('0' + fraction / 10);
    *p++ = static_cast<char>('0' + fraction % 10);
    out.append(buffer, static_cast<std::size_t>(p - buffer));
    out.append("Kb/s", 4);
}

} // namespace

void appendDisplayed(std::string& out, QByteArrayView field)
{
    if (const auto value = wholeNumber(field))
        appendThousandths(out, *value);
    else
        out.append(field.data(), static_cast<std::size_t>(field.size()));
}

QString displayedValue(QByteArrayView field)
{
    std::string text;
    appendDisplayed(text, field);
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace tavrin::display
