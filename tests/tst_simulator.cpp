// The simulator started from its command line and probed over TCP as the programs probe it.
#include "CommandLine.h"
#include "SimServer.h"

#include <QTcpSocket>
#include <QTest>

using namespace kestrunsim;
using B = QByteArray;
using L = QList<QByteArray>;

// Sends the pieces 5 ms apart, then gathers the reply until the server closes; a connection
// still open after a minute ends the reply with "<open>", so exact comparisons catch it.
static B send(quint16 port, const L& pieces)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    for (const B& piece : pieces)
        socket.write(piece), QTest::qWait(5);
    const auto closed = [&] { return socket.state() == QAbstractSocket::UnconnectedState; };
    return QTest::qWaitFor(closed, 60000) ? socket.readAll() : socket.readAll() + "<open>";
}

class TestSimulator : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Each row starts the simulator with its command line (after --port=0) and runs its steps:
    // "@MS" sets the clock; "?F,F" gives fields (1-based) of the torrent added last ("^"); "!RAW"
    // sends raw bytes, "~" splitting pieces; anything else is a command with ID "t". Every request
    // before the last must succeed; the last value is compared. A refused command line compares
    // its error text.
    void script_data()
    {
        QTest::addColumn<L>("steps");
        QTest::addColumn<B>("expected");
        QTest::addColumn<B>("arguments");
        const auto row = [](const char* n, L s, B x, B o = {}) { QTest::newRow(n) << s << x << o; };
        const B e = "Feedback\nError=", ok = "Feedback\nOK ", a = "ADD|a", end = "@1000000000";
        row("version 2", {a, "?3,16"}, "WORKING|^", "--version 2");
        row("unknown verb", {"FETCH|x"}, e + "Unknown command FETCH|x");
        row("wrong ID", {"!ID|Secret\nQUERY|"}, e + "Wrong ID Secret", "--id secret");
        row("byte by byte", {"!I~D|a~\nST~OP|~T10~01"}, ok + "T1001");
        row("crlf", {"PAUSE|T0"}, "Feedback\r\nError=Unknown torrent T0", "--crlf");
        row("version 4", {}, "--version must be a whole number from 2 to 3", "--version 4");
        row("pause", {a, "PAUSE|^", "?3,5,7"}, "pause|-|0");
        row("added", {a, "?2,3,4,15,16"}, "0.0%|WORKING|Normal|0 B|0 B");
        row("complete", {a, end, "?2,3,6,15,16"},
            "100.0%|COMPLETED/SEEDING|4.77 GB|4.77 GB|86.3 GB");
        row("not done yet at the usual speed", {a, "@100000", "?3"}, "WORKING");
        row("done sooner, faster", {a, "@100000", "?3"}, "COMPLETED/SEEDING", "--speed 1000");
        row("speed 0", {}, "--speed must be a whole number from 1 to 100000", "--speed 0");
        row("stop all", {a, "STOP|ALL", "?3"}, "STOP");
        row("delete completed", {"PAUSE|T1013", "DELETE|COMPLETED"}, ok + "4 torrents");
        row("magnet", {"ADD|magnet:?dn=My+Film%20(2019).mkv", "?1"}, "My Film (2019).mkv");
        row("separators", {"ADD|a|b\nc.torrent", "?1,18"}, "a_b_c|a_b_c.torrent");
    }

    void script()
    {
        QFETCH(L, steps);
        QFETCH(B, expected);
        QFETCH(B, arguments);
        CommandLine line;
        const bool ok =
            line.parse(QString("s --port=0 " + arguments).split(' ', Qt::SkipEmptyParts));
        QCOMPARE(line.errorText().toUtf8(), ok ? B() : expected);
        if (!ok)
            return;
        SimOptions options = line.options();
        options.logRequests = false;
        SimServer server(options);
        qint64 now = 0;
        server.setClock([&now] { return now; });
        QVERIFY(server.listen());
        B id, value;
        for (qsizetype i = 0; i < steps.size(); ++i) {
            const B step = B(steps[i]).replace('^', id);
            if (step.startsWith('@')) {
                now = step.mid(1).toLongLong();
            } else if (step.startsWith('?')) {
                L picked;
                for (const B& r : send(server.port(), {"ID|t\nQUERY|"}).split('\n'))
                    for (const B& n : r.endsWith('|' + id) ? step.mid(1).split(',') : L())
                        picked.append(r.split('|').value(n.toInt() - 1));
                value = picked.join('|');
            } else {
                value = send(server.port(),
                             step[0] == '!' ? step.mid(1).split('~') : L{"ID|t\n" + step});
                QVERIFY2(i + 1 == steps.size() || value.startsWith("Feedback\nOK "), value);
                id = step.startsWith("ADD|") ? value.mid(12) : id;
            }
        }
        QCOMPARE(value, expected.replace('^', id));

        // Whatever happened, every row keeps the layout of its version.
        const B query = "ID|" + options.uniqueId.value_or("t") + "\nQUERY|";
        for (const B& line : send(server.port(), {query}).split('\n').mid(1))
            QVERIFY2(line.isEmpty() || line.count('|') == (options.serverVersion == 3 ? 22 : 15),
                     line);
    }
};

QTEST_GUILESS_MAIN(TestSimulator)
#include "tst_simulator.moc"
