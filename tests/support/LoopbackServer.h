#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <functional>

namespace tavrin::test {

// A scripted server on 127.0.0.1 that records the exact bytes of every request and when it
// arrived, answers through a responder and closes the connection, as the command service does.
class LoopbackServer : public QObject {
public:
    struct Request {
        QByteArray bytes;
        qint64 atMs = 0; // first byte, since the server started
    };
    // The reply to a request; an empty optional keeps the connection open and silent.
    using Responder = std::function<std::optional<QByteArray>(const QByteArray& request)>;

    explicit LoopbackServer(QObject* parent = nullptr) : QObject(parent)
    {
        m_clock.start();
        m_server.listen(QHostAddress::LocalHost, 0);
        m_port = m_server.serverPort();
        QObject::connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                socket->setParent(this);
                auto* c = new Connection(socket);
                QObject::connect(&c->quiet, &QTimer::timeout, socket, [this, c] {
                    record(c);
                    QTimer::singleShot(m_delay, c->socket, [this, c] {
                        if (const auto reply = m_responder ? m_responder(c->received) : "")
                            send(c->socket, *reply, 0);
                    });
                });
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, c] {
                    if (c->firstByteAt < 0)
                        c->firstByteAt = m_clock.elapsed();
                    c->received += c->socket->readAll();
                    if (c->received.contains('\n'))
                        c->quiet.start(30);
                });
                QObject::connect(socket, &QTcpSocket::disconnected, socket, [this, c] {
                    record(c);
                    c->socket->deleteLater();
                });
                QObject::connect(socket, &QObject::destroyed, [c] { delete c; });
            }
        });
    }
    // Open connections go while the server is whole, so their close is recorded as any other.
    // Each is closed before it is deleted, so its close is told while the socket is whole.
    ~LoopbackServer() override
    {
        const QList<QTcpSocket*> sockets = findChildren<QTcpSocket*>();
        for (QTcpSocket* socket : sockets)
            socket->abort();
        qDeleteAll(sockets);
    }

    quint16 port() const { return m_port; }
    // A port on which nothing listens, so connecting is refused.
    static quint16 unusedPort()
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        return probe.serverPort();
    }
    void setResponder(Responder responder) { m_responder = std::move(responder); }
    // Sends each reply in pieces of this many bytes (0: whole), gapMs apart.
    void setChunkSize(int bytes, int gapMs = 5) { m_chunk = {bytes, gapMs}; }
    // Answers each request this long after it has arrived, as a slow server would.
    void setReplyDelay(int ms) { m_delay = ms; }
    // Sends the reply but leaves the connection open, as a stalled server would.
    void setKeepOpen(bool keepOpen) { m_keepOpen = keepOpen; }
    void close() { m_server.close(); }
    // Listens again on the same port, as a server back from a restart.
    bool reopen() { return m_server.listen(QHostAddress::LocalHost, m_port); }

    const QList<Request>& requests() const { return m_requests; }
    QList<QByteArray> requestBytes() const { return m_bytes; }
    qint64 elapsedMs() const { return m_clock.elapsed(); }

private:
    struct Connection {
        explicit Connection(QTcpSocket* s) : socket(s) { quiet.setSingleShot(true); }
        QPointer<QTcpSocket> socket;
        QByteArray received;
        qint64 firstByteAt = -1;
        QTimer quiet; // a request is whole once its line break is followed by a quiet spell
        bool recorded = false;
    };

    void record(Connection* c)
    {
        if (c->recorded || c->received.isEmpty())
            return;
        c->recorded = true;
        m_requests.append({c->received, c->firstByteAt});
        m_bytes.append(c->received);
    }

    void send(QPointer<QTcpSocket> socket, const QByteArray& reply, qsizetype from)
    {
        if (!socket || socket->state() != QAbstractSocket::ConnectedState)
            return;
        const qsizetype piece = m_chunk.first > 0 ? m_chunk.first : reply.size();
        socket->write(reply.mid(from, piece));
        socket->flush();
        if (from + piece < reply.size())
            QTimer::singleShot(m_chunk.second, socket,
                               [=, this] { send(socket, reply, from + piece); });
        else if (!m_keepOpen)
            socket->disconnectFromHost();
    }

    QTcpServer m_server;
    QElapsedTimer m_clock;
    Responder m_responder;
    QList<Request> m_requests;
    QList<QByteArray> m_bytes;
    std::pair<int, int> m_chunk{0, 5}; // bytes per piece (0: whole), milliseconds between
    quint16 m_port = 0;
    int m_delay = 0;
    bool m_keepOpen = false;
};

} // namespace tavrin::test
