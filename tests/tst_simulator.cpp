#include "CommandLine.h"
#include "SimServer.h"
#include "StatusReplyWriter.h"

#include <QDeadlineTimer>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTest>

using namespace kestrunsim;
using B = QByteArray;
using L = QList<QByteArray>;

class TestSimulator : public QObject {
    Q_OBJECT

    int m_reads = 0; // reads of the last reply

    // Sends the pieces 5 ms apart, then gathers the reply until the server closes; a connection
    // still open after 5 s ends the reply with "<open>", so exact comparisons catch it.
    B send(quint16 port, const L& pieces)
    {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, port);
        for (m_reads = 0; const B& piece : pieces)
            socket.write(piece), QTest::qWait(5);
        B reply;
        const auto closed = [&] {
            m_reads += socket.bytesAvailable() > 0;
            reply += socket.readAll();
            return socket.state() == QAbstractSocket::UnconnectedState;
        };
        return QTest::qWaitFor(closed, 5000) ? reply : reply + "<open>";
    }

    static QList<L> rows(const B& reply)
    {
        QList<L> list;
        for (const B& line : reply.split('\n').mid(1))
            if (!line.isEmpty())
                list.append(line.chopped(line.endsWith('\r')).split('|'));
        return list;
    }

    // The fields (1-based) of the row with this id, joined by '|'; with no id, the distinct
    // values over every row, sorted and joined by ','.
    B probe(quint16 port, const B& id, const B& fields)
    {
        L values;
        for (const L& row : rows(send(port, {"ID|t\nQUERY|"}))) {
            L picked;
            for (const B& field : fields.split(','))
                picked.append(row.value(field.toInt() - 1));
            if ((id.isEmpty() || row.last() == id) && !values.contains(picked.join('|')))
                values.append(picked.join('|'));
        }
        std::sort(values.begin(), values.end());
        return values.join(',');
    }

