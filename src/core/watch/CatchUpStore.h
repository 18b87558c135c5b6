#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace tavrin {

// Which torrents were unfinished when Tavrin last left each server, so that the next connection
// can tell which finished meanwhile. One file, replaced whole on every save; at most
// `maxServers` servers (the least recently saved go) and `maxIds` identifiers each.
class CatchUpStore {
public:
    static constexpr int maxServers = 20;
    static constexpr qsizetype maxIds = 100000;
    // A file larger than this is not read: no save of ours comes close.
    static constexpr qint64 maxFileBytes = 64 * 1024 * 1024;

    // A server as the connection fields and the version name it.
    struct Server {
        QString host;
        QString port;
        int version = 3;
    };

    explicit CatchUpStore(QString filePath) : m_path(std::move(filePath)) {}
    // "unfinished-torrents" in the user's data directory for Tavrin.
    static QString defaultPath();
    const QString& path() const { return m_path; }

    // The identifiers remembered for the server; none when the file is missing or unreadable.
    QList<QByteArray> load(const Server& server) const;
    // Remembers the identifiers for the server, saved at `nowSecs` (seconds since the epoch).
    // Returns why the file could not be written, or nothing.
    QString save(const Server& server, const QList<QByteArray>& ids, qint64 nowSecs) const;

private:
    struct Entry {
        QByteArray key;
        qint64 savedAt = 0;
        QList<QByteArray> ids; // as stored: percent-encoded
    };
    QList<Entry> read() const;

    QString m_path;
};

} // namespace tavrin
