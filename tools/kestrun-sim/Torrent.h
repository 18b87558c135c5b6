#pragma once

#include <QByteArray>
#include <QtGlobal>

namespace kestrunsim {

enum class TorrentStatus { Working, Seeding, Paused, Stopped, Queued };

// 0 Highest ... 4 Lowest, the codes the PRIORITY command carries.
enum class TorrentPriority { Highest = 0, High = 1, Normal = 2, Low = 3, Lowest = 4 };

// One simulated torrent; byte counts are doubles so fractional progress accumulates.
struct Torrent {
    quint64 serial = 0;
    QByteArray id;
    QByteArray fileName;
    QByteArray torrentName;
    QByteArray destination;
    qint64 size = 0;
    double downloaded = 0;
    double uploaded = 0;
    double baseDownloadRate = 0; // bytes per second at Normal priority
    double baseUploadRate = 0;
    TorrentStatus status = TorrentStatus::Working;
    TorrentPriority priority = TorrentPriority::Normal;
    int seeds = 0;
    int peers = 0;
    double copies = 0;
    double peerAvgProgress = 0; // percent
    qint64 seedingMs = 0;
    bool unlimitedSeeding = false;

    bool isComplete() const { return downloaded >= double(size); }
    bool isRunning() const
    {
        return status == TorrentStatus::Working || status == TorrentStatus::Seeding;
    }
};

} // namespace kestrunsim
