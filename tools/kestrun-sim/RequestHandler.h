#pragma once

#include "StatusReplyWriter.h"

#include <QByteArray>
#include <QByteArrayView>
#include <optional>

namespace kestrunsim {

class TorrentSimulation;

// Turns one complete request ("ID|<id>" LF command) into the reply text, acting on the torrents.
class RequestHandler {
public:
    struct Result {
        QByteArray id;
        QByteArray command;
        QByteArray reply;
    };

    RequestHandler(TorrentSimulation& simulation, int serverVersion,
                   std::optional<QByteArray> uniqueId);

    Result handle(QByteArrayView request);

    static QByteArray errorReply(QByteArrayView message);

private:
    QByteArray execute(QByteArrayView command);
    QByteArray actOnOne(QByteArrayView verb, QByteArrayView id);
    QByteArray setPriority(QByteArrayView argument);

    TorrentSimulation& m_simulation;
    StatusReplyWriter m_statusWriter;
    std::optional<QByteArray> m_uniqueId;
};

} // namespace kestrunsim
