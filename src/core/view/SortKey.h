#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QStringView>

namespace tavrin::view {

// What a shown value means, for ordering a column by it: a number (sizes in bytes with their
// unit, speeds, percentages, durations in seconds, counts, ratios), text (case-insensitive, with
// runs of digits in numeric order), or nothing ("-" or empty). Worked out once per value, so a
// comparison costs no parsing.
class SortKey {
public:
    enum class Kind : quint8 { Number, Text, Missing };

    SortKey() = default;
    static SortKey of(QStringView value);
    // The same for single-byte (Latin-1) text; a plain number costs no conversion.
    static SortKey of(QByteArrayView latin1);

    Kind kind() const { return m_kind; }
    double number() const { return m_number; }

    // Below zero, zero or above: numbers come before text, and nothing after both; equal keys
    // leave the order to the caller (the server's order).
    static int compare(const SortKey& a, const SortKey& b);
    // The order of a sorted column: ascending or descending by compare(), and values with
    // nothing to sort by last either way. Zero leaves the order to the caller.
    static int compareInColumn(const SortKey& a, const SortKey& b, bool descending);

private:
    Kind m_kind = Kind::Missing;
    double m_number = 0;
    QByteArray m_text; // bytes whose plain order is the natural order of the text
};

// What a speed field of a row means in bytes per second: a plain number, or a number with its
// unit ("12 KB/s"); 0 for anything else.
double bytesPerSecond(QByteArrayView field);

} // namespace tavrin::view
