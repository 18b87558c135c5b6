#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QByteArrayView>
#include <QList>
#include <QtGlobal>

namespace tavrin {

// Log entries that share one time stamp, each a prefix and a text. Texts that lie inside the
// batch's source (a status reply) are kept as spans of it, so logging a reply and its rows
// copies nothing; any other text is copied into the batch.
class LogBatch {
public:
    LogBatch() = default;
    // Entries may refer to `source` without copying; the batch keeps a shared copy of it.
    explicit LogBatch(QByteArray source) : m_source(std::move(source)) {}

    // Adds the entry prefix + text; the prefix is at most 65535 bytes.
    void add(QByteArrayView prefix, QByteArrayView text);
    // Adds the entry prefix + the decimal text of number.
    void add(QByteArrayView prefix, qint64 number);

    qsizetype size() const { return m_entries.size(); }
    bool isEmpty() const { return m_entries.isEmpty(); }
    QByteArrayView prefix(qsizetype i) const;
    QByteArrayView text(qsizetype i) const;
    // The whole message of entry i, prefix and text.
    QByteArray message(qsizetype i) const;
    QByteArray last() const { return message(size() - 1); }
    QByteArrayList messages() const;
    // The bytes of the entries' messages together, before any cut.
    qint64 bytes() const { return m_bytes; }

private:
    struct Entry {
        qint64 textOffset;
        qint64 textLength;
        quint32 prefixOffset; // into m_own
        quint16 prefixLength; // prefixes are the program's own short texts
        bool textInSource;
    };
    quint32 ownPrefix(QByteArrayView prefix);

    QByteArray m_source;
    QByteArray m_own; // prefixes and copied texts
    QList<Entry> m_entries;
    qint64 m_bytes = 0;
    // Where the prefix last copied into m_own lies, so a repeated one is stored once.
    bool m_hasPrefix = false;
    quint32 m_lastPrefixOffset = 0;
    qsizetype m_lastPrefixLength = 0;
};

} // namespace tavrin
