// tavrin-cli run as a process against the recording loopback server.
#include "support/LoopbackServer.h"
#include "support/ProcessRun.h"
#include "support/StatusRows.h"
#include "support/Waits.h"

#include <QDateTime>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

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
        // A command on one torrent looks for it in the server's list first.
        row("priority", {"priority", "T1", "Low"}, "QUERY|#PRIORITY|T1,3");
        row("no such torrent", {"stop", "T9"}, "QUERY|", {}, "Feedback\nOK", 1,
            "tavrin-cli: no torrent with ID T9\n");
        row("stop-all", {"stop-all"}, "STOP|ALL", "", "Feedback\nOK 2 torrents", 0,
            "stop-all: the server answered Feedback\xe2\x90\x8aOK 2 torrents\n");
        row("pause-all: active ones, then the list", {"pause-all"}, "QUERY|#PAUSE|T1#QUERY|",
            "paused T1\n", "Feedback\nOK T1", 0, "paused 1 torrent\n");
        row("resume-all: every one", {"resume-all"}, "QUERY|#RESUME|T1#RESUME|T2#QUERY|",
            "resumed T1\nresumed T2\n", "Feedback\nOK T1", 0, "resumed 2 torrents\n");
        row("tsv", {"list", "--tsv", "--columns", "FileName,BT Status"}, "QUERY|",
            "FileName\tBT Status\tid\na \"quoted\" \\\\ name\\t\xc3\xa9\tWORKING\tT1\n"
            "b\tpause\tT2\n");
        row("table", {"list", "--columns", "Priority,Progress"}, "QUERY|",
            "Priority  Progress  id\nHigh      .05Kb/s   T1\nLow       .10Kb/s   T2\n");
        row("json lines in the server's order", {"list", "--json-lines"}, "QUERY|");
        row("sorted by a typed key, descending",
            {"list", "--tsv", "--columns", "BT Status", "--sort", "progress:desc"}, "QUERY|",
            "BT Status\tid\npause\tT2\nWORKING\tT1\n");
        row("filtered by status", {"list", "--tsv", "--columns", "FileName", "--status", "paused"},
            "QUERY|", "FileName\tid\nb\tT2\n");
        row("filtered by name", {"list", "--tsv", "--columns", "FileName", "--filter", "QUOTED"},
            "QUERY|", "FileName\tid\na \"quoted\" \\\\ name\\t\xc3\xa9\tT1\n");
        usage("unknown sort key", {"list", "--sort", "speed"}, "--sort: unknown key \"speed\"");
        usage("a typed key version 2 lacks",
              {"--server-version", "2", "list", "--sort", "size_bytes"},
              "Version 2 servers send no size_bytes.");
        usage("unknown status", {"list", "--status", "busy"}, "--status takes one of All,");
        usage("json with columns", {"list", "--json", "--columns", "Size"},
              "--json and --json-lines print every field");
        row("error reply", {"stop", "T2"}, "QUERY|#STOP|T2", {},
            "Feedback\nError=Unknown torrent T2", 1, "ERROR: Unknown torrent T2");
        // What the server says reaches the terminal with its controls visible.
        row("error reply with escapes", {"stop", "T2"}, "QUERY|#STOP|T2", {},
            "Feedback\nError=\x1b]0;owned\x07\x1b[2J", 1,
            "ERROR: \xe2\x90\x9b]0;owned\xe2\x90\x87\xe2\x90\x9b[2J\n");
        row("silent server", {"--timeout", "1", "list"}, "QUERY|", {}, "<silent>", 3, "in time");
        row("refused", {"list"}, {}, {}, "<refused>", 3, "tavrin-cli: ");
        usage("unknown command", {"frobnicate"},
              "tavrin-cli: Unknown command \"frobnicate\".\nTry 'tavrin-cli --help'.\n");
        usage("a command mistyped", {"lsit"}, "Unknown command \"lsit\". Did you mean \"list\"?");
        usage("a command begun", {"stop-al"}, "Did you mean \"stop-all\"?");
        usage("bad server version", {"--server-version", "4", "list"},
              "--server-version takes 2 or 3, not \"4\".");
        usage("add without a link", {"add"}, "add takes one or more arguments, none given.");
        // A line break would end the ADD command on the wire and start another.
        usage("add with a line break", {"add", "magnet:?x\nQUERY|"},
              "the link contains control characters: magnet:?x\xe2\x90\x8aQUERY|");
        usage("unknown saved server", {"--server", "nas", "list"},
              "No saved server is named \"nas\"; none is saved.");
        row("add, each answer a line", {"add", "magnet:?1", "magnet:?2"},
            "ADD|magnet:?1#ADD|magnet:?2",
            "Feedback\xe2\x90\x8aOK T1\nFeedback\xe2\x90\x8aOK T1\n");
        row("add, a refused link ends the run", {"add", "magnet:?1", "http://x/2", "magnet:?3"},
            "ADD|magnet:?1", {}, "Feedback\nError=no", 1,
            "tavrin-cli: link 1 of 3 (magnet:?1) was not added: ERROR: no\n");
        // -- ends the options: what follows is an operand, even with a dash.
        row("after --", {"list", "--tsv", "--columns", "bt status", "--"}, "QUERY|",
            "BT Status\tid\nWORKING\tT1\npause\tT2\n");
        row("column names in any case", {"list", "--tsv", "--columns", "fileNAME"}, "QUERY|",
            "FileName\tid\na \"quoted\" \\\\ name\\t\xc3\xa9\tT1\nb\tT2\n");
        usage("missing id", {"pause"}, "pause takes 1 argument");
        usage("bad priority", {"priority", "T1", "urgent"}, "Priority \"urgent\"");
        usage("format with a command", {"stop-all", "--json"}, "go with list and watch only");
        usage("unknown column", {"list", "--columns", "Nope"},
              "Unknown column \"Nope\"; the columns are: FileName, Progress");
        usage("bad port", {"--port", "70000", "list"}, "Port: \"70000\" is not a whole number");
        usage("unknown option", {"--colour", "list"},
              "tavrin-cli: Unknown option --colour.\nTry 'tavrin-cli --help'.\n");
        usage("non-Latin-1 id", {"--id", QString::fromUtf8("\xd0\xb8\xd0\xb4"), "list"},
              "Unique ID: \"\xd0\xb8\xd0\xb4\" has characters");
        // Identifiers that would name every torrent or end the command are never sent.
        usage("stop ALL", {"stop", "ALL"}, "reads as every torrent");
        usage("queue all", {"queue", "all"}, "reads as every torrent");
        usage("delete COMPLETED", {"delete", "COMPLETED"}, "reads as every torrent");
        usage("a bar", {"pause", "T1|QUERY"}, "holds \"|\"");
        usage("a line break", {"pause", "T1\nQUERY"}, "holds a line break");
        usage("a CR", {"resume", "T1\r"}, "holds a control character");
        usage("a comma in a priority", {"priority", "T1,0", "high"}, "holds \",\"");
        usage("empty", {"pause", ""}, "The identifier is empty");
        usage("not Latin-1", {"pause", QString::fromUtf8("\xe6\x97\xa5\xe6\x9c\xac")},
              "only Latin-1");
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

    // --json and --json-lines: the same typed keys for both server versions, numbers where the
    // text means one, null where it cannot be read (never a guess), and every field as sent.
    void typedJson_data()
    {
        QTest::addColumn<B>("row");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("value"); // null: JSON null
        const B v3 = v3Row("T1", {{1, "Name"},
                                  {2, "24.7%"},
                                  {3, "WORKING"},
                                  {4, "High"},
                                  {5, "1h 21m"},
                                  {6, "1.5 GB"},
                                  {7, "1213799"},
                                  {8, "n/a"},
                                  {9, "62%"},
                                  {10, "Downloading"},
                                  {11, "193"},
                                  {12, "-"},
                                  {15, "512 KB"},
                                  {16, "2 MB"}});
        // Version 2 sends DL Speed twice (fields 5 and 6); the first is the one read.
        const B v2 = v2Row("T2", {{1, "Old"},
                                  {2, "100%"},
                                  {3, "COMPLETED/SEEDING"},
                                  {4, "-"},
                                  {5, "10"},
                                  {6, "11"},
                                  {7, "0"},
                                  {8, "250%"},
                                  {9, "4"},
                                  {10, "9"},
                                  {12, "1 GB"},
                                  {13, "3 KB"}});
        const auto add = [](const char* name, const B& row, const char* version, const char* key,
                            const QVariant& value) {
            QTest::newRow(name) << row << QString(version) << QString(key) << value;
        };
        add("v3 id", v3, "3", "id", "T1");
        add("v3 name", v3, "3", "name", "Name");
        add("v3 progress", v3, "3", "progress", 24.7);
        add("v3 priority", v3, "3", "priority", "High");
        add("v3 eta", v3, "3", "eta_seconds", 4860);
        add("v3 size, binary units", v3, "3", "size_bytes", 1.5 * 1024 * 1024 * 1024);
        add("v3 downloaded", v3, "3", "downloaded_bytes", 512 * 1024);
        add("v3 uploaded", v3, "3", "uploaded_bytes", 2 * 1024 * 1024);
        add("v3 download speed", v3, "3", "download_speed", 1213799);
        add("v3 unreadable speed", v3, "3", "upload_speed", QVariant());
        add("v3 ratio", v3, "3", "ratio", 0.62);
        add("v3 seeds", v3, "3", "seeds", 193);
        add("v3 no peers", v3, "3", "peers", QVariant());
        add("v3 message", v3, "3", "message", "Downloading");
        add("v3 field as sent", v3, "3", "fields/UL Speed", "n/a");
        add("v2 name", v2, "2", "name", "Old");
        add("v2 progress", v2, "2", "progress", 100);
        add("v2 has no priority", v2, "2", "priority", QVariant());
        add("v2 has no size", v2, "2", "size_bytes", QVariant());
        add("v2 eta missing", v2, "2", "eta_seconds", QVariant());
        add("v2 ratio", v2, "2", "ratio", 2.5);
        add("v2 peers", v2, "2", "peers", 4);
        add("v2 seeds", v2, "2", "seeds", 9);
        add("v2 downloaded", v2, "2", "downloaded_bytes", 1024 * 1024 * 1024);
        add("v2 field as sent", v2, "2", "fields/#Seeds", "9");
        add("v2 speed named twice", v2, "2", "fields/DL Speed", "10");
        add("v2 upload speed", v2, "2", "upload_speed", 0);
    }
    void typedJson()
    {
        QFETCH(B, row);
        QFETCH(QString, version);
        QFETCH(QString, key);
        QFETCH(QVariant, value);
        LoopbackServer server;
        server.setResponder([row](const B&) { return "Torrents\n" + row + "\n"; });
        const QStringList at{"--server-version",
                             version,
                             "--host",
                             "127.0.0.1",
                             "--port",
                             QString::number(server.port()),
                             "--id",
                             "u"};
        for (const char* format : {"--json", "--json-lines"}) {
            const ProcessRun result = run(at + QStringList{"list", format});
            QCOMPARE(result.status, 0);
            QJsonParseError error{};
            const QJsonDocument document = QJsonDocument::fromJson(
                QByteArrayView(format) == "--json" ? result.out : "[" + result.out.trimmed() + "]",
                &error);
            QVERIFY2(error.error == QJsonParseError::NoError, result.out);
            QJsonObject object = document.array().at(0).toObject();
            // Every typed key is there, whatever the version.
            for (const char* typed :
                 {"id", "name", "status", "progress", "priority", "eta_seconds", "size_bytes",
                  "downloaded_bytes", "uploaded_bytes", "download_speed", "upload_speed", "seeds",
                  "peers", "ratio", "message", "fields"})
                QVERIFY2(object.contains(QLatin1String(typed)), typed);
            QString name = key;
            if (key.startsWith(QLatin1String("fields/"))) {
                object = object.value(QLatin1String("fields")).toObject();
                name = key.mid(7);
            }
            const QJsonValue got = object.value(name);
            if (value.isNull())
                QVERIFY2(got.isNull(), qPrintable(QString::number(got.type())));
            else if (value.typeId() == QMetaType::QString)
                QCOMPARE(got.toString(), value.toString());
            else
                QCOMPARE(got.toDouble(), value.toDouble());
        }
    }

    // A saved server fills what the options leave open; `servers` names them and never prints a
    // unique ID.
    void savedServers()
    {
        LoopbackServer server;
        server.setResponder([](const B&) { return listReply; });
        const B stored =
            "[Servers]\nnas%20box\\Host=127.0.0.1\nnas%20box\\Port=" + B::number(server.port()) +
            "\nnas%20box\\UniqueID=secret-id\nnas%20box\\Version3=true\n"
            "office\\Host=h\noffice\\Port=1\noffice\\UniqueID=other-secret\n";
        QFile file(m_home.filePath(QStringLiteral("Tavrin/Tavrin.conf")));
        QVERIFY(QDir(m_home.path()).mkpath("Tavrin"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(stored), stored.size());
        file.close();

        const ProcessRun names = run({"servers"});
        QCOMPARE(names.status, 0);
        QCOMPARE(names.out, B("nas box\noffice\n"));

        const ProcessRun listed =
            run({"--server", "nas box", "list", "--tsv", "--columns", "BT Status"});
        QCOMPARE(listed.status, 0);
        QCOMPARE(listed.out, B("BT Status\tid\nWORKING\tT1\npause\tT2\n"));
        const ProcessRun overridden = run({"--id", "mine", "--server", "nas box", "list"});
        QCOMPARE(overridden.status, 0);
        QCOMPARE(server.requestBytes(), (QList<B>{"ID|secret-id\nQUERY|", "ID|mine\nQUERY|"}));
        const ProcessRun unknown = run({"--server", "nope", "list"});
        QCOMPARE(unknown.status, 2);
        QVERIFY2(unknown.err.contains("the saved ones are: nas box, office."), unknown.err);
        QVERIFY(!unknown.err.contains("secret"));
        QVERIFY(file.remove());
    }

    // Replies no server should send: what the window refuses the client refuses, with nothing
    // half-printed; what it takes in is printed with controls visible and cells cut short.
    // `out` holds a text the output must contain (empty: the output is empty).
    void hostileListReplies_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<B>("reply");
        QTest::addColumn<int>("status");
        QTest::addColumn<B>("out");
        QTest::addColumn<B>("err");
        const B fields2to22 = v3Row("T1").sliced(v3Row("T1").indexOf('|'));
        QTest::newRow("one-byte rows") << QStringList{"list"} << B("H\nx\nx\nx\n") << 3 << B()
                                       << B("The row has 1 fields; column \"Progress\"");
        QTest::newRow("a cut last row")
            << QStringList{"list", "--json"} << B("H\n" + v3Row("T1") + "\nf1|f2|T2") << 3 << B()
            << B("The row has 3 fields");
        QTest::newRow("one identifier repeated")
            << QStringList{"list", "--tsv"} << B("H\n" + (v3Row("T1") + "\n").repeated(1000)) << 0
            << B("\nf1\tf2\t") << B();
        QTest::newRow("garbage before the reply")
            << QStringList{"list"} << B(1, '\0') + "\x1b[2J\xff garbage\n" + v3Row("T1") << 0
            << B("f1  ") << B();
        QTest::newRow("an empty reply")
            << QStringList{"list", "--json"} << B() << 0 << B("[\n]\n") << B();
        QTest::newRow("a huge cell is cut in the table")
            << QStringList{"list"} << B("H\n" + B(100000, 'a') + fields2to22) << 0
            << B(QByteArray(63, 'a') + "\xe2\x80\xa6  ") << B();
        QTest::newRow("a huge cell is whole in TSV")
            << QStringList{"list", "--tsv"} << B("H\n" + B(100000, 'a') + fields2to22) << 0
            << B("\n" + B(100000, 'a') + "\t") << B();
        QTest::newRow("controls are visible in the table")
            << QStringList{"list"} << B("H\na\x1b[31mb\tc" + fields2to22) << 0
            << B("a\xe2\x90\x9b[31mb\xe2\x90\x89"
                 "c")
            << B();
    }
    void hostileListReplies()
    {
        QFETCH(QStringList, arguments);
        QFETCH(B, reply);
        QFETCH(int, status);
        QFETCH(B, out);
        QFETCH(B, err);
        LoopbackServer server;
        server.setResponder([reply](const B&) { return reply; });
        const ProcessRun result = run(QStringList{"--server-version", "3", "--host", "127.0.0.1",
                                                  "--port", QString::number(server.port())} +
                                      arguments);
        QCOMPARE(result.status, status);
        if (out.isEmpty())
            QCOMPARE(result.out, B());
        else
            QVERIFY2(result.out.contains(out), result.out.left(300));
        QVERIFY2(result.err.contains(err), result.err);
        if (arguments.contains("--tsv") && status == 0)
            QCOMPARE(result.out.count('\n'), 2); // the header and one torrent
    }

    // A signal ends a run that waits for the server: nothing on standard output, 128 + its
    // number as the status.
    void signalsEndTheRun_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("signal");
        QTest::newRow("list, Ctrl+C") << "list" << SIGINT;
        QTest::newRow("list, TERM") << "list" << SIGTERM;
        QTest::newRow("watch, Ctrl+C") << "watch" << SIGINT;
    }
    void signalsEndTheRun()
    {
        QFETCH(QString, command);
        QFETCH(int, signal);
        LoopbackServer server;
        server.setResponder([](const B&) { return std::optional<B>(); }); // never answers
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.path());
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(TAVRIN_CLI_PATH),
                      {"--host", "127.0.0.1", "--port", QString::number(server.port()), command});
        TRY_COMPARE(server.requests().size(), 1);
        ::kill(static_cast<pid_t>(process.processId()), signal);
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 128 + signal);
        QCOMPARE(process.readAllStandardOutput(), B());
    }

    // watch on a terminal of 6 lines: the header and the column line stay, the rows fill the
    // rest with the last line counting the others; Ctrl+C restores the screen with 130.
    void watchFitsTheTerminal()
    {
        LoopbackServer server;
        QByteArrayList rows;
        for (int i = 0; i < 10; ++i)
            rows.append(v3Row("T" + B::number(i),
                              {{1, "n" + B::number(i)}, {6, B::number(10 - i) + " MB"}}));
        server.setResponder([&rows](const B&) { return "Torrents\n" + rows.join('\n') + '\n'; });
        QProcess terminal;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.path());
        terminal.setProcessEnvironment(env);
        // script(1) gives the client a terminal of its own; its input is the keyboard.
        terminal.start(QStringLiteral("script"),
                       {"-qfec",
                        QStringLiteral("stty rows 6 cols 200; exec %1 --host 127.0.0.1 --port %2 "
                                       "watch --interval 3600 --columns FileName,Size "
                                       "--sort size_bytes")
                            .arg(QStringLiteral(TAVRIN_CLI_PATH))
                            .arg(server.port()),
                        "/dev/null"});
        B screen;
        TRY_VERIFY((screen += terminal.readAllStandardOutput()).contains("... and 7 more"));
        QVERIFY2(
            screen.contains("127.0.0.1:" + B::number(server.port()) + " (Kestrun 3) \xc2\xb7 "),
            screen);
        QVERIFY2(screen.contains("10 torrents"), screen);
        // Smallest first, and only as many as fit.
        const qsizetype first = screen.indexOf("n9 ");
        QVERIFY2(first > 0, screen);
        QVERIFY(screen.indexOf("n8 ") > first);
        QVERIFY(screen.indexOf("n7 ") > first);
        QVERIFY(!screen.contains("n6 "));
        // Drawn over in place: no clearing of the whole screen between two frames.
        QVERIFY(!screen.contains("\x1b[2J"));
        terminal.write("\x03");
        QVERIFY(terminal.waitForFinished(60000));
        screen += terminal.readAllStandardOutput();
        QVERIFY2(screen.endsWith("\x1b[?25h\x1b[?1049l"), screen.right(40));
        QCOMPARE(terminal.exitCode(), 130);
    }

    // events against a scripted server: the torrents come, change, finish, go, then the server
    // goes away and comes back; each change is one JSON line with its time and identifier, and
    // the hook gets hostile names as data only.
    void eventsStreamAndHooks()
    {
        const QByteArray hostile = "$(touch pwned); rm -rf ~ `touch pwned2`";
        const QList<B> replies = {
            "Torrents\n" + v3Row("A", {{1, "a"}, {2, "10%"}, {3, "WORKING"}}) + "\n" +
                v3Row("B", {{1, hostile}, {2, "10%"}, {3, "WORKING"}}) + "\n",
            "Torrents\n" + v3Row("A", {{1, "a"}, {2, "100%"}, {3, "WORKING"}}) + "\n" +
                v3Row("B", {{1, hostile}, {2, "100%"}, {3, "COMPLETED/SEEDING"}}) + "\n" +
                v3Row("C", {{1, "c"}, {2, "0%"}, {3, "WORKING"}}) + "\n",
            "Torrents\n" + v3Row("C", {{1, "c"}, {2, "0%"}, {3, "WORKING"}}) + "\n"};
        int served = 0;
        LoopbackServer server;
        server.setResponder([&](const B&) { return replies.at(std::min(served++, 2)); });
        QTemporaryDir work;
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.path());
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(work.path());
        // The first hook fails: the stream goes on and the next one runs.
        process.start(QStringLiteral(TAVRIN_CLI_PATH),
                      {"--host", "127.0.0.1", "--port", QString::number(server.port()), "events",
                       "--interval", "1", "--hook-timeout", "1", "--on-finish",
                       "printf '%s|%s|%s\\n' \"$TAVRIN_ID\" \"$TAVRIN_NAME\" \"$TAVRIN_SERVER\" "
                       ">> hooks.txt; [ \"$TAVRIN_ID\" != A ] || exit 3; "
                       "[ \"$TAVRIN_ID\" != B ] || sleep 600"});
        B out;
        const auto events = [&out] {
            QList<QJsonObject> list;
            for (const B& line : out.split('\n'))
                if (!line.isEmpty())
                    list.append(QJsonDocument::fromJson(line).object());
            return list;
        };
        const auto names = [&events] {
            QStringList list;
            for (const QJsonObject& e : events())
                list.append(e.value("event").toString() + ' ' + e.value("id").toString());
            return list;
        };
        TRY_VERIFY((out += process.readAllStandardOutput()).count('\n') >= 10);
        QCOMPARE(names(),
                 (QStringList{"connected ", "added A", "added B", "changed A", "changed B",
                              "added C", "finished A", "finished B", "removed A", "removed B"}));
        const QList<QJsonObject> all = events();
        QVERIFY(
            QDateTime::fromString(all.at(0).value("time").toString(), Qt::ISODateWithMs).isValid());
        QVERIFY(all.at(0).value("time").toString().endsWith('Z'));
        QCOMPARE(all.at(3).value("fields").toObject().value("Progress").toString(), "100%");
        QCOMPARE(all.at(3).value("fields").toObject().keys(), QStringList{"Progress"});
        QCOMPARE(all.at(7).value("name").toString(), QString::fromLatin1(hostile));

        // The hooks ran in order with the data in their environment, and nothing of the names
        // was run as shell text.
        const auto hooks = [&work] {
            QFile file(work.filePath("hooks.txt"));
            return file.open(QIODevice::ReadOnly) ? file.readAll() : B();
        };
        TRY_COMPARE(hooks().count('\n'), 2);
        const B serverName = "127.0.0.1:" + B::number(server.port());
        QCOMPARE(hooks(), "A|a|" + serverName + "\nB|" + hostile + '|' + serverName + '\n');
        QVERIFY(!QFile::exists(work.filePath("pwned")));
        QVERIFY(!QFile::exists(work.filePath("pwned2")));
        B err;
        TRY_VERIFY((err += process.readAllStandardError())
                       .contains("the hook for A exited with "
                                 "status 3"));
        // One that hangs is stopped at its limit, and what it started goes with it.
        TRY_VERIFY((err += process.readAllStandardError())
                       .contains("the hook for B was stopped after 1 seconds"));

        // The server goes away and comes back on the same port.
        server.close();
        TRY_VERIFY((out += process.readAllStandardOutput()).contains("\"disconnected\""));
        QVERIFY(server.reopen());
        TRY_VERIFY((out += process.readAllStandardOutput()).count("\"connected\"") == 2);
        const QList<QJsonObject> later = events();
        QCOMPARE(later.at(10).value("event").toString(), "disconnected");
        QVERIFY(!later.at(10).value("reason").toString().isEmpty());
        // Ctrl+C: status 130, nothing half-written.
        ::kill(static_cast<pid_t>(process.processId()), SIGINT);
        QVERIFY(process.waitForFinished(60000));
        out += process.readAllStandardOutput();
        QCOMPARE(process.exitCode(), 130);
        QVERIFY(out.endsWith('\n'));
        // Back with the same torrents: no torrent was added or removed again.
        QCOMPARE(names().mid(10), (QStringList{"disconnected ", "connected "}));
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
