#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

class QTcpSocket;
class QTimer;

namespace tavrin {

enum class RequestKind : int { Status = 0, PauseAll = 1, ResumeAll = 2, Single = 3 };

// One request per connection: connect, send the ID line and the command, gather the reply
// until the server closes. Starting a request abandons the one in flight.
class RequestEngine : public QObject {
    Q_OBJECT
public:
    // A misbehaving server must not make the reply grow without bound.
    static constexpr qsizetype defaultReplyLimit = 64 * 1024 * 1024;

    explicit RequestEngine(QObject* parent = nullptr);
    ~RequestEngine() override;

    void startRequest(RequestKind kind, const QByteArray& command, const QString& host,
                      quint16 port, const QByteArray& uniqueId);
    // Drops the exchange in flight without reporting anything.
    void abandon();

    RequestKind requestKind() const { return m_kind; }
    void setRequestKind(RequestKind kind) { m_kind = kind; }
    const QByteArray& pendingCommand() const { return m_pendingCommand; }
    const QByteArray& receiveBuffer() const { return m_buffer; }
    void setReplyLimit(qsizetype bytes) { m_replyLimit = bytes; }
    // The reply in flight has been recognised as an error reply (reported once it is whole).
    bool errorRecognised() const { return m_errorReported; }

Q_SIGNALS:
    // The first data of a reply has arrived (what drives the next step of a chain).
    void firstDataArrived(tavrin::RequestKind kind);
    // The reply starts with the error prefix; reported once per reply, with the whole message
    // once the server closes or falls quiet.
    void errorReplyReceived(const QByteArray& message);
    // The server closed the connection; the reply is complete.
    void replyCompleted(tavrin::RequestKind kind, const QByteArray& reply, bool wasErrorReply);
    // Any socket failure; refused tells a refused connection from the rest.
    void socketFailed(const QString& description, bool refused);

private:
    void onConnected();
    void onReadyRead();
    void onDisconnected();
    void onError();
    void reportErrorReply();
    void dropSocket();
    bool takeData();
    // Signals leave through the event loop, so no handler (and no modal box it opens) runs
    // inside the socket's own notification; a signal of an abandoned exchange is dropped.
    template <typename Emit> void post(Emit emitSignal);

    QPointer<QTcpSocket> m_socket;
    QTimer* m_errorQuiet = nullptr;
    quint64 m_serial = 0;
    RequestKind m_kind = RequestKind::Status;
    QByteArray m_pendingCommand;
    QByteArray m_uniqueId;
    QByteArray m_buffer;
    bool m_dataSeen = false;
    bool m_errorReported = false;
    qsizetype m_replyLimit = defaultReplyLimit;
};

} // namespace tavrin
