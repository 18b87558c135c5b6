#pragma once

#include "core/session/Session.h"

#include <QObject>
#include <QString>

class QTimer;

namespace tavrin {

class Clock;
class TorrentListModel;

// What the status bar says about the connection, in words: connecting (with the time to the
// first query), connected with the number of torrents and the time of the last reply, or why
// polling stopped (a refused connection too, which shows no box).
class ConnectionStatus : public QObject {
    Q_OBJECT
public:
    ConnectionStatus(Session& session, const TorrentListModel& model, const Clock& clock,
                     QObject* parent = nullptr);

    // The server version the list is read as, named after "Connected to".
    void setServerVersion(int version) { m_version = version; }
    QString text() const { return m_text; }

Q_SIGNALS:
    // The text changed; the first time after Connect, the status bar is to be shown.
    void changed(const QString& text);

private:
    void update();

    Session& m_session;
    const TorrentListModel& m_model;
    const Clock& m_clock;
    QTimer* m_countdown;
    int m_version = 3;
    QString m_server;
    QString m_stopped;   // why polling stopped; empty while it runs
    QString m_lastReply; // the time of the last status reply; empty before the first
    QString m_text;
};

} // namespace tavrin
