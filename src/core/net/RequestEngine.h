#pragma once

#include "core/net/ReplyFramer.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

class QTcpSocket;
class QTimer;

namespace tavrin {

// What a request is for: a status query, a step of either chain, or a single command.
enum class RequestKind : int { Status = 0, PauseAll = 1, ResumeAll = 2, Single = 3 };

// One exchange per connection: connect, send the ID line and the command, gather the reply
// until the server closes. Every exchange ends in exactly one of replyCompleted,
// errorReplyReceived or socketFailed, unless it is abandoned first.
class RequestEngine : public QObject {
    Q_OBJECT
public:
    // A server that accepts and never finishes must not hold the session for longer than this.
    static constexpr int defaultDeadlineMs = 30000;

    explicit RequestEngine(QObject* parent = nullptr);
    ~RequestEngine() override;

    // Abandons the exchange in flight, if any, and starts a new one.
    void startRequest(const QByteArray& command, const QString& host, quint16 port,
                      const QByteArray& uniqueId);
    // Drops the exchange in flight without reporting anything.
    void abandon();
    // True from startRequest until the exchange ends.
    bool isBusy() const;

    void setReplyLimit(qsizetype bytes) { m_framer.setLimit(bytes); }
    void setDeadline(int ms) { m_deadlineMs = ms; }

Q_SIGNALS:
    // The first data of a reply that is not an error reply (what drives the next chain step).
    void replyStarted();
    // The reply is an error reply: reported once, when the server closes (or at the deadline).
    void errorReplyReceived(const QByteArray& message);
    // The server closed the connection; the reply (not an error reply) is complete.
    void replyCompleted(const QByteArray& reply);
    // Any socket failure, an oversized reply or a missed deadline; refused tells a refused
    // connection from the rest.
    void socketFailed(const QString& description, bool refused);

private:
    void onConnected();
    void onReadyRead();
    void onDisconnected();
    void onError();
    void onDeadline();
    bool takeData();
    // Acts on what a read added to the reply; false once the exchange has ended.
    bool settle(ReplyFramer::Appended appended);
    void reportErrorReply();
    void fail(const QString& description, bool refused);
    // Ends the exchange: the socket goes, the timers stop; signals already posted still arrive.
    void endExchange();
    // Signals leave through the event loop, so no handler (and no modal box it opens) runs
    // inside the socket's own notification; a signal of an abandoned exchange is dropped.
    template <typename Emit> void post(Emit emitSignal);

    QPointer<QTcpSocket> m_socket;
    QTimer* m_deadline = nullptr;
    int m_deadlineMs = defaultDeadlineMs;
    quint64 m_serial = 0;
    QByteArray m_command;
    QByteArray m_uniqueId;
    ReplyFramer m_framer;
};

} // namespace tavrin
