#pragma once

#include "RequestHandler.h"
#include "SimOptions.h"
#include "TorrentSimulation.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTcpServer>
#include <functional>

namespace kestrunsim {

// The command service on 127.0.0.1: one request per connection, one reply, then close.
class SimServer : public QObject {
    Q_OBJECT
public:
    explicit SimServer(const SimOptions& options, QObject* parent = nullptr);

    bool listen();
    quint16 port() const { return m_server.serverPort(); }
    QString errorString() const { return m_server.errorString(); }

    TorrentSimulation& simulation() { return m_simulation; }
    // Milliseconds since start by default; tests substitute a clock they move by hand.
    void setClock(std::function<qint64()> clock) { m_clock = std::move(clock); }

private:
    void onNewConnection();
    QByteArray respond(const QString& peer, const QByteArray& request);
    void log(const QString& peer, const RequestHandler::Result& result, qint64 replyBytes,
             qint64 buildNs) const;

    SimOptions m_options;
    QTcpServer m_server;
    TorrentSimulation m_simulation;
    RequestHandler m_handler;
    QElapsedTimer m_uptime;
    std::function<qint64()> m_clock;
};

} // namespace kestrunsim
