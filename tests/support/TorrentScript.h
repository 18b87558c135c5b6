#pragma once

#include "LoopbackServer.h"
#include "StatusRows.h"

#include <QMap>

namespace tavrin::test {

// What a loopback server answers as a command service would: the torrents in status replies
// (version 3 rows: 22 data fields, then the identifier), PAUSE and RESUME change a status, and
// chosen requests get a reply of the test's own.
struct TorrentScript {
    struct Torrent {
        QByteArray id;
        QByteArray status;
        QByteArray priority = "Normal";
        QByteArray down = "1500"; // bytes per second
        QByteArray up = "2500000";
        QByteArray progress = "50%";
    };

    static QByteArray row(const Torrent& t)
    {
        return v3Row(t.id, {{1, "file-" + t.id},
                            {2, t.progress},
                            {3, t.status},
                            {4, t.priority},
                            {7, t.down},
                            {8, t.up}});
    }

    std::optional<QByteArray> answer(const QByteArray& request)
    {
        const QByteArray command = request.mid(request.indexOf('\n') + 1);
        if (replyFor.contains(command))
            return replyFor.value(command);
        QByteArray rows = "Torrents\n";
        for (Torrent& t : torrents) {
            if (command == "PAUSE|" + t.id)
                t.status = "pause";
            else if (command == "RESUME|" + t.id)
                t.status = "WORKING";
            rows += row(t) + '\n';
        }
        return command == "QUERY|" ? rows : QByteArray("Feedback\nOK\n");
    }

    void serve(LoopbackServer& server)
    {
        server.setResponder([this](const QByteArray& request) { return answer(request); });
    }

    QList<Torrent> torrents;
    // Replies for particular commands (after the ID line).
    QMap<QByteArray, QByteArray> replyFor;
};

// The commands of the recorded requests from the n-th on, after their "ID|" line.
inline QList<QByteArray> commandsOf(const LoopbackServer& server, qsizetype from = 0)
{
    QList<QByteArray> list;
    for (const QByteArray& bytes : server.requestBytes().mid(from)) {
        const qsizetype lf = bytes.indexOf('\n');
        list.append(bytes.startsWith("ID|") && lf > 0 ? bytes.mid(lf + 1) : "no ID line: " + bytes);
    }
    return list;
}

} // namespace tavrin::test
