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
// A plain reply ends only when the server closes, so nothing is gained by waking for each
// segment: the socket reads as ready once this much has gathered, or at the close.
constexpr int readPiece = 512 * 1024;

void wakeForWholePieces(QTcpSocket& socket)
{
#if defined(Q_OS_LINUX)
    const int piece = readPiece;
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
    connect(m_socket, &QTcpSocket::connected, this, &RequestEngine::onConnected);
    connect(m_socket, &QTcpSocket::readyRead, this, &RequestEngine::onReadyRead);
    connect(m_socket, &QTcpSocket::disconnected, this, &RequestEngine::onDisconnected);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &RequestEngine::onError);
    m_deadline->start(m_deadlineMs);
    // Unbuffered: the reply is read from the kernel straight into its own buffer, not first into
    // the socket's. The server's close then shows as a read that fails, not as a signal.
    m_socket->connectToHost(host, port, QIODevice::ReadWrite | QIODevice::Unbuffered);
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
    return settle(m_framer.readFrom(*m_socket));
}

bool RequestEngine::settle(ReplyFramer::Appended appended)
{
    switch (appended) {
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
    if (!m_socket)
        return;
    if (m_socket->bytesAvailable() > 0) {
        takeData();
        return;
    }
    // Readable with nothing to read: the server has closed, or the connection failed. One byte
    // is asked for, as a byte may have come since.
    char byte = 0;
    const qint64 got = m_socket->read(&byte, 1);
    if (got > 0) {
        settle(m_framer.append(QByteArrayView(&byte, 1)));
        return;
    }
    if (got == 0)
        return;
    if (m_socket->error() == QAbstractSocket::RemoteHostClosedError)
        onDisconnected();
    else
        fail(m_socket->errorString(), false);
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
