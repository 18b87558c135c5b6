#include "core/net/RequestEngine.h"

#include "core/net/WireProtocol.h"

#include <QTcpSocket>
#include <QTimer>
#if defined(Q_OS_LINUX)
#include <sys/socket.h>
#endif

namespace tavrin {

RequestEngine::RequestEngine(QObject* parent) : QObject(parent), m_deadline(new QTimer(this))
{
    m_deadline->setSingleShot(true);
    connect(m_deadline, &QTimer::timeout, this, &RequestEngine::onDeadline);
}

RequestEngine::~RequestEngine()
{
    endExchange();
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

namespace {
constexpr qint64 readPiece = 1 << 20;

// A plain reply ends only when the server closes, so nothing is gained by waking for each
// segment: the socket reads as ready once a piece has gathered, or at the close.
void wakeForWholePieces(QTcpSocket& socket)
{
#if defined(Q_OS_LINUX)
    const int piece = static_cast<int>(readPiece / 2);
    ::setsockopt(static_cast<int>(socket.socketDescriptor()), SOL_SOCKET, SO_RCVLOWAT, &piece,
                 sizeof piece);
#else
    Q_UNUSED(socket);
#endif
}
} // namespace

void RequestEngine::startRequest(const QByteArray& command, const QString& host, quint16 port,
                                 const QByteArray& uniqueId)
{
    abandon();
    m_command = command;
    m_uniqueId = uniqueId;

    // A fresh socket per request, so nothing of the old exchange can reach the handlers.
    m_socket = new QTcpSocket(this);
    // A long reply is read a piece at a time, so no one read holds the thread for long.
    m_socket->setReadBufferSize(readPiece);
    connect(m_socket, &QTcpSocket::connected, this, &RequestEngine::onConnected);
    connect(m_socket, &QTcpSocket::readyRead, this, &RequestEngine::onReadyRead);
    connect(m_socket, &QTcpSocket::disconnected, this, &RequestEngine::onDisconnected);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &RequestEngine::onError);
    m_deadline->start(m_deadlineMs);
    m_socket->connectToHost(host, port);
}

bool RequestEngine::isBusy() const
{
    return !m_socket.isNull();
}

void RequestEngine::abandon()
{
    endExchange();
    ++m_serial;
}

void RequestEngine::endExchange()
{
    m_deadline->stop();
    // Data of an ended exchange must not become part of the next reply.
    m_framer.reset();
    if (!m_socket)
        return;
    QTcpSocket* socket = m_socket;
    m_socket = nullptr;
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
}

void RequestEngine::fail(const QString& description, bool refused)
{
    endExchange();
    post([this, description, refused] { Q_EMIT socketFailed(description, refused); });
}

void RequestEngine::onConnected()
{
    m_socket->write(wire::request(m_uniqueId, m_command));
}

// Appends what has arrived; false when the exchange has ended because the reply is too large.
bool RequestEngine::takeData()
{
    switch (m_framer.readFrom(*m_socket)) {
    case ReplyFramer::Appended::TooLarge:
        fail(tr("The reply is too large: the server sent more than %1 bytes on one connection.")
                 .arg(m_framer.limit()),
             false);
        return false;
    case ReplyFramer::Appended::Decided:
        if (m_framer.kind() == ReplyFramer::Kind::Reply) {
            wakeForWholePieces(*m_socket);
            post([this] { Q_EMIT replyStarted(); });
        }
        break;
    case ReplyFramer::Appended::More:
        break;
    }
    return true;
}

void RequestEngine::onReadyRead()
{
    takeData();
}

void RequestEngine::onDisconnected()
{
    if (!m_socket || !takeData())
        return;
    const bool wasUndecided = m_framer.kind() == ReplyFramer::Kind::Undecided;
    switch (m_framer.finish()) {
    case ReplyFramer::Kind::ErrorReply:
        reportErrorReply();
        return;
    case ReplyFramer::Kind::Reply:
        // A reply shorter than the error prefix is known to be a plain one only now.
        if (wasUndecided)
            post([this] { Q_EMIT replyStarted(); });
        break;
    case ReplyFramer::Kind::Undecided:
        break;
    }
    const QByteArray reply = m_framer.take();
    endExchange();
    post([this, reply] { Q_EMIT replyCompleted(reply); });
}

void RequestEngine::reportErrorReply()
{
    // Once per exchange, with the whole message: at the server's close, or at the deadline
    // with what has come by then.
    const QByteArray message = m_framer.errorMessage().toByteArray();
    endExchange();
    post([this, message] { Q_EMIT errorReplyReceived(message); });
}

void RequestEngine::onDeadline()
{
    if (m_framer.kind() == ReplyFramer::Kind::ErrorReply) {
        reportErrorReply();
        return;
    }
    fail(tr("The server did not answer in time (%1 seconds).").arg(m_deadlineMs / 1000.0), false);
}

void RequestEngine::onError()
{
    if (!m_socket)
        return;
    const auto error = m_socket->error();
    // A close by the server is the normal end of an exchange: disconnected follows.
    if (error == QAbstractSocket::RemoteHostClosedError)
        return;
    fail(m_socket->errorString(), error == QAbstractSocket::ConnectionRefusedError);
}

} // namespace tavrin
