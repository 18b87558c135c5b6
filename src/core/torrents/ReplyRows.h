#pragma once

#include <QByteArrayView>
#include <cstring>

// How a status reply divides into rows and a row into fields, as views into the reply's bytes.
namespace tavrin::replyrows {

// The next LF at or after `from`, or the end.
inline qsizetype lineEnd(QByteArrayView text, qsizetype from)
{
    if (from >= text.size())
        return text.size();
    const void* found =
        std::memchr(text.data() + from, '\n', static_cast<size_t>(text.size() - from));
    return found ? static_cast<const char*>(found) - text.data() : text.size();
}

// Calls row(line) for every line after the first, in order, empty ones included.
template <typename Row> void forEachRow(QByteArrayView reply, Row&& row)
{
    qsizetype start = lineEnd(reply, 0) + 1;
    while (start <= reply.size()) {
        const qsizetype end = lineEnd(reply, start);
        row(reply.sliced(start, end - start));
        start = end + 1;
    }
}

// Replaces `fields` with the row's fields, split at every "|" (at least one).
template <typename Fields> void splitFields(QByteArrayView row, Fields& fields)
{
    fields.clear();
    const char* start = row.data();
    const char* end = start + row.size();
    for (;;) {
        const void* bar = std::memchr(start, '|', static_cast<size_t>(end - start));
        if (!bar) {
            fields.emplace_back(start, end - start);
            return;
        }
        const char* at = static_cast<const char*>(bar);
        fields.emplace_back(start, at - start);
        start = at + 1;
    }
}

// The last field of a row: the torrent identifier.
inline QByteArrayView lastField(QByteArrayView row)
{
    const qsizetype bar = row.lastIndexOf('|');
    return bar < 0 ? row : row.sliced(bar + 1);
}

} // namespace tavrin::replyrows
