#include "CommandLine.h"
#include "SimServer.h"
#include "StatusReplyWriter.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSet>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <functional>
#include <limits>
#include <memory>

using namespace kestrunsim;

namespace {

using Row = QList<QByteArray>;

// Version 3 row positions (1-based) that the tests read.
enum V3Field { FileName = 1, Progress = 2, Status = 3, Priority = 4, Eta = 5, DlSpeed = 7 };
constexpr int v3DlSize = 15;
constexpr int v3UlSize = 16;
constexpr int v3TorrentName = 18;

struct Exchange {
    QByteArray reply;
    int pieces = 0;
    bool closedByServer = false;
    qint64 elapsedMs = 0;
};

// A plain client: connect, send the pieces (gapMs apart), gather everything until the server
// closes.
Exchange exchange(quint16 port, const QList<QByteArray>& pieces, int gapMs = 0)
{
    Exchange result;
    QTcpSocket socket;
    QElapsedTimer timer;
    qsizetype next = 0;
    std::function<void()> sendNext = [&] {
        if (next >= pieces.size() || socket.state() != QAbstractSocket::ConnectedState)
            return;
        socket.write(pieces[next++]);
        if (next < pieces.size())
            QTimer::singleShot(gapMs, &socket, sendNext);
    };
    QObject::connect(&socket, &QTcpSocket::connected, sendNext);
    QObject::connect(&socket, &QTcpSocket::readyRead, [&] {
        result.reply += socket.readAll();
        ++result.pieces;
    });
    QSignalSpy closed(&socket, &QTcpSocket::disconnected);
    timer.start();
    socket.connectToHost(QHostAddress::LocalHost, port);
    result.closedByServer = closed.wait(5000);
    result.elapsedMs = timer.elapsed();
    result.reply += socket.readAll();
    return result;
}

Exchange exchange(quint16 port, const QByteArray& command, const QByteArray& id = "tester")
{
    return exchange(port, QList<QByteArray>{"ID|" + id + '\n' + command});
}

QList<Row> statusRows(const QByteArray& reply)
{
    QList<Row> rows;
    const QList<QByteArray> lines = reply.split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        if (!lines[i].isEmpty())
            rows.append(lines[i].split('|'));
    }
    return rows;
}

std::optional<Row> rowOf(const QList<Row>& rows, const QByteArray& id)
{
    for (const Row& row : rows) {
        if (row.last() == id)
            return row;
    }
    return std::nullopt;
}

QByteArray field(const Row& row, int position)
{
    return row.value(position - 1);
}

// The controller reads numeric fields as 32-bit integers.
bool fitsInt32(const QByteArray& text)
{
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    return ok && value >= 0 && value <= std::numeric_limits<qint32>::max();
}

} // namespace

class TestSimulator : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<SimServer> start(SimOptions options = {})
    {
        options.port = 0;
        options.logRequests = false;
        auto server = std::make_unique<SimServer>(options);
        server->setClock([this] { return m_clockMs; });
        if (!server->listen())
            return nullptr;
        return server;
    }

    QList<Row> query(SimServer& server)
    {
        return statusRows(exchange(server.port(), "QUERY|").reply);
    }

    // The id of a fresh torrent that is downloading, so every status change is visible.
    QByteArray addWorking(SimServer& server, const QByteArray& link = "http://x.test/a.torrent")
    {
        const QByteArray reply = exchange(server.port(), "ADD|" + link).reply;
        return reply.startsWith("Feedback\nOK ") ? reply.sliced(12) : QByteArray();
    }

    qint64 m_clockMs = 0;

