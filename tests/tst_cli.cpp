// tavrin-cli run as a process against the recording loopback server and the simulator.
#include "SimServer.h"
#include "support/LoopbackServer.h"
#include "support/ProcessRun.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace tavrin::test;

namespace {
// Fields 1-4 of a version 3 row are FileName, Progress, BT Status and Priority.
const QByteArray listReply = "Kestrun v3\n"
                             "a \"quoted\" \\ name\t\xe9|50|WORKING|High|x|T1\n"
                             "\n"
                             "b|100|pause|Low|x|T2\n";
} // namespace

class TestCli : public QObject {
    Q_OBJECT

    QTemporaryDir m_home;

    QString settingsFile() const { return m_home.filePath(QStringLiteral("Tavrin/Tavrin.conf")); }

    // Runs the client with the settings of a temporary home; the event loop keeps serving the
    // loopback servers meanwhile.
    ProcessRun run(const QStringList& arguments)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.path());
        env.remove(QStringLiteral("DISPLAY"));
        return runProcess(QStringLiteral(TAVRIN_CLI_PATH), arguments, env);
    }

    QStringList at(quint16 port, const QStringList& rest)
    {
        return QStringList{QStringLiteral("--host"), QStringLiteral("127.0.0.1"),
                           QStringLiteral("--port"), QString::number(port),
                           QStringLiteral("--id"),   QStringLiteral("u")} +
               rest;
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_home.isValid()); }

    void exitStatusesAndBytes_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("stderrHas");
        const auto row = [](const char* name, const QStringList& arguments, const QByteArray& sent,
                            const QByteArray& reply = "Feedback\nOK T1", int status = 0,
                            const QByteArray& stderrHas = {}) {
            QTest::newRow(name) << arguments << reply << "ID|u\n" + sent << status << stderrHas;
        };
        // Refused before anything is sent.
        const auto usage = [](const char* name, const QStringList& arguments,
                              const QByteArray& says) {
            QTest::newRow(name) << arguments << QByteArray() << QByteArray() << 2 << says;
        };
        row("add, non-Latin-1 percent-encoded",
            {"add", QString::fromUtf8("magnet:?dn=\xd1\x84 \xc3\xa9")},
            "ADD|magnet:?dn=%D1%84 \xe9");
        row("pause", {"pause", "T1"}, "PAUSE|T1");
        row("resume", {"resume", "T1"}, "RESUME|T1");
        row("delete", {"delete", "T1"}, "DELETE|T1");
        row("priority", {"priority", "T1", "Low"}, "PRIORITY|T1,3");
        row("stop-all", {"stop-all"}, "STOP|ALL");
        row("queue-all", {"queue-all"}, "QUEUE|ALL");
        row("delete-completed", {"delete-completed"}, "DELETE|COMPLETED");
        row("error reply", {"stop", "T9"}, "STOP|T9", "Feedback\nError=Unknown torrent T9", 1,
            "ERROR: Unknown torrent T9");
        row("silent server", {"--timeout", "1", "list"}, "QUERY|", "<silent>", 3, "in time");
        QTest::newRow("refused") << QStringList{"list"} << QByteArray("<refused>") << QByteArray()
                                 << 3 << QByteArray("tavrin-cli: ");
        usage("no command", {}, "No command given.");
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
        QFETCH(QByteArray, reply);
        QFETCH(QByteArray, sent);
        QFETCH(int, status);
        QFETCH(QByteArray, stderrHas);
        LoopbackServer server;
        server.setResponder([reply](const QByteArray&) {
            return reply == "<silent>" ? std::optional<QByteArray>() : reply;
        });
        const quint16 to = reply == "<refused>" ? LoopbackServer::unusedPort() : server.port();
        const QStringList port{"--port", QString::number(server.port())};
        const ProcessRun result = run(status != 2                    ? at(to, arguments)
                                      : arguments.contains("--port") ? arguments
                                                                     : port + arguments);
        QCOMPARE(server.requestBytes(), sent.isEmpty() ? QList<QByteArray>() : QList{sent});
        QCOMPARE(result.status, status);
        QVERIFY2(result.err.contains(stderrHas), result.err);
        QVERIFY(status != 2 || result.out.isEmpty());
    }

    void formats_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("out");
        QTest::newRow("tsv") << QStringList{"list", "--tsv", "--columns", "FileName,BT Status"}
                             << QByteArray("FileName\tBT Status\tid\n"
                                           "a \"quoted\" \\\\ name\\t\xc3\xa9\tWORKING\tT1\n"
                                           "b\tpause\tT2\n");
        QTest::newRow("table") << QStringList{"list", "--columns", "Priority,Progress"}
                               << QByteArray("Priority  Progress  id\n"
                                             "High      .05Kb/s   T1\n"
                                             "Low       .10Kb/s   T2\n");
        QTest::newRow("json") << QStringList{"list", "--json", "--columns", "FileName,Priority"}
                              << QByteArray();
    }

    void formats()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, out);
        LoopbackServer server;
        server.setResponder([](const QByteArray&) { return listReply; });
        server.setChunkSize(7);
        const ProcessRun result = run(at(server.port(), QStringList{"--version", "3"} + arguments));
        QCOMPARE(result.status, 0);
        QCOMPARE(server.requestBytes(), QList<QByteArray>{"ID|u\nQUERY|"});
        if (!out.isEmpty()) {
            QCOMPARE(result.out, out);
            return;
        }
        QJsonParseError error;
        const QJsonArray rows = QJsonDocument::fromJson(result.out, &error).array();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows.at(0).toObject().value("FileName").toString(),
                 QString::fromLatin1("a \"quoted\" \\ name\t\xe9"));
        QCOMPARE(rows.at(1).toObject(),
                 (QJsonObject{{"FileName", "b"}, {"Priority", "Low"}, {"id", "T2"}}));
    }

    void settingsAreDefaultsAndStayUntouched()
    {
        LoopbackServer server;
        server.setResponder([](const QByteArray&) { return listReply; });
        {
            QSettings settings(settingsFile(), QSettings::IniFormat);
            settings.beginGroup(QStringLiteral("Main"));
            settings.setValue(QStringLiteral("Host"), QStringLiteral("127.0.0.1"));
            settings.setValue(QStringLiteral("Port"), QString::number(server.port()));
            settings.setValue(QStringLiteral("UniqueID"), QStringLiteral("stored"));
            settings.setValue(QStringLiteral("Version3"), QStringLiteral("false"));
            // Version 2 shows only the third field: BT Status.
            settings.setValue(QStringLiteral("Version2Cols"),
                              QStringLiteral("<Cols><Col key='FileName' index='2' show='0'/>"
                                             "<Col key='Progress' index='3' show='0'/>"
                                             "<Col key='BT Status' index='1' show='1'/></Cols>"));
        }
        QFile file(settingsFile());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray before = file.readAll();
        file.close();

        const ProcessRun result = run({"list", "--tsv"});
        QCOMPARE(result.status, 0);
        QCOMPARE(server.requestBytes(), QList<QByteArray>{"ID|stored\nQUERY|"});
        QCOMPARE(result.out, QByteArray("BT Status\tid\nWORKING\tT1\npause\tT2\n"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
        QVERIFY(file.remove());
    }

    void chainsActOnTheSimulator()
    {
        kestrunsim::SimOptions options;
        options.port = 0;
        options.torrents = 6;
        options.logRequests = false;
        kestrunsim::SimServer sim(options);
        QVERIFY(sim.listen());
        const ProcessRun list = run(at(sim.port(), {"list", "--tsv", "--columns", "BT Status"}));
        QByteArrayList active;
        for (const QByteArray& line : list.out.split('\n').mid(1)) {
            const QByteArray status = line.split('\t').value(0).toUpper();
            if (status == "WORKING" || status == "COMPLETED/SEEDING")
                active.append("paused " + line.split('\t').value(1));
        }
        QVERIFY(!active.isEmpty());

        const ProcessRun paused = run(at(sim.port(), {"pause-all"}));
        QCOMPARE(paused.status, 0);
        QCOMPARE(paused.out.trimmed().split('\n'), active);

        const ProcessRun resumed = run(at(sim.port(), {"resume-all"}));
        QCOMPARE(resumed.status, 0);
        QCOMPARE(resumed.out.count("resumed "), 6);
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
