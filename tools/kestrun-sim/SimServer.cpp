#include "SimServer.h"

#include "SimConnection.h"

#include <QTcpSocket>
#include <cstdio>

namespace kestrunsim {

namespace {

// Keeps a log line on one line while leaving other bytes as they came.
QByteArray printable(QByteArrayView text)
{
    QByteArray out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '\n')
            out.append("\\n");
        else if (c == '\r')
            out.append("\\r");
        else if (uchar(c) < 0x20)
            out.append("\\x").append(QByteArray::number(uchar(c), 16).rightJustified(2, '0'));
        else
            out.append(c);
    }
    return out;
}

} // namespace

SimServer::SimServer(const SimOptions& options, QObject* parent)
    : QObject(parent), m_options(options),
      m_handler(m_simulation, options.serverVersion, options.uniqueId)
{
    m_simulation.setSpeed(options.speed);
    m_simulation.populate(options.torrents);
    m_uptime.start();
    m_clock = [this] { return m_uptime.elapsed(); };
    connect(&m_server, &QTcpServer::newConnection, this, &SimServer::onNewConnection);
}

bool SimServer::listen()
{
    return m_server.listen(QHostAddress::LocalHost, m_options.port);
}

void SimServer::onNewConnection()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        const QString peer =
            socket->peerAddress().toString() + ':' + QString::number(socket->peerPort());
        if (m_options.refuse) {
            socket->close();
            socket->deleteLater();
            if (m_options.logRequests)
                std::fprintf(stderr, "%s refused\n", qPrintable(peer));
            continue;
        }
        new SimConnection(
            socket, m_options,
            [this, peer](const QByteArray& request) { return respond(peer, request); }, this);
    }
}

QByteArray SimServer::respond(const QString& peer, const QByteArray& request)
{
    QElapsedTimer build;
    build.start();
    m_simulation.advanceTo(m_clock());
    RequestHandler::Result result = m_handler.handle(request);
    if (m_options.crlf)
        result.reply.replace("\n", "\r\n");
    const qint64 buildNs = build.nsecsElapsed();
    log(peer, result, result.reply.size(), buildNs);
    return result.reply;
}

void SimServer::log(const QString& peer, const RequestHandler::Result& result, qint64 replyBytes,
                    qint64 buildNs) const
{
    if (!m_options.logRequests)
        return;
    QByteArray line = peer.toLatin1() + " id=" + printable(result.id) +
                      " command=" + printable(result.command.left(200)) +
                      " reply=" + QByteArray::number(replyBytes) + " bytes built in " +
                      QByteArray::number(double(buildNs) / 1e6, 'f', 2) + " ms\n";
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
}

} // namespace kestrunsim
