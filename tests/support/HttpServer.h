#pragma once

#include <QMap>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

namespace tavrin::test {

// A small HTTP/1.1 server on 127.0.0.1 that answers each path as scripted and records the
// exact head of every request.
class HttpServer : public QObject {
public:
    // Whole: with its length; Unannounced: no length, the close ends the body; Never: no answer;
    // Trickle: one byte every 40 ms; HeaderFlood: header lines without end (16 MiB at most).
    enum class Send { Whole, Unannounced, Never, Trickle, HeaderFlood };

    HttpServer()
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                connect(socket, &QTcpSocket::disconnected, this, [this] { ++m_closed; });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { answer(socket); });
            }
        });
    }

    QUrl url(const QString& path) const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path));
    }
    // `headers`: extra header lines, each ending in CR LF.
    void route(const QByteArray& path, const QByteArray& body, int status = 200,
               Send send = Send::Whole, const QByteArray& headers = {})
    {
        m_routes.insert(path, {body, status, send, headers});
    }
    const QList<QByteArray>& requests() const { return m_requests; }
    // Connections the other side has closed or dropped.
    int closedConnections() const { return m_closed; }

private:
    void answer(QTcpSocket* socket)
    {
        const qsizetype end = socket->peek(socket->bytesAvailable()).indexOf("\r\n\r\n");
        if (end < 0)
            return;
        m_requests.append(socket->read(end + 4));
        const Response r = m_routes.value(m_requests.last().split(' ').value(1),
                                          {"<html>Not found</html>", 404, Send::Whole, {}});
        if (r.send == Send::Never)
            return;
        if (r.send == Send::HeaderFlood) {
            socket->write("HTTP/1.1 200 OK\r\n");
            auto* flood = new QTimer(socket);
            connect(flood, &QTimer::timeout, socket, [socket, flood, sent = qint64(0)]() mutable {
                const QByteArray line = "X-Flood: " + QByteArray(1000, 'a') + "\r\n";
                for (int i = 0; i < 64; ++i)
                    sent += socket->write(line);
                if (sent > (qint64(16) << 20))
                    flood->stop();
            });
            flood->start(1);
            return;
        }
        const QByteArray length = "Content-Length: " + QByteArray::number(r.body.size());
        socket->write("HTTP/1.1 " + QByteArray::number(r.status) + " Status\r\n" + r.headers +
                      (r.send == Send::Unannounced ? "Connection: close" : length) + "\r\n\r\n");
        auto* timer = new QTimer(socket);
        connect(timer, &QTimer::timeout, socket, [r, socket, timer, sent = qsizetype(0)]() mutable {
            sent += socket->write(r.body.mid(sent, r.send == Send::Trickle ? 1 : -1));
            if (sent < r.body.size())
                return;
            timer->stop();
            if (r.send != Send::Whole)
                socket->disconnectFromHost();
        });
        timer->start(r.send == Send::Trickle ? 40 : 0);
    }

    struct Response {
        QByteArray body;
        int status;
        Send send;
        QByteArray headers;
    };
    QTcpServer m_server;
    QMap<QByteArray, Response> m_routes;
    QList<QByteArray> m_requests;
    int m_closed = 0;
};

} // namespace tavrin::test
