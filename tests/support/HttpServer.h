#pragma once

#include <QHostAddress>
#include <QList>
#include <QMap>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>
#include <functional>

namespace tavrin::test {

// A small HTTP/1.1 server on 127.0.0.1 that answers each path as scripted and records the
// exact head of every request.
class HttpServer : public QObject {
public:
    struct Response {
        int status = 200;
        QByteArray reason = "OK";
        QList<std::pair<QByteArray, QByteArray>> headers;
        QByteArray body;
        bool sendLength = true; // without it the end of the body is the end of the connection
        bool neverAnswer = false;
        int trickleBytes = 0; // send the body in pieces this size...
        int trickleMs = 0;    // ...this far apart
    };

    explicit HttpServer(QObject* parent = nullptr) : QObject(parent)
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&m_server, &QTcpServer::newConnection, this, [this] { accept(); });
    }

    quint16 port() const { return m_server.serverPort(); }
    QUrl url(const QString& path) const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(port()).arg(path));
    }
    void route(const QByteArray& path, Response response) { m_routes.insert(path, response); }
    // A 302 to `target`.
    void redirect(const QByteArray& path, const QByteArray& target)
    {
        Response r;
        r.status = 302;
        r.reason = "Found";
        r.headers = {{"Location", target}};
        route(path, r);
    }
    // The heads of the requests, as received.
    const QList<QByteArray>& requests() const { return m_requests; }
    QList<QByteArray> requestedPaths() const
    {
        QList<QByteArray> paths;
        for (const QByteArray& head : m_requests)
            paths.append(head.split(' ').value(1));
        return paths;
    }

private:
    void accept()
    {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            socket->setParent(this);
            auto* received = new QByteArray;
            QObject::connect(socket, &QObject::destroyed, [received] { delete received; });
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, received] {
                *received += socket->readAll();
                const qsizetype end = received->indexOf("\r\n\r\n");
                if (end < 0)
                    return;
                const QByteArray head = received->left(end + 4);
                received->remove(0, end + 4);
                m_requests.append(head);
                answer(socket, head.split(' ').value(1));
            });
        }
    }

    void answer(QTcpSocket* socket, const QByteArray& path)
    {
        Response r;
        if (auto it = m_routes.constFind(path); it != m_routes.constEnd()) {
            r = *it;
        } else {
            r.status = 404;
            r.reason = "Not Found";
            r.body = "<html><body>Not found</body></html>";
        }
        if (r.neverAnswer)
            return;
        QByteArray head = "HTTP/1.1 " + QByteArray::number(r.status) + ' ' + r.reason + "\r\n";
        if (r.sendLength)
            head += "Content-Length: " + QByteArray::number(r.body.size()) + "\r\n";
        // Without a length the connection must close to end the body; with one it stays open.
        if (!r.sendLength)
            head += "Connection: close\r\n";
        for (const auto& [name, value] : r.headers)
            head += name + ": " + value + "\r\n";
        head += "\r\n";
        socket->write(head);
        if (r.trickleBytes <= 0) {
            socket->write(r.body);
            if (!r.sendLength)
                socket->disconnectFromHost();
            return;
        }
        trickle(socket, r.body, 0, r.trickleBytes, r.trickleMs);
    }

    void trickle(QPointer<QTcpSocket> socket, QByteArray body, qsizetype from, int size, int ms)
    {
        if (!socket || socket->state() != QAbstractSocket::ConnectedState)
            return;
        socket->write(body.mid(from, size));
        if (from + size >= body.size()) {
            socket->disconnectFromHost();
            return;
        }
        QTimer::singleShot(ms, socket, [this, socket, body, from, size, ms] {
            trickle(socket, body, from + size, size, ms);
        });
    }

    QTcpServer m_server;
    QMap<QByteArray, Response> m_routes;
    QList<QByteArray> m_requests;
};

} // namespace tavrin::test