private Q_SLOTS:
    // Each row starts the simulator with its command line (after --port=0) and runs its steps:
    // "@MS" sets the clock; "?F,F" probes fields of the torrent added last ("^"); "=S" formats
    // S seconds, "#N" N bytes; "%" shows the chunk size and delay read; "!RAW" sends raw bytes, "~"
    // splitting pieces; anything else is a command with ID "t". Every request before the last must
    // succeed; the last value is compared. A refused command line compares its error text.
    void script_data()
    {
        QTest::addColumn<L>("steps");
        QTest::addColumn<B>("expected");
        QTest::addColumn<B>("arguments");
        const auto row = [](const char* n, L s, B x, B o = {}) { QTest::newRow(n) << s << x << o; };
        const B e = "Feedback\nError=", ok = "Feedback\nOK ", a = "ADD|a", end = "@1000000000";
        row("statuses", {"?3"}, "COMPLETED/SEEDING,QUEUE,STOP,WORKING,pause");
        row("version 2", {a, "?3,16"}, "WORKING|^", "--version 2");
        row("no torrents", {"?3"}, "", "--torrents 0");
        row("unknown verb", {"FETCH|x"}, e + "Unknown command FETCH|x");
        row("no bar", {"QUERY"}, e + "Unknown command QUERY");
        row("query with line end", {"QUERY|\n"}, e + "Unexpected text after QUERY|");
        row("empty add", {"ADD|"}, e + "No link given");
        row("id with CR", {"STOP|T1000\r"}, e + "Unknown torrent T1000\r");
        row("pause all", {"PAUSE|ALL"}, e + "Unknown torrent ALL");
        row("priority 5", {"PRIORITY|T1000,5"}, e + "Bad priority code 5");
        row("no comma", {"PRIORITY|T1"}, e + "PRIORITY needs an identifier, a comma and a code");
        row("no ID line", {"!QUERY|"}, e + "Missing ID line");
        row("no command", {"!ID|u\n"}, e + "Missing command");
        row("wrong ID", {"!ID|Secret\nQUERY|"}, e + "Wrong ID Secret", "--id secret");
        row("empty ID", {"!ID|\nPAUSE|T1000"}, ok + "T1000", "--id=");
        row("non-ASCII ID", {"!ID|cl\xC3\xA9\nPAUSE|T1000"}, ok + "T1000", "--id cl\xC3\xA9");
        row("ID line, then command", {"!ID|a\n~STOP|T1001"}, ok + "T1001");
        row("byte by byte", {"!I~D|a~\nST~OP|~T10~01"}, ok + "T1001");
        row("chunked", {"?3"}, "WORKING", "--torrents 4 --chunk 64");
        row("crlf", {"PAUSE|T0"}, "Feedback\r\nError=Unknown torrent T0", "--crlf");
        row("refuse", {"STOP|ALL"}, "", "--refuse");
        row("delay", {"PAUSE|T1000"}, ok + "T1000", "--delay 300");
        row("version 4", {}, "--version must be a whole number from 2 to 3", "--version 4");
        row("not a number", {}, "--chunk must be a whole number from 0 to 1073741824", "--chunk x");
        row("stray argument", {}, "Unexpected argument: 56667", "56667");
        row("numbers", {"%"}, "999 50", "--chunk 999 --delay 50");
        row("pause", {a, "PAUSE|^", "?3,5,7"}, "pause|-|0");
        row("queue", {a, "QUEUE|^", "?3"}, "QUEUE");
        row("resume", {a, "STOP|^", "RESUME|^", "?3"}, "WORKING");
        const char* words[] = {"Highest", "High", "Normal", "Low", "Lowest"};
        for (int code = 0; code < 5; ++code)
            row(words[code], {a, "PRIORITY|^," + B::number(code), "?4"}, words[code]);
        row("added", {a, "?2,3,4,15,16"}, "0.0%|WORKING|Normal|0 B|0 B");
        row("paused holds", {a, "PAUSE|^", "@20000", "?15"}, "0 B");
        row("upload past 4 GB", {a, end, "?6,15,16"}, "4.77 GB|4.77 GB|86.3 GB");
        row("complete", {a, end, "?2,3,5,7"}, "100.0%|COMPLETED/SEEDING|-|0");
        row("complete, paused", {a, end, "PAUSE|^", "?3"}, "pause");
        row("complete, resumed", {a, end, "PAUSE|^", "RESUME|^", "?3"}, "COMPLETED/SEEDING");
        row("delete", {a, "DELETE|^", "?1"}, "");
        row("deleted is unknown", {a, "DELETE|^", "PAUSE|^"}, e + "Unknown torrent ^");
        row("ids not reused", {a, "DELETE|^", "ADD|b"}, ok + "T1026");
        row("stop all", {"STOP|ALL", "?3"}, "STOP");
        row("queue all", {"QUEUE|ALL", "?3"}, "QUEUE");
        row("delete completed", {"PAUSE|T1013", "DELETE|COMPLETED"}, ok + "4 torrents");
        row("incomplete kept", {a, "DELETE|COMPLETED", "?1"}, "a");
        row("paused complete", {a, end, "PAUSE|^", "DELETE|COMPLETED", "?1"}, "");
        row("http", {"ADD|http://t.test/get/deb.iso.torrent?k=1", "?1"}, "deb.iso");
        row("magnet", {"ADD|magnet:?dn=My+Film%20(2019).mkv", "?1"}, "My Film (2019).mkv");
        row("latin-1", {"ADD|C:\\T\\f\xEAte \xE0 Z.torrent", "?1"}, "f\xEAte \xE0 Z");
        row("utf-8", {"ADD|\xD0\xBA\xD0\xBD.epub", "?1"}, "\xD0\xBA\xD0\xBD.epub");
        row("separators", {"ADD|a|b\nc.torrent", "?1,18"}, "a_b_c|a_b_c.torrent");
        row("seconds", {"=45"}, "45s");
        row("minutes", {"=725"}, "12m 05s");
        row("hours", {"=3720"}, "1h 02m");
        row("days", {"=183659"}, "2d 03h");
        row("bytes", {"#999"}, "999 B");
        row("1000 bytes", {"#1000"}, "0.97 KB");
        row("just under a megabyte", {"#1023999"}, "999 KB");
        row("gigabytes", {"#1868785440"}, "1.74 GB");
        row("tens of gigabytes", {"#11274289152"}, "10.5 GB");
        row("largest counter", {"#9007199254740992"}, "8.00 PB");
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
        const quint16 port = server.port();
        B id, value;
        for (qsizetype i = 0; i < steps.size(); ++i) {
            const B step = B(steps[i]).replace('^', id);
            if (step.startsWith('@')) {
                now = step.mid(1).toLongLong();
            } else if (step == "%") {
                value = QString::asprintf("%d %d", options.chunkSize, options.delayMs).toUtf8();
            } else if (step.startsWith('#')) {
                value = StatusReplyWriter::sizeText(step.mid(1).toLongLong());
            } else if (step.startsWith('=')) {
                value = StatusReplyWriter::durationText(step.mid(1).toLongLong());
            } else if (step.startsWith('?')) {
                value = probe(port, id, step.mid(1));
            } else {
                value = send(port, step[0] == '!' ? step.mid(1).split('~') : L{"ID|t\n" + step});
                QVERIFY2(i + 1 == steps.size() || value.startsWith("Feedback\nOK "), value);
                id = step.startsWith("ADD|") ? value.mid(12) : id;
            }
        }
        QCOMPARE(value, expected.replace('^', id));

        // Whatever happened, every row keeps its layout, speeds and counts are plain numbers while
        // sizes carry a unit (so the window shows them as written), a finished torrent has every
        // byte, and the options shape how the reply travels.
        const QDeadlineTimer early(options.delayMs);
        const B reply = send(port, {"ID|" + options.uniqueId.value_or("t") + "\nQUERY|"});
        QVERIFY2(early.hasExpired(), "never early; late is fine");
        QVERIFY(!options.chunkSize || m_reads > 1);
        QCOMPARE(reply.count("\r\n"), options.crlf ? reply.count('\n') : 0);
        const bool v3 = options.serverVersion == 3;
        for (const L& row : rows(reply)) {
            QCOMPARE(row.size(), v3 ? 23 : 16);
            QCOMPARE(row.last(), "T" + B::number(row.last().mid(1).toUInt()));
            QVERIFY(!v3 || row[1] != "100.0%" || row[14] == row[5]);
            for (int n : v3 ? QList{7, 8, 11, 12, 17, 21} : QList{5, 7, 9, 10, 15})
                QCOMPARE(B::number(row[n - 1].toULongLong()), row[n - 1]);
            static const QRegularExpression sized(R"(^(\d\.\d\d|\d\d\.\d|\d{1,3}) [KMGTP]?B$)");
            for (int n : v3 ? QList{6, 15, 16} : QList{6, 12, 13})
                QVERIFY2(sized.match(QString::fromLatin1(row[n - 1])).hasMatch(), row[n - 1]);
        }
    }
};

QTEST_GUILESS_MAIN(TestSimulator)
#include "tst_simulator.moc"
