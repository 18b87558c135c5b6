#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QByteArrayView>
#include <QList>
#include <QtGlobal>
#include <array>

namespace tavrin {

// Log entries that share one time stamp, each a prefix and a text. Texts that lie inside the
// batch's source (a status reply) are kept as spans of it and numbers as numbers, so logging a
// reply and its rows copies nothing; any other text is copied into the batch.
class LogBatch {
public:
    // Room for the decimal text of any number entry.
    using NumberText = std::array<char, 24>;

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
    // Equal for entries whose prefix is stored once; entries with equal ids have equal prefixes.
    quint32 prefixId(qsizetype i) const { return m_entries.at(i).prefixOffset; }
    // The text of entry i; a number is written into `scratch`, which must outlive the view.
    QByteArrayView text(qsizetype i, NumberText& scratch) const;
    // The whole message of entry i, prefix and text.
    QByteArray message(qsizetype i) const;
    QByteArray last() const { return message(size() - 1); }
    QByteArrayList messages() const;
    // The bytes of the entries' messages together, before any cut.
    qint64 bytes() const { return m_bytes; }

private:
    enum class Kind : quint8 { InSource, Copied, Number };
    struct Entry {
        qint64 text;          // offset into the source or m_own, or the number itself
        qint64 textLength;    // unused for a number
        quint32 prefixOffset; // into m_own
        quint16 prefixLength; // prefixes are the program's own short texts
        Kind kind;
    };
    quint32 ownPrefix(QByteArrayView prefix);

    QByteArray m_source;
    QByteArray m_own; // prefixes and copied texts
    QList<Entry> m_entries;
    qint64 m_bytes = 0;
    // The distinct prefixes so far (a reply's entries take turns among very few), each stored once.
    struct Prefix {
        quint32 offset;
        quint16 length;
    };
    QList<Prefix> m_prefixes;
};

} // namespace tavrin
