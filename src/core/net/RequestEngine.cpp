#include "core/net/RequestEngine.h"

#include "core/net/WireProtocol.h"

#include <QTcpSocket>
#include <QTimer>

namespace tavrin {

namespace {
// An error message that arrives in pieces is reported once the server pauses this long.
constexpr int errorQuietMs = 50;
} // namespace

RequestEngine::RequestEngine(QObject* parent) : QObject(parent), m_errorQuiet(new QTimer(this))
{
    m_errorQuiet->setSingleShot(true);
    m_errorQuiet->setInterval(errorQuietMs);
    connect(m_errorQuiet, &QTimer::timeout, this, &RequestEngine::reportErrorReply);
}

template <typename Emit> void RequestEngine::post(Emit emitSignal)
{
    const quint64 serial = m_serial;
    QMetaObject::invokeMethod(
        this,
        [this, serial, emitSignal]() {
            if (serial == m_serial)
                emitSignal();
        },
        Qt::QueuedConnection);
}

RequestEngine::~RequestEngine()
{
    dropSocket();
}

void RequestEngine::startRequest(RequestKind kind, const QByteArray& command, const QString& host,
                                 quint16 port, const QByteArray& uniqueId)
{
    m_kind = kind;
    m_pendingCommand = command;
    m_uniqueId = uniqueId;
    // Data of an abandoned exchange must not become part of the next reply.
    m_buffer.clear();
    m_dataSeen = false;
    m_errorReported = false;
    m_errorQuiet->stop();
    dropSocket();
    ++m_serial;

    // A fresh socket per request, so nothing of the old exchange can reach the handlers.
    m_socket = new QTcpSocket(this);
    connect(m_socket, &QTcpSocket::connected, this, &RequestEngine::onConnected);
    connect(m_socket, &QTcpSocket::readyRead, this, &RequestEngine::onReadyRead);
    connect(m_socket, &QTcpSocket::disconnected, this, &RequestEngine::onDisconnected);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &RequestEngine::onError);
    m_socket->connectToHost(host, port);
}

void RequestEngine::abandon()
{
    m_errorQuiet->stop();
    dropSocket();
    m_buffer.clear();
    ++m_serial;
}

void RequestEngine::dropSocket()
{
    if (!m_socket)
        return;
    QTcpSocket* socket = m_socket;
    m_socket = nullptr;
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
}

void RequestEngine::onConnected()
{
    m_socket->write(wire::request(m_uniqueId, m_pendingCommand));
}

// Appends what has arrived; false when the exchange has ended because the reply is too large.
bool RequestEngine::takeData()
{
    const QByteArray piece = m_socket->readAll();
    if (piece.isEmpty())
        return true;
    if (m_buffer.size() + piece.size() > m_replyLimit) {
        dropSocket();
        m_buffer.clear();
        const QString description =
            tr("The reply is too large: the server sent more than %1 bytes on one connection.")
                .arg(m_replyLimit);
        post([this, description] { Q_EMIT socketFailed(description, false); });
        return false;
    }
    m_buffer.append(piece);
    return true;
}

void RequestEngine::onReadyRead()
{
    if (!takeData())
        return;
    if (m_buffer.isEmpty())
        return;

    // The error test looks at the start of the whole reply, however TCP split it.
    const bool first = !m_dataSeen;
    m_dataSeen = true;
    if (!m_errorReported && wire::errorMessage(m_buffer))
        m_errorReported = true;
    if (m_errorReported) {
        m_errorQuiet->start();
        return;
    }
    if (first)
        post([this, kind = m_kind] { Q_EMIT firstDataArrived(kind); });
}

void RequestEngine::onDisconnected()
{
    QTcpSocket* socket = m_socket;
    if (!socket)
        return;
    if (!takeData())
        return;
    if (m_errorQuiet->isActive()) {
        m_errorQuiet->stop();
        reportErrorReply();
    }
    const QByteArray reply = m_buffer;
    const bool wasError = m_errorReported;
    m_buffer.clear();
    m_socket = nullptr;
    socket->disconnect(this);
    socket->deleteLater();
    post([this, kind = m_kind, reply, wasError] { Q_EMIT replyCompleted(kind, reply, wasError); });
}

void RequestEngine::reportErrorReply()
{
    if (auto message = wire::errorMessage(m_buffer))
        post([this, m = *message] { Q_EMIT errorReplyReceived(m); });
}

void RequestEngine::onError()
{
    QTcpSocket* socket = m_socket;
    if (!socket)
        return;
    const auto error = socket->error();
    // A close by the server is the normal end of an exchange: disconnected follows.
    if (error == QAbstractSocket::RemoteHostClosedError)
        return;
    const QString description = socket->errorString();
    const bool refused = error == QAbstractSocket::ConnectionRefusedError;
    dropSocket();
    post([this, description, refused] { Q_EMIT socketFailed(description, refused); });
}

} // namespace tavrin
