#include "core/view/SortKey.h"

#include "core/platform/Numbers.h"

#include <QString>
#include <cmath>
#include <optional>

namespace tavrin::view {

namespace {

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// "1h 29m", "2m 01s", "44s", "3d 4h": seconds; nothing when the text is not a duration.
std::optional<double> duration(QStringView text)
{
    double seconds = 0;
    bool any = false;
    qsizetype i = 0;
    while (i < text.size()) {
        if (text.at(i) == u' ') {
            ++i;
            continue;
        }
        const qsizetype start = i;
        while (i < text.size() && isDigit(text.at(i)))
            ++i;
        if (i == start || i >= text.size())
            return std::nullopt;
        const double amount = text.sliced(start, i - start).toDouble();
        // Lower case only: "5M" is a size, "5m" five minutes.
        switch (text.at(i).unicode()) {
        case u'd':
            seconds += amount * 86400;
            break;
        case u'h':
            seconds += amount * 3600;
            break;
        case u'm':
            seconds += amount * 60;
            break;
        case u's':
            seconds += amount;
            break;
        default:
            return std::nullopt;
        }
        ++i;
        any = true;
    }
    return any ? std::optional(seconds) : std::nullopt;
}

// The factor of a size or speed unit ("KB", "MiB", "G", "B", each with "/s" or not); nothing
// for any other text. An empty unit and "%" count as plain numbers.
std::optional<double> unitFactor(QStringView unit)
{
    QString u = unit.toString().toUpper();
    if (u.endsWith(QLatin1String("/S")))
        u.chop(2);
    if (u.isEmpty() || u == QLatin1String("%") || u == QLatin1String("B"))
        return 1.0;
    if (u.endsWith(u'B'))
        u.chop(1);
    if (u.endsWith(u'I'))
        u.chop(1);
    static const QString prefixes = QStringLiteral("KMGTP");
    if (u.size() != 1 || !prefixes.contains(u.at(0)))
        return std::nullopt;
    return std::pow(1024.0, static_cast<double>(prefixes.indexOf(u.at(0)) + 1));
}

// A number with an optional unit after it, as sizes, speeds and percentages are written.
std::optional<double> measure(QStringView text)
{
    qsizetype end = 0;
    if (end < text.size() && (text.at(end) == u'+' || text.at(end) == u'-'))
        ++end;
    const qsizetype digits = end;
    while (end < text.size() && (isDigit(text.at(end)) || text.at(end) == u'.'))
        ++end;
    if (end == digits)
        return std::nullopt;
    if (end < text.size() && (text.at(end) == u'e' || text.at(end) == u'E') &&
        end + 1 < text.size() && (isDigit(text.at(end + 1)) || text.at(end + 1) == u'-')) {
        end += 2;
        while (end < text.size() && isDigit(text.at(end)))
            ++end;
    }
    bool ok = false;
    const double value = text.first(end).toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    const auto factor = unitFactor(text.sliced(end).trimmed());
    if (!factor)
        return std::nullopt;
    return value * *factor;
}

// Case folded, each character as three bytes behind a 2; each run of digits as a 1, its length
// without leading zeros and its digits, so digits sort before letters and longer numbers after
// shorter ones.
QByteArray naturalKey(QStringView text)
{
    const QString folded = text.toString().toCaseFolded();
    QByteArray key;
    key.reserve(folded.size() * 3);
    for (qsizetype i = 0; i < folded.size();) {
        if (!isDigit(folded.at(i))) {
            const char16_t c = folded.at(i).unicode();
            key += '\x02';
            key += static_cast<char>(c >> 8);
            key += static_cast<char>(c & 0xFF);
            ++i;
            continue;
        }
        qsizetype start = i;
        while (i < folded.size() && isDigit(folded.at(i)))
            ++i;
        while (start + 1 < i && folded.at(start) == u'0')
            ++start;
        const qsizetype length = std::min<qsizetype>(i - start, 0xFFFF);
        key += '\x01';
        key += static_cast<char>(length >> 8);
        key += static_cast<char>(length & 0xFF);
        key += folded.sliced(start, length).toLatin1();
    }
    return key;
}

} // namespace

SortKey SortKey::of(QStringView value)
{
    const QStringView text = value.trimmed();
    SortKey key;
    if (text.isEmpty() || text == u"-")
        return key;
    const auto seconds = duration(text);
    if (const auto number = seconds ? seconds : measure(text)) {
        key.m_kind = Kind::Number;
        key.m_number = *number;
        return key;
    }
    key.m_kind = Kind::Text;
    key.m_text = naturalKey(text);
    return key;
}

double bytesPerSecond(QByteArrayView field)
{
    // Servers send whole numbers of bytes: read without any conversion.
    if (!field.isEmpty() && field.size() <= 15) {
        double whole = 0;
        qsizetype i = 0;
        for (; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i)
            whole = whole * 10 + (field[i] - '0');
        if (i == field.size())
            return whole;
    }
    if (const auto plain = parseDecimal(field))
        return std::isfinite(*plain) ? *plain : 0;
    if (field.isEmpty() || field.size() > 64)
        return 0;
    return measure(QString::fromLatin1(field).trimmed()).value_or(0);
}

SortKey SortKey::of(QByteArrayView latin1)
{
    // Numbers as the list shows them ("1.75Kb/s", "42", "50.0%") are read from the bytes; a
    // number with anything else after it (a unit, a duration) takes the general way.
    qsizetype end = 0;
    while (end < latin1.size() &&
           ((latin1[end] >= '0' && latin1[end] <= '9') || latin1[end] == '.'))
        ++end;
    const QByteArrayView tail = latin1.sliced(end);
    if (end > 0 && (tail.isEmpty() || tail == "%" || tail == "Kb/s")) {
        if (const auto number = parseDecimal(latin1.first(end))) {
            SortKey key;
            key.m_kind = Kind::Number;
            key.m_number = tail == "Kb/s" ? *number * 1024 : *number;
            return key;
        }
    }
    return of(QStringView(QString::fromLatin1(latin1)));
}

int SortKey::compare(const SortKey& a, const SortKey& b)
{
    if (a.m_kind != b.m_kind)
        return static_cast<int>(a.m_kind) - static_cast<int>(b.m_kind);
    switch (a.m_kind) {
    case Kind::Number:
        return a.m_number < b.m_number ? -1 : (b.m_number < a.m_number ? 1 : 0);
    case Kind::Text:
        return a.m_text.compare(b.m_text);
    case Kind::Missing:
        return 0;
    }
    return 0;
}

int SortKey::compareInColumn(const SortKey& a, const SortKey& b, bool descending)
{
    const bool aMissing = a.kind() == Kind::Missing;
    const bool bMissing = b.kind() == Kind::Missing;
    if (aMissing != bMissing)
        return aMissing ? 1 : -1;
    if (aMissing)
        return 0;
    const int c = compare(a, b);
    return descending ? -c : c;
}

} // namespace tavrin::view
