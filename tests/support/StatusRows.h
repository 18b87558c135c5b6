#pragma once

#include <QByteArrayList>
#include <QMap>

namespace tavrin::test {

// A version 3 status row: field f (1-based) reads "ff" unless given, then the identifier.
inline QByteArray v3Row(const QByteArray& id, const QMap<int, QByteArray>& fields = {})
{
    QByteArray row;
    for (int f = 1; f <= 22; ++f)
        row += fields.value(f, "f" + QByteArray::number(f)) + '|';
    return row + id;
}

// A version 2 status row: 15 data fields, then the identifier.
inline QByteArray v2Row(const QByteArray& id, const QMap<int, QByteArray>& fields = {})
{
    QByteArray row;
    for (int f = 1; f <= 15; ++f)
        row += fields.value(f, "f" + QByteArray::number(f)) + '|';
    return row + id;
}

// A status reply: the header line, then the rows.
inline QByteArray statusReply(const QByteArrayList& rows)
{
    return "Torrents\n" + rows.join('\n');
}

} // namespace tavrin::test
