#include "core/links/InstanceChannel.h"

#include "core/links/LinkCheck.h"
#include "core/platform/PathKind.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QTimer>

namespace tavrin::links {

namespace {

// The first line of a hand-over; the links follow one per line and an empty line ends them.
constexpr QByteArrayView greeting = "TAVRIN-LINKS 1\n";
constexpr QByteArrayView accepted = "OK\n";
// No more than this many links in one hand-over, and no more bytes than they can fill.
constexpr int maxLinks = 1000;
constexpr qsizetype maxMessageBytes = greeting.size() + maxLinks * (maxLinkBytes + 1) + 1;

} // namespace

QString defaultChannelName()
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return dir + QStringLiteral("/tavrin-") + QString::number(::getuid()) +
           QStringLiteral(".links");
}

HandOver handOverLinks(const QString& name, const QStringList& links, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(name);
    const QDeadlineTimer deadline(timeoutMs);
    if (!socket.waitForConnected(timeoutMs))
        return {};
    QByteArray message = greeting.toByteArray();
    for (const QString& link : links)
        message += link.toUtf8() + '\n';
    message += '\n';
    socket.write(message);
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(int(std::max<qint64>(1, deadline.remainingTime()))))
            return {HandOver::Outcome::Failed,
                    QStringLiteral("the running Tavrin did not take the links: ") +
                        socket.errorString()};
    }
    QByteArray answer;
    while (answer.size() < accepted.size() && !deadline.hasExpired()) {
        if (!socket.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime()))))
            break;
        answer += socket.read(accepted.size() - answer.size());
    }
    if (answer != accepted)
        return {HandOver::Outcome::Failed,
                QStringLiteral("the running Tavrin did not confirm the links")};
    return {HandOver::Outcome::Handed, {}};
}

LinkReceiver::LinkReceiver(QObject* parent) : QObject(parent), m_server(new QLocalServer(this))
{
    // Only this user may hand links over.
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &LinkReceiver::onNewConnection);
}

LinkReceiver::~LinkReceiver() = default;

bool LinkReceiver::isListening() const
{
    return m_server->isListening();
}

bool LinkReceiver::listen(const QString& name)
{
    // Qt's listen() puts its socket in place by renaming, which would replace whatever is at the
    // path: a live Tavrin's socket or a file that is not ours. So the path is looked at first.
    if (const PathKind kind = pathKind(name); kind != PathKind::Nothing) {
        if (kind != PathKind::Socket) {
            m_error = QStringLiteral("%1 is not a socket; it was left alone").arg(name);
            return false;
        }
        QLocalSocket probe;
        probe.connectToServer(name);
        if (probe.waitForConnected(2000)) {
            m_error = QStringLiteral("another Tavrin receives them");
            return false;
        }
        // Nobody answers: the socket file was left by a Tavrin that ended without cleaning up.
        QFile::remove(name);
    }
    if (m_server->listen(name))
        return true;
    m_error = m_server->errorString();
    return false;
}

void LinkReceiver::onNewConnection()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        socket->setParent(this);
        socket->setReadBufferSize(64 * 1024);
        auto* timer = new QTimer(socket);
        timer->setSingleShot(true);
        connect(timer, &QTimer::timeout, socket, &QLocalSocket::abort);
        timer->start(m_timeoutMs);
        socket->setProperty("received", QByteArray());
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readFrom(socket); });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        readFrom(socket);
    }
}

void LinkReceiver::readFrom(QLocalSocket* socket)
{
    QByteArray received = socket->property("received").toByteArray();
    received += socket->read(maxMessageBytes + 1 - received.size());
    const auto drop = [socket] {
        socket->abort();
        socket->deleteLater();
    };
    if (!QByteArrayView(received).startsWith(
            greeting.first(std::min<qsizetype>(received.size(), greeting.size())))) {
        drop();
        return;
    }
    if (received.size() > maxMessageBytes) {
        drop();
        return;
    }
    if (!received.endsWith("\n\n") || received.size() <= greeting.size()) {
        socket->setProperty("received", received);
        return;
    }
    socket->setProperty("received", QByteArray());
    QStringList links;
    for (QByteArrayView rest = QByteArrayView(received).sliced(greeting.size()); !rest.isEmpty();) {
        const qsizetype end = rest.indexOf('\n');
        if (end > 0)
            links.append(QString::fromUtf8(rest.first(end)));
        rest = rest.sliced(end + 1);
    }
    if (links.size() > maxLinks) {
        drop();
        return;
    }
    const Checked checked = check(links);
    if (!checked.refusal.isEmpty())
        Q_EMIT linkRefused(checked.refusal);
    socket->write(accepted.data(), accepted.size());
    socket->disconnectFromServer();
    if (!checked.good.isEmpty())
        Q_EMIT linksReceived(checked.good);
}

} // namespace tavrin::links
