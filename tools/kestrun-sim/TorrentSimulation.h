#pragma once

#include "Torrent.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <map>

namespace kestrunsim {

// The torrents the simulator serves; time only moves when advanceTo() is called.
class TorrentSimulation {
public:
    explicit TorrentSimulation(quint32 seed = 20240501);

    void populate(int count);
    const Torrent& add(QByteArrayView link);
    Torrent* find(QByteArrayView id);
    bool remove(QByteArrayView id);
    int removeCompleted();
    int stopAll();
    int queueAll();

    static void pause(Torrent& torrent);
    static void resume(Torrent& torrent);
    static void stop(Torrent& torrent);
    static void queue(Torrent& torrent);

    // Moves the simulated clock forward to the given milliseconds; going backwards is ignored.
    void advanceTo(qint64 ms);
    qint64 now() const { return m_nowMs; }
    // Simulated seconds per second of the clock given to advanceTo().
    void setSpeed(int speed) { m_speed = speed; }

    // Speeds as a client would report them at the current time, in bytes per second.
    qint64 downloadSpeed(const Torrent& torrent) const;
    qint64 uploadSpeed(const Torrent& torrent) const;
    // Seconds left at the current download speed, or -1 when not downloading.
    qint64 etaSeconds(const Torrent& torrent) const;

    int count() const { return int(m_torrents.size()); }
    // Ordered by when the torrents were added, which is the order rows are reported in.
    const std::map<quint64, Torrent>& torrents() const { return m_torrents; }

private:
    Torrent& insert(Torrent torrent);
    double wobble(quint64 serial, quint64 salt) const;

    std::map<quint64, Torrent> m_torrents;
    QHash<QByteArray, quint64> m_serialById;
    quint64 m_nextSerial = 1000;
    quint32 m_seed;
    qint64 m_nowMs = 0;
    int m_speed = 1;
};

} // namespace kestrunsim
