#pragma once

#include "SimOptions.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>
#include <functional>

class QTcpSocket;

namespace kestrunsim {

// One client connection: gathers the request, answers once, then closes.
class SimConnection : public QObject {
    Q_OBJECT
public:
    // Gets the whole request and returns the bytes to send back.
    using Responder = std::function<QByteArray(const QByteArray& request)>;

    SimConnection(QTcpSocket* socket, const SimOptions& options, Responder responder,
                  QObject* parent = nullptr);

private:
    void onReadyRead();
    void complete();
    void sendReply();
    void sendNextChunk();
    void finish();

    QTcpSocket* m_socket;
    const SimOptions& m_options;
    Responder m_responder;
    QByteArray m_request;
    QByteArray m_reply;
    qsizetype m_sent = 0;
    bool m_completed = false;
    QTimer m_quietTimer;
    QTimer m_timeoutTimer;
};

} // namespace kestrunsim
