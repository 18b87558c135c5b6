// tavrin-cli run as a process against the recording loopback server.
#include "support/LoopbackServer.h"
#include "support/ProcessRun.h"
#include "support/StatusRows.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace tavrin::test;
using B = QByteArray;

// Fields 1-4 of a version 3 row are FileName, Progress, BT Status and Priority.
static const B listReply =
    "Kestrun v3\n" +
    v3Row("T1", {{1, "a \"quoted\" \\ name\t\xe9"}, {2, "50"}, {3, "WORKING"}, {4, "High"}}) +
    "\n\n" + v3Row("T2", {{1, "b"}, {2, "100"}, {3, "pause"}, {4, "Low"}}) + "\n";

class TestCli : public QObject {
    Q_OBJECT

    QTemporaryDir m_home;

    // Runs the client with the settings of a temporary home; the event loop keeps serving the
    // loopback server meanwhile.
    ProcessRun run(const QStringList& arguments)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.path());
        env.remove(QStringLiteral("DISPLAY"));
        return runProcess(QStringLiteral(TAVRIN_CLI_PATH), arguments, env);
    }

private Q_SLOTS:
    // Status replies come from listReply, any other request gets `reply`; `sent` holds the
    // commands, '#' between them. A null `out` is not compared; status 2 refuses the usage, so
    // neither is anything sent nor printed.
    void exitStatusesAndBytes_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<B>("reply");
        QTest::addColumn<B>("sent");
        QTest::addColumn<int>("status");
        QTest::addColumn<B>("out");
        QTest::addColumn<B>("err");
        const auto row = [](const char* name, const QStringList& arguments, const B& sent,
                            const B& out = {}, const B& reply = "Feedback\nOK T1", int status = 0,
                            const B& err = {}) {
            QTest::newRow(name) << arguments << reply << sent << status << out << err;
        };
        const auto usage = [](const char* name, const QStringList& arguments, const B& says) {
            QTest::newRow(name) << arguments << B() << B() << 2 << B("") << says;
        };
        row("add, non-Latin-1 percent-encoded",
            {"add", QString::fromUtf8("magnet:?dn=\xd1\x84 \xc3\xa9")},
            "ADD|magnet:?dn=%D1%84 \xe9");
        row("priority", {"priority", "T1", "Low"}, "PRIORITY|T1,3");
        row("stop-all", {"stop-all"}, "STOP|ALL");
        row("pause-all: active ones, then the list", {"pause-all"}, "QUERY|#PAUSE|T1#QUERY|",
            "paused T1\n");
        row("tsv", {"list", "--tsv", "--columns", "FileName,BT Status"}, "QUERY|",
            "FileName\tBT Status\tid\na \"quoted\" \\\\ name\\t\xc3\xa9\tWORKING\tT1\n"
            "b\tpause\tT2\n");
        row("table", {"list", "--columns", "Priority,Progress"}, "QUERY|",
            "Priority  Progress  id\nHigh      .05Kb/s   T1\nLow       .10Kb/s   T2\n");
        row("json", {"list", "--json", "--columns", "FileName,Priority"}, "QUERY|",
            "[\n    {\n        \"FileName\": \"a \\\"quoted\\\" \\\\ name\\t\xc3\xa9\",\n        "
            "\"Priority\": \"High\",\n        \"id\": \"T1\"\n    },\n    {\n        \"FileName\": "
            "\"b\",\n        \"Priority\": \"Low\",\n        \"id\": \"T2\"\n    }\n]\n");
        row("error reply", {"stop", "T9"}, "STOP|T9", {}, "Feedback\nError=Unknown torrent T9", 1,
            "ERROR: Unknown torrent T9");
        row("silent server", {"--timeout", "1", "list"}, "QUERY|", {}, "<silent>", 3, "in time");
        row("refused", {"list"}, {}, {}, "<refused>", 3, "tavrin-cli: ");
        usage("unknown command", {"frobnicate"}, "Unknown command \"frobnicate\".");
        usage("missing id", {"pause"}, "pause takes 1 argument");
        usage("bad priority", {"priority", "T1", "urgent"}, "Priority \"urgent\"");
        usage("format with a command", {"stop-all", "--json"}, "go with list and watch only");
        usage("unknown column", {"list", "--columns", "Nope"},
              "Unknown column \"Nope\"; the columns are: FileName, Progress");
        usage("bad port", {"--port", "70000", "list"}, "Port: \"70000\" is not a whole number");
        usage("unknown option", {"--colour", "list"}, "Unknown option --colour.");
        usage("non-Latin-1 id", {"--id", QString::fromUtf8("\xd0\xb8\xd0\xb4"), "list"},
              "Unique ID: \"\xd0\xb8\xd0\xb4\" has characters");
    }

    void exitStatusesAndBytes()
    {
        QFETCH(QStringList, arguments);
        QFETCH(B, reply);
        QFETCH(B, sent);
        QFETCH(int, status);
        QFETCH(B, out);
        QFETCH(B, err);
        LoopbackServer server;
        server.setResponder([reply](const B& request) {
            return reply == "<silent>"            ? std::optional<B>()
                   : request.endsWith("\nQUERY|") ? listReply
                                                  : reply;
        });
        server.setChunkSize(7);
        const quint16 to = reply == "<refused>" ? LoopbackServer::unusedPort() : server.port();
        const QStringList port{"--port", QString::number(server.port())};
        const QStringList at = {"--host", "127.0.0.1", "--port", QString::number(to), "--id", "u"};
        const ProcessRun result = run(status != 2                    ? at + arguments
                                      : arguments.contains("--port") ? arguments
                                                                     : port + arguments);
        QList<B> requests;
        for (const B& command : sent.isEmpty() ? QList<B>() : sent.split('#'))
            requests.append("ID|u\n" + command);
        QCOMPARE(server.requestBytes(), requests);
        QCOMPARE(result.status, status);
        QVERIFY2(result.err.contains(err), result.err);
        QVERIFY2(out.isNull() || result.out == out, result.out);
    }

    // Without options the client takes the window's stored settings, and leaves them as they were.
    void settingsAreDefaultsAndStayUntouched()
    {
        LoopbackServer server;
        server.setResponder([](const B&) { return listReply; });
        // Version 2 shows only the third field: BT Status.
        const B stored = "[Main]\nHost=127.0.0.1\nPort=" + B::number(server.port()) +
                         "\nUniqueID=stored\nVersion3=false\nVersion2Cols=\"<Cols>"
                         "<Col key='FileName' index='2' show='0'/><Col key='Progress' index='3' "
                         "show='0'/><Col key='BT Status' index='1' show='1'/></Cols>\"\n";
        QFile file(m_home.filePath(QStringLiteral("Tavrin/Tavrin.conf")));
        QVERIFY(QDir(m_home.path()).mkpath("Tavrin"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(stored), stored.size());
        file.close();
        const ProcessRun result = run({"list", "--tsv"});
        QCOMPARE(result.status, 0);
        QCOMPARE(server.requestBytes(), QList<B>{"ID|stored\nQUERY|"});
        QCOMPARE(result.out, B("BT Status\tid\nWORKING\tT1\npause\tT2\n"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), stored);
    }

    // A stored layout that cannot be read is not replaced by the built-in one: the window shows
    // no columns, and the client says what is wrong without sending anything.
    void unreadableLayoutIsNotReplaced()
    {
        LoopbackServer server;
        server.setResponder([](const B&) { return listReply; });
        const B stored = "[Main]\nHost=127.0.0.1\nPort=" + B::number(server.port()) +
                         "\nVersion3=true\nVersion3Cols=\"<Cols><Col key='A'\"\n";
        QFile file(m_home.filePath(QStringLiteral("Tavrin/Tavrin.conf")));
        QVERIFY(QDir(m_home.path()).mkpath("Tavrin"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(stored), stored.size());
        file.close();
        const ProcessRun result = run({"list"});
        QCOMPARE(result.status, 2);
        QCOMPARE(result.out, B());
        QVERIFY2(result.err.contains("No column has display position 1."), result.err);
        QCOMPARE(server.requestBytes(), QList<B>());
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
