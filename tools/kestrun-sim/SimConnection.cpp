#include "SimConnection.h"

#include <QTcpSocket>

namespace kestrunsim {

SimConnection::SimConnection(QTcpSocket* socket, const SimOptions& options, Responder responder,
                             QObject* parent)
    : QObject(parent), m_socket(socket), m_options(options), m_responder(std::move(responder))
{
    m_socket->setParent(this);
    // Without this, small chunks would be coalesced and the split would not reach the client.
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    m_quietTimer.setSingleShot(true);
    m_timeoutTimer.setSingleShot(true);
    m_timeoutTimer.setInterval(m_options.requestTimeoutMs);
    connect(&m_quietTimer, &QTimer::timeout, this, &SimConnection::complete);
    connect(&m_timeoutTimer, &QTimer::timeout, this, &SimConnection::complete);
    connect(m_socket, &QTcpSocket::readyRead, this, &SimConnection::onReadyRead);
    // A client that closes its side has finished sending, even without a quiet gap.
    connect(m_socket, &QTcpSocket::readChannelFinished, this, &SimConnection::complete);
    connect(m_socket, &QTcpSocket::disconnected, this, &SimConnection::finish);
    m_timeoutTimer.start();
    if (m_socket->bytesAvailable() > 0)
        onReadyRead();
}

void SimConnection::onReadyRead()
{
    const QByteArray data = m_socket->readAll();
    if (m_completed)
        return;
    m_request.append(data);
    // The command has no terminator: once the ID line is in, silence marks its end.
    const bool idLineDone =
        m_request.contains('\n') || (m_request.size() >= 3 && !m_request.startsWith("ID|"));
    m_quietTimer.start(idLineDone ? m_options.quietGapMs : m_options.stalledGapMs);
}

void SimConnection::complete()
{
    if (m_completed)
        return;
    m_completed = true;
    m_quietTimer.stop();
    m_timeoutTimer.stop();
    m_request.append(m_socket->readAll());
    m_reply = m_responder(m_request);
    if (m_options.delayMs > 0)
        QTimer::singleShot(m_options.delayMs, this, &SimConnection::sendReply);
    else
        sendReply();
}

void SimConnection::sendReply()
{
    if (m_socket->state() != QAbstractSocket::ConnectedState) {
        finish();
        return;
    }
    if (m_options.chunkSize <= 0) {
        m_socket->write(m_reply);
        m_socket->disconnectFromHost();
        return;
    }
    sendNextChunk();
}

void SimConnection::sendNextChunk()
{
    if (m_socket->state() != QAbstractSocket::ConnectedState) {
        finish();
        return;
    }
    const qsizetype size = std::min<qsizetype>(m_options.chunkSize, m_reply.size() - m_sent);
    m_socket->write(m_reply.constData() + m_sent, size);
    m_socket->flush();
    m_sent += size;
    if (m_sent >= m_reply.size())
        m_socket->disconnectFromHost();
    else
        QTimer::singleShot(m_options.chunkGapMs, this, &SimConnection::sendNextChunk);
}

void SimConnection::finish()
{
    m_quietTimer.stop();
    m_timeoutTimer.stop();
    deleteLater();
}

} // namespace kestrunsim
