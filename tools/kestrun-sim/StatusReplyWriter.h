#pragma once

#include <QByteArray>

namespace kestrunsim {

class TorrentSimulation;
struct Torrent;

// Renders the reply to "QUERY|": a header line, then one "|"-separated row per torrent.
class StatusReplyWriter {
public:
    explicit StatusReplyWriter(int serverVersion);

    QByteArray write(const TorrentSimulation& simulation) const;

    // Number of data fields before the identifier in each row.
    int dataFieldCount() const { return m_serverVersion == 2 ? 15 : 22; }

    static QByteArray progressText(const Torrent& torrent);
    // "512 B", "0.97 KB", "700 MB", "1.74 GB": sizes carry their unit, speeds stay plain numbers.
    static QByteArray sizeText(qint64 bytes);
    // "45s", "12m 05s", "1h 02m", "2d 03h"; "-" for a negative duration.
    static QByteArray durationText(qint64 seconds);

private:
    int m_serverVersion;
};

} // namespace kestrunsim
