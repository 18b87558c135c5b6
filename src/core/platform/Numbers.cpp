#include "core/platform/Numbers.h"

#include <charconv>
#include <cmath>
#include <string>

namespace tavrin {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

QByteArrayView trimBlanks(QByteArrayView text)
{
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && isBlank(text[from]))
        ++from;
    while (to > from && isBlank(text[to - 1]))
        --to;
    return text.sliced(from, to - from);
}

std::optional<double> parseDecimal(QByteArrayView text)
{
    text = trimBlanks(text);
    const char* p = text.data();
    const char* end = p + text.size();
    if (p == end)
        return std::nullopt;

    const char* q = p;
    bool negative = false;
    if (*q == '+' || *q == '-') {
        negative = *q == '-';
        ++q;
    }
    const char* body = q;
    int digits = 0;
    while (q < end && isDigit(*q)) {
        ++q;
        ++digits;
    }
    if (q < end && *q == '.') {
        ++q;
        while (q < end && isDigit(*q)) {
            ++q;
            ++digits;
        }
    }
    if (digits == 0)
        return std::nullopt;
    if (q < end && (*q == 'e' || *q == 'E')) {
        ++q;
        if (q < end && (*q == '+' || *q == '-'))
            ++q;
        if (q == end || !isDigit(*q))
            return std::nullopt;
        while (q < end && isDigit(*q))
            ++q;
    }
    if (q != end)
        return std::nullopt;

    double value = 0;
    const auto result = std::from_chars(body, end, value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        // from_chars leaves the value alone on overflow; tell huge from tiny by the exponent.
        const std::string s(body, end);
        value = std::strtod(s.c_str(), nullptr);
    } else if (result.ec != std::errc() || result.ptr != end) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

std::optional<std::int32_t> roundToInt32(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    const double r = std::nearbyint(value);
    if (r < -2147483648.0 || r > 2147483647.0)
        return std::nullopt;
    return static_cast<std::int32_t>(r);
}

std::optional<std::int64_t> roundToInt64(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    const double r = std::nearbyint(value);
    // 2^63 is exactly representable; anything at or above it does not fit.
    if (r < -9223372036854775808.0 || r >= 9223372036854775808.0)
        return std::nullopt;
    return static_cast<std::int64_t>(r);
}

std::optional<std::int32_t> toInt32(const QString& text)
{
    const auto value = parseDecimal(text);
    if (!value)
        return std::nullopt;
    return roundToInt32(*value);
}

} // namespace tavrin