private Q_SLOTS:
    void init() { m_clockMs = 0; }

    void statusLayout_data()
    {
        QTest::addColumn<int>("version");
        QTest::addColumn<int>("torrents");
        QTest::addColumn<int>("dataFields");
        QTest::addColumn<int>("statusField");
        QTest::addColumn<int>("priorityField");
        QTest::addColumn<QList<int>>("numericFields");
        const QList<int> v3Numbers{6, 7, 8, 11, 12, 15, 16, 17, 21};
        const QList<int> v2Numbers{5, 6, 7, 9, 10, 12, 13, 15};
        QTest::newRow("version 3") << 3 << 25 << 22 << 3 << 4 << v3Numbers;
        QTest::newRow("version 2") << 2 << 25 << 15 << 3 << 0 << v2Numbers;
        QTest::newRow("version 3, 10000 torrents") << 3 << 10000 << 22 << 3 << 4 << v3Numbers;
        QTest::newRow("no torrents") << 3 << 0 << 22 << 3 << 4 << v3Numbers;
    }

    void statusLayout()
    {
        QFETCH(int, version);
        QFETCH(int, torrents);
        QFETCH(int, dataFields);
        QFETCH(int, statusField);
        QFETCH(int, priorityField);
        QFETCH(QList<int>, numericFields);
        SimOptions options;
        options.serverVersion = version;
        options.torrents = torrents;
        auto server = start(options);
        QVERIFY(server);

        const Exchange result = exchange(server->port(), "QUERY|");
        QVERIFY(result.closedByServer);
        QVERIFY(result.reply.endsWith('\n'));
        QVERIFY(!result.reply.startsWith("Feedback\nError="));
        const QList<Row> rows = statusRows(result.reply);
        QCOMPARE(rows.size(), torrents);

        const QSet<QByteArray> statuses{"WORKING", "COMPLETED/SEEDING", "pause", "STOP", "QUEUE"};
        const QSet<QByteArray> priorities{"Highest", "High", "Normal", "Low", "Lowest"};
        const QRegularExpression idPattern(QStringLiteral("^T\\d+$"));
        QSet<QByteArray> ids;
        QSet<QByteArray> seenStatuses;
        for (const Row& row : rows) {
            QCOMPARE(row.size(), dataFields + 1);
            QVERIFY2(idPattern.match(QString::fromLatin1(row.last())).hasMatch(), row.last());
            ids.insert(row.last());
            QVERIFY2(statuses.contains(field(row, statusField)), field(row, statusField));
            seenStatuses.insert(field(row, statusField));
            if (priorityField > 0)
                QVERIFY(priorities.contains(field(row, priorityField)));
            QVERIFY(field(row, Progress).endsWith('%'));
            for (int position : numericFields)
                QVERIFY2(fitsInt32(field(row, position)), field(row, position));
        }
        QCOMPARE(ids.size(), torrents);
        if (torrents >= 20)
            QCOMPARE(seenStatuses, statuses);
    }

    void singleTorrentCommand_data()
    {
        QTest::addColumn<QList<QByteArray>>("verbs");
        QTest::addColumn<int>("position");
        QTest::addColumn<QByteArray>("expected");
        using L = QList<QByteArray>;
        QTest::newRow("pause") << L{"PAUSE|%1"} << int(Status) << QByteArray("pause");
        QTest::newRow("stop") << L{"STOP|%1"} << int(Status) << QByteArray("STOP");
        QTest::newRow("queue") << L{"QUEUE|%1"} << int(Status) << QByteArray("QUEUE");
        QTest::newRow("resume after pause")
            << L{"PAUSE|%1", "RESUME|%1"} << int(Status) << QByteArray("WORKING");
        QTest::newRow("resume after stop")
            << L{"STOP|%1", "RESUME|%1"} << int(Status) << QByteArray("WORKING");
        QTest::newRow("paused has no speed") << L{"PAUSE|%1"} << int(DlSpeed) << QByteArray("0");
        QTest::newRow("paused has no eta") << L{"PAUSE|%1"} << int(Eta) << QByteArray("-");
        const char* words[] = {"Highest", "High", "Normal", "Low", "Lowest"};
        for (int code = 0; code < 5; ++code) {
            QTest::addRow("priority %d", code) << L{"PRIORITY|%1," + QByteArray::number(code)}
                                               << int(Priority) << QByteArray(words[code]);
        }
    }

    void singleTorrentCommand()
    {
        QFETCH(QList<QByteArray>, verbs);
        QFETCH(int, position);
        QFETCH(QByteArray, expected);
        auto server = start();
        QVERIFY(server);
        const QByteArray id = addWorking(*server);
        QVERIFY(!id.isEmpty());
        for (QByteArray command : verbs) {
            command.replace("%1", id);
            QCOMPARE(exchange(server->port(), command).reply, "Feedback\nOK " + id);
        }
        const QList<Row> rows = query(*server);
        const auto row = rowOf(rows, id);
        QVERIFY(row);
        QCOMPARE(field(*row, position), expected);
        // The other torrents are left alone.
        QCOMPARE(rows.size(), 26);
    }

    void resumeCompletedGoesBackToSeeding()
    {
        auto server = start();
        QVERIFY(server);
        const QByteArray id = addWorking(*server);
        m_clockMs = 1'000'000'000;
        QCOMPARE(field(*rowOf(query(*server), id), Status), "COMPLETED/SEEDING");
        exchange(server->port(), "PAUSE|" + id);
        QCOMPARE(field(*rowOf(query(*server), id), Status), "pause");
        exchange(server->port(), "RESUME|" + id);
        QCOMPARE(field(*rowOf(query(*server), id), Status), "COMPLETED/SEEDING");
    }

    void deleteOneAndIdsNeverReused()
    {
        auto server = start();
        QVERIFY(server);
        const QByteArray first = addWorking(*server);
        QCOMPARE(exchange(server->port(), "DELETE|" + first).reply, "Feedback\nOK " + first);
        const QList<Row> rows = query(*server);
        QCOMPARE(rows.size(), 25);
        QVERIFY(!rowOf(rows, first));
        const QByteArray second = addWorking(*server);
        QVERIFY(second != first);
        QVERIFY(second.sliced(1).toInt() > first.sliced(1).toInt());
        QCOMPARE(exchange(server->port(), "PAUSE|" + first).reply,
                 "Feedback\nError=Unknown torrent " + first);
    }

    void bulkCommand_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QByteArray>("status");
        QTest::newRow("stop all") << QByteArray("STOP|ALL") << QByteArray("STOP");
        QTest::newRow("queue all") << QByteArray("QUEUE|ALL") << QByteArray("QUEUE");
    }

    void bulkCommand()
    {
        QFETCH(QByteArray, command);
        QFETCH(QByteArray, status);
        auto server = start();
        QVERIFY(server);
        QCOMPARE(exchange(server->port(), command).reply, "Feedback\nOK 25 torrents");
        const QList<Row> rows = query(*server);
        QCOMPARE(rows.size(), 25);
        for (const Row& row : rows)
            QCOMPARE(field(row, Status), status);
    }

    void deleteCompletedKeepsTheRest()
    {
        auto server = start();
        QVERIFY(server);
        exchange(server->port(), "PAUSE|T1013"); // complete but no longer seeding
        const QList<Row> before = query(*server);
        QList<QByteArray> kept;
        for (const Row& row : before) {
            if (field(row, Progress) != "100.0%")
                kept.append(row.last());
        }
        QVERIFY(kept.size() < before.size());
        QVERIFY(!kept.isEmpty());

        const int removed = int(before.size() - kept.size());
        QCOMPARE(exchange(server->port(), "DELETE|COMPLETED").reply,
                 "Feedback\nOK " + QByteArray::number(removed) + " torrents");
        QList<QByteArray> after;
        for (const Row& row : query(*server))
            after.append(row.last());
        QCOMPARE(after, kept);
    }

    void addLink_data()
    {
        QTest::addColumn<QByteArray>("link");
        QTest::addColumn<QByteArray>("fileName");
        QTest::addColumn<QByteArray>("torrentName");
        QTest::newRow("http") << QByteArray("http://t.example.org/get/debian-12.iso.torrent?k=1")
                              << QByteArray("debian-12.iso")
                              << QByteArray("http://t.example.org/get/debian-12.iso.torrent?k=1");
        QTest::newRow("magnet") << QByteArray("magnet:?xt=urn:btih:0a1b&dn=My+Film%20(2019).mkv")
                                << QByteArray("My Film (2019).mkv")
                                << QByteArray("magnet:?xt=urn:btih:0a1b&dn=My+Film%20(2019).mkv");
        QTest::newRow("latin-1 bytes") << QByteArray("C:\\T\\f\xEAte \xE0 Z\xFCrich.torrent")
                                       << QByteArray("f\xEAte \xE0 Z\xFCrich")
                                       << QByteArray("C:\\T\\f\xEAte \xE0 Z\xFCrich.torrent");
        QTest::newRow("utf-8 bytes") << QByteArray("\xD0\xBA\xD0\xBD\xD0\xB8\xD0\xB3\xD0\xB0.epub")
                                     << QByteArray("\xD0\xBA\xD0\xBD\xD0\xB8\xD0\xB3\xD0\xB0.epub")
                                     << QByteArray("\xD0\xBA\xD0\xBD\xD0\xB8\xD0\xB3\xD0\xB0.epub");
        QTest::newRow("separators kept out of the row")
            << QByteArray("a|b\nc.torrent") << QByteArray("a_b_c") << QByteArray("a_b_c.torrent");
    }

    void addLink()
    {
        QFETCH(QByteArray, link);
        QFETCH(QByteArray, fileName);
        QFETCH(QByteArray, torrentName);
        auto server = start();
        QVERIFY(server);
        const QByteArray id = addWorking(*server, link);
        QVERIFY(!id.isEmpty());
        const QList<Row> rows = query(*server);
        QCOMPARE(rows.size(), 26);
        const auto row = rowOf(rows, id);
        QVERIFY(row);
        QCOMPARE(row->size(), 23);
        QCOMPARE(field(*row, FileName), fileName);
        QCOMPARE(field(*row, v3TorrentName), torrentName);
        QCOMPARE(field(*row, Status), "WORKING");
        QCOMPARE(field(*row, Priority), "Normal");
    }

    void errorReply_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("message");
        QTest::newRow("unknown verb")
            << QByteArray("ID|u\nFETCH|x") << QByteArray("Unknown command FETCH|x");
        QTest::newRow("no bar") << QByteArray("ID|u\nQUERY") << QByteArray("Unknown command QUERY");
        QTest::newRow("lower case")
            << QByteArray("ID|u\nquery|") << QByteArray("Unknown command query|");
        QTest::newRow("query with line end")
            << QByteArray("ID|u\nQUERY|\n") << QByteArray("Unexpected text after QUERY|");
        QTest::newRow("empty add") << QByteArray("ID|u\nADD|") << QByteArray("No link given");
        QTest::newRow("pause unknown")
            << QByteArray("ID|u\nPAUSE|T77") << QByteArray("Unknown torrent T77");
        QTest::newRow("delete unknown")
            << QByteArray("ID|u\nDELETE|t1000") << QByteArray("Unknown torrent t1000");
        QTest::newRow("identifier with CR")
            << QByteArray("ID|u\nSTOP|T1000\r") << QByteArray("Unknown torrent T1000\r");
        QTest::newRow("non-ASCII identifier")
            << QByteArray("ID|u\nRESUME|T\xE9\xFF") << QByteArray("Unknown torrent T\xE9\xFF");
        QTest::newRow("pause all is not a command")
            << QByteArray("ID|u\nPAUSE|ALL") << QByteArray("Unknown torrent ALL");
        QTest::newRow("priority code out of range")
            << QByteArray("ID|u\nPRIORITY|T1000,5") << QByteArray("Bad priority code 5");
        QTest::newRow("priority without comma")
            << QByteArray("ID|u\nPRIORITY|T1000")
            << QByteArray("PRIORITY needs an identifier, a comma and a code");
        QTest::newRow("priority unknown")
            << QByteArray("ID|u\nPRIORITY|T9,1") << QByteArray("Unknown torrent T9");
        QTest::newRow("no ID line") << QByteArray("QUERY|") << QByteArray("Missing ID line");
        QTest::newRow("no command") << QByteArray("ID|u\n") << QByteArray("Missing command");
        QTest::newRow("ID line never ends") << QByteArray("ID|u") << QByteArray("Missing command");
    }

    void errorReply()
    {
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, message);
        auto server = start();
        QVERIFY(server);
        const Exchange result = exchange(server->port(), QList<QByteArray>{request});
        QVERIFY(result.closedByServer);
        QCOMPARE(result.reply, "Feedback\nError=" + message);
        QCOMPARE(query(*server).size(), 25);
    }

    void uniqueId_data()
    {
        QTest::addColumn<QByteArray>("serverId");
        QTest::addColumn<QByteArray>("requestId");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("same") << QByteArray("secret") << QByteArray("secret") << true;
        QTest::newRow("other") << QByteArray("secret") << QByteArray("Secret") << false;
        QTest::newRow("empty sent") << QByteArray("secret") << QByteArray() << false;
        QTest::newRow("empty expected") << QByteArray() << QByteArray() << true;
        QTest::newRow("non-ASCII") << QByteArray("cl\xE9") << QByteArray("cl\xE9") << true;
        QTest::newRow("any when unset") << QByteArray("*") << QByteArray("whatever") << true;
    }

    void uniqueId()
    {
        QFETCH(QByteArray, serverId);
        QFETCH(QByteArray, requestId);
        QFETCH(bool, accepted);
        SimOptions options;
        if (serverId != "*")
            options.uniqueId = serverId;
        auto server = start(options);
        QVERIFY(server);
        QSignalSpy served(server.get(), &SimServer::requestServed);
        const QByteArray reply = exchange(server->port(), "QUERY|", requestId).reply;
        if (accepted)
            QCOMPARE(statusRows(reply).size(), 25);
        else
            QCOMPARE(reply, "Feedback\nError=Wrong ID " + requestId);
        QCOMPARE(served.size(), 1);
        QCOMPARE(served.first().at(0).toByteArray(), requestId);
        QCOMPARE(served.first().at(1).toByteArray(), QByteArray("QUERY|"));
    }

    void requestFraming_data()
    {
        QTest::addColumn<QList<QByteArray>>("pieces");
        QTest::addColumn<int>("gapMs");
        using L = QList<QByteArray>;
        QTest::newRow("one piece") << L{"ID|a\nSTOP|T1001"} << 0;
        QTest::newRow("id line then command") << L{"ID|a\n", "STOP|T1001"} << 10;
        QTest::newRow("byte by byte") << L{"I", "D|a", "\nST", "OP|", "T10", "01"} << 5;
    }

    void requestFraming()
    {
        QFETCH(QList<QByteArray>, pieces);
        QFETCH(int, gapMs);
        auto server = start();
        QVERIFY(server);
        const Exchange result = exchange(server->port(), pieces, gapMs);
        QVERIFY(result.closedByServer);
        QCOMPARE(result.reply, "Feedback\nOK T1001");
        QCOMPARE(field(*rowOf(query(*server), "T1001"), Status), "STOP");
    }

    void chunkedReplyReassembles()
    {
        SimOptions options;
        options.torrents = 4;
        auto plain = start(options);
        options.chunkSize = 64;
        auto chunked = start(options);
        QVERIFY(plain && chunked);
        m_clockMs = 5000;
        const Exchange whole = exchange(plain->port(), "QUERY|");
        const Exchange pieces = exchange(chunked->port(), "QUERY|");
        QVERIFY(pieces.closedByServer);
        QVERIFY(whole.reply.size() > 4 * 64);
        QCOMPARE(pieces.reply, whole.reply);
        QVERIFY2(pieces.pieces > 1, QByteArray::number(pieces.pieces));
        QCOMPARE(exchange(chunked->port(), "NOPE|").reply, "Feedback\nError=Unknown command NOPE|");
    }

    void crlfLineEnds()
    {
        auto plain = start();
        SimOptions options;
        options.crlf = true;
        auto crlf = start(options);
        QVERIFY(plain && crlf);
        QByteArray expected = exchange(plain->port(), "QUERY|").reply;
        expected.replace("\n", "\r\n");
        const QByteArray reply = exchange(crlf->port(), "QUERY|").reply;
        QCOMPARE(reply, expected);
        QCOMPARE(statusRows(reply).first().last(), "T1000\r");
        QCOMPARE(exchange(crlf->port(), "PAUSE|T0").reply, "Feedback\r\nError=Unknown torrent T0");
    }

    void refuseClosesWithoutReply()
    {
        SimOptions options;
        options.refuse = true;
        auto server = start(options);
        QVERIFY(server);
        QSignalSpy served(server.get(), &SimServer::requestServed);
        const Exchange result = exchange(server->port(), "STOP|ALL");
        QVERIFY(result.closedByServer);
        QVERIFY(result.reply.isEmpty());
        QCOMPARE(served.size(), 0);
    }

    void delayHoldsTheReply()
    {
        SimOptions options;
        options.delayMs = 300;
        auto server = start(options);
        QVERIFY(server);
        QSignalSpy served(server.get(), &SimServer::requestServed);
        const Exchange result = exchange(server->port(), "PAUSE|T1000");
        QVERIFY(result.closedByServer);
        QCOMPARE(result.reply, "Feedback\nOK T1000");
        // A lower bound only: the reply may come late on a busy machine, never early.
        QVERIFY2(result.elapsedMs >= 300, QByteArray::number(result.elapsedMs));
        QCOMPARE(served.size(), 1);
    }

    void progressFollowsTheClock()
    {
        auto server = start();
        QVERIFY(server);
        const QByteArray id = addWorking(*server);
        const QByteArray paused = addWorking(*server, "magnet:?dn=held");
        exchange(server->port(), "PAUSE|" + paused);

        Row row = *rowOf(query(*server), id);
        QCOMPARE(field(row, Progress), "0.0%");
        QCOMPARE(field(row, v3DlSize), "0");
        const qint64 speed = field(row, DlSpeed).toLongLong();
        QVERIFY(speed > 0);
        QVERIFY(field(row, Eta) != "-");

        m_clockMs = 10'000;
        row = *rowOf(query(*server), id);
        const qint64 downloaded = field(row, v3DlSize).toLongLong();
        QVERIFY(downloaded > 0);
        QCOMPARE(field(row, Status), "WORKING");
        QCOMPARE(field(*rowOf(query(*server), paused), v3DlSize), "0");

        m_clockMs = 20'000;
        row = *rowOf(query(*server), id);
        QVERIFY(field(row, v3DlSize).toLongLong() > downloaded);

        m_clockMs = 1'000'000'000;
        row = *rowOf(query(*server), id);
        QCOMPARE(field(row, Progress), "100.0%");
        QCOMPARE(field(row, Status), "COMPLETED/SEEDING");
        QCOMPARE(field(row, DlSpeed), "0");
        QCOMPARE(field(row, Eta), "-");
        QCOMPARE(field(row, v3DlSize), field(row, 6));
        QVERIFY2(fitsInt32(field(row, v3UlSize)), field(row, v3UlSize));
        QCOMPARE(field(*rowOf(query(*server), paused), Status), "pause");
    }

    void durationText_data()
    {
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("seconds") << qint64(45) << QByteArray("45s");
        QTest::newRow("minutes") << qint64(725) << QByteArray("12m 05s");
        QTest::newRow("hours") << qint64(3720) << QByteArray("1h 02m");
        QTest::newRow("days") << qint64(2 * 86400 + 3 * 3600 + 59) << QByteArray("2d 03h");
        QTest::newRow("unknown") << qint64(-1) << QByteArray("-");
    }

    void durationText()
    {
        QFETCH(qint64, seconds);
        QFETCH(QByteArray, text);
        QCOMPARE(StatusReplyWriter::durationText(seconds), text);
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("valid");
        QTest::newRow("defaults") << QStringList{} << true;
        QTest::newRow("all options")
            << QStringList{"--port",  "0", "--version", "2",  "--torrents", "10000",   "--id", "me",
                           "--chunk", "3", "--delay",   "50", "--crlf",     "--refuse"}
            << true;
        QTest::newRow("version 4") << QStringList{"--version", "4"} << false;
        QTest::newRow("port too big") << QStringList{"--port", "70000"} << false;
        QTest::newRow("negative torrents") << QStringList{"--torrents", "-1"} << false;
        QTest::newRow("chunk not a number") << QStringList{"--chunk", "abc"} << false;
        QTest::newRow("unknown option") << QStringList{"--fast"} << false;
        QTest::newRow("stray argument") << QStringList{"56667"} << false;
    }

    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, valid);
        arguments.prepend(QStringLiteral("kestrun-sim"));
        CommandLine commandLine;
        QCOMPARE(commandLine.parse(arguments), valid);
        QCOMPARE(commandLine.errorText().isEmpty(), valid);
        if (valid && arguments.size() > 1) {
            const SimOptions& o = commandLine.options();
            QCOMPARE(o.port, quint16(0));
            QCOMPARE(o.serverVersion, 2);
            QCOMPARE(o.torrents, 10000);
            QCOMPARE(o.uniqueId.value_or("?"), QByteArray("me"));
            QCOMPARE(o.chunkSize, 3);
            QCOMPARE(o.delayMs, 50);
            QVERIFY(o.crlf && o.refuse);
        } else if (valid) {
            QCOMPARE(commandLine.options().port, quint16(56667));
            QCOMPARE(commandLine.options().serverVersion, 3);
            QVERIFY(!commandLine.options().uniqueId);
        }
    }
};

QTEST_GUILESS_MAIN(TestSimulator)
#include "tst_simulator.moc"
