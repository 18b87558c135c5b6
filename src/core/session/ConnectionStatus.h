#pragma once

#include "core/session/Session.h"

#include <QObject>
#include <QString>

class QTimer;

namespace tavrin {

class Clock;
class Reconnector;
class TorrentListModel;
namespace view {
class TorrentViewModel;
}

// What the status bar says about the connection, in words: connecting (with the time to the
// first query), connected with the number of torrents (and how many are shown while filtered),
// their total speeds and the time of the last reply, a running pause-all or resume-all chain,
// or why polling stopped (a refused connection too, which shows no box).
class ConnectionStatus : public QObject {
    Q_OBJECT
public:
    ConnectionStatus(Session& session, const TorrentListModel& model, const Clock& clock,
                     QObject* parent = nullptr);
    // The list as shown, for "M shown" while it is filtered.
    void setView(const view::TorrentViewModel* view);
    // What tries to connect again, for "trying again in N s" after a loss.
    void setReconnector(const Reconnector* reconnector);

    // The server version the list is read as, named after "Connected to".
    void setServerVersion(int version) { m_version = version; }
    // The short form for the tray: the torrent count and total speeds, or why there are none.
    QString summary() const;
    // Links from outside that wait for the user's Add, told after the rest.
    void setWaitingLinks(int count);
    QString text() const { return m_text; }
    // "1.25 MB/s": a speed in bytes per second, in decimal units.
    static QString speedText(double bytesPerSecond);

Q_SIGNALS:
    // The text changed; the first time after Connect, the status bar is to be shown.
    void changed(const QString& text);

private:
    void update();
    // Coalesces the changes of one reply into one update.
    void scheduleUpdate();

    Session& m_session;
    const TorrentListModel& m_model;
    const Clock& m_clock;
    QTimer* m_countdown;
    int m_version = 3;
    QString m_server;
    QString m_stopped;   // why polling stopped; empty while it runs
    QString m_lastReply; // the time of the last status reply; empty before the first
    QString m_text;
    QString m_chain; // "Pausing 3 of 40" while a chain runs
    const view::TorrentViewModel* m_view = nullptr;
    const Reconnector* m_reconnector = nullptr;
    bool m_updateScheduled = false;
    int m_waitingLinks = 0;
};

} // namespace tavrin
