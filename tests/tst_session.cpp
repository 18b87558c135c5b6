// The session without any widget: Connect, polling, chains, the request queue and every failure
// path, against a loopback server that records the exact bytes of every request.
#include "core/columns/ColumnLayout.h"
#include "core/session/Session.h"
#include "core/torrents/StatusReplyProcessor.h"
#include "core/torrents/TorrentListModel.h"
#include "support/TestEnvironment.h"
#include "support/TorrentScript.h"

#include <QTest>
#include <QTimer>

using namespace tavrin;
using namespace tavrin::test;

namespace {

using Torrent = TorrentScript::Torrent;

// A message as "title|style|PSF|text", P S F telling whether polling, a chain step and a request
// were still running when it was shown.
QString box(const QString& title, MessageStyle style, const QString& running, const QString& text)
{
    return title + '|' + QString::number(int(style)) + '|' + running + '|' + text;
}
// An error box shown with everything stopped.
QString errorBox(const QString& text)
{
    return box(QStringLiteral("ERROR"), MessageStyle::Critical, QStringLiteral("000"), text);
}

struct Fixture {
    explicit Fixture(Session::Options options = {20, 3000})
    {
        columns::parse(layout, columns::defaultText(true));
        session = std::make_unique<Session>(*env.settings, model, options);
        script.serve(server);
        session->setHost(QStringLiteral("127.0.0.1"));
        session->setPort(QString::number(server.port()));
        session->setUniqueId(QStringLiteral("u"));
        Session* s = session.get();
        QObject::connect(s, &Session::statusReplyArrived, [this](const QByteArray& reply) {
            ++replies;
            StatusReplyProcessor(false).process(reply, layout, model, RequestKind::Status, 0);
        });
        QObject::connect(s, &Session::message,
                         [this, s](const QString& text, MessageStyle style, const QString& title) {
                             const auto running =
                                 QString::asprintf("%d%d%d", s->refreshRemainingMs() >= 0,
                                                   s->chainStepPending(), s->requestInFlight());
                             shown.append(box(title, style, running, text));
                             maxOpen = std::max(maxOpen, ++open);
                             if (whileShown)
                                 whileShown();
                             --open;
                         });
        QObject::connect(s, &Session::busyChanged, [this](bool b) { busy = b; });
        QObject::connect(s, &Session::fieldsLockedChanged, [this](bool l) { locked = l; });
        QObject::connect(s, &Session::listAreaShown, [this] { ++listShown; });
    }

    // Connects with a refresh interval that never ticks by itself, then polls once.
    void connectAndQuery()
    {
        const int before = replies;
        session->connectToServer(QStringLiteral("3600"));
        session->refresh();
        QTRY_COMPARE(replies, before + 1);
    }

    QList<QByteArray> commands(qsizetype from = 0) const { return commandsOf(server, from); }
    bool settled() const { return !session->requestInFlight() && !session->chainStepPending(); }

    TestEnvironment env;
    LoopbackServer server;
    TorrentScript script;
    TorrentListModel model;
    pugi::xml_document layout;
    std::unique_ptr<Session> session;
    QStringList shown;
    std::function<void()> whileShown;
    int replies = 0;
    int listShown = 0;
    int open = 0; // boxes open at once, as modal boxes would nest
    int maxOpen = 0;
    bool busy = false;
    bool locked = false;
};

} // namespace

class TestSession : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void connectChecksNumbersFirst_data()
    {
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("refresh");
        QTest::addColumn<int>("interval"); // 0: refused, with a box naming the field
        QTest::addColumn<QString>("named");
        const auto row = [](const char* name, const char* port, const char* refresh, int interval,
                            const char* named = "") {
            QTest::newRow(name) << port << refresh << interval << named;
        };
        row("port text", "abc", "1", 0, "Port");
        row("port too high", "65536", "1", 0, "Port");
        row("refresh text", "56667", "soon", 0, "Refresh");
        row("refresh too long", "56667", "3000000", 0, "Refresh");
        row("zero", "56667", "0", 1000);
        row("half to even", "56667", " 2.5 ", 2000);
    }

    void connectChecksNumbersFirst()
    {
        QFETCH(QString, port);
        QFETCH(QString, refresh);
        QFETCH(int, interval);
        QFETCH(QString, named);
        Fixture f;
        f.session->setHost(QStringLiteral("server.lan"));
        f.session->setPort(port);
        f.session->setUniqueId(QStringLiteral("me"));
        f.session->connectToServer(refresh);
        QVERIFY(!f.session->requestInFlight());
        if (interval == 0) {
            QCOMPARE(f.shown.size(), 1);
            QVERIFY2(f.shown.first().startsWith(errorBox(named)), qPrintable(f.shown.first()));
            QCOMPARE(f.session->state(), Session::State::Idle);
            QCOMPARE(f.session->refreshRemainingMs(), -1);
            QVERIFY(!f.busy);
            QCOMPARE(f.env.settings->read(QStringLiteral("Port")), QString());
            return;
        }
        QVERIFY(f.shown.isEmpty());
        QCOMPARE(f.session->state(), Session::State::Polling);
        QCOMPARE(f.session->refreshInterval(), interval);
        QVERIFY(f.session->refreshRemainingMs() > interval - 100);
        QVERIFY(f.busy);
        QVERIFY(!f.locked);
        QStringList stored;
        for (const char* key : {"Host", "Port", "UniqueID", "RefreshSecs"})
            stored << f.env.settings->read(QLatin1String(key));
        QCOMPARE(stored, (QStringList{"server.lan", port, "me", refresh}));
    }

    void firstQueryLeavesOneIntervalAfterConnect()
    {
        Fixture f;
        f.script.torrents = {{"T1", "WORKING"}};
        f.session->setUniqueId(QStringLiteral("abc"));
        const qint64 clicked = f.server.elapsedMs();
        f.session->connectToServer(QStringLiteral("1"));
        QTRY_COMPARE_WITH_TIMEOUT(f.replies, 1, 3000);
        QCOMPARE(f.server.requestBytes(), QList<QByteArray>{"ID|abc\nQUERY|"});
        QVERIFY(f.server.requests().first().atMs - clicked >= 950);
        QCOMPARE(f.listShown, 1);
        QVERIFY(f.locked);
        QVERIFY(!f.busy);
        QCOMPARE(f.model.count(), 1);
    }

    void failuresStopEverythingBeforeTheirOneBox_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<bool>("afterList");
        QTest::addColumn<QString>("text"); // empty: no box
        QTest::newRow("error reply to the first query") << "error" << false << "ERROR: Wrong ID\n";
        QTest::newRow("socket error") << "large" << true
                                      << "SOCKET ERROR: The reply is too large: the server sent "
                                         "more than 100 bytes on one connection.";
        const QString late = "SOCKET ERROR: The server did not answer in time (0.3 seconds).";
        QTest::newRow("no answer") << "silent" << true << late;
        // Each byte that comes does not put the deadline off.
        QTest::newRow("trickling answer") << "trickle" << true << late;
        QTest::newRow("bad port") << "port" << true
                                  << "Port: \"80x\" is not a whole number from 1 to 65535.";
        QTest::newRow("refused") << "refused" << true << "";
    }

    void failuresStopEverythingBeforeTheirOneBox()
    {
        QFETCH(QString, fault);
        QFETCH(bool, afterList);
        QFETCH(QString, text);
        Fixture f({20, 300});
        f.script.torrents = {{"T1", "WORKING"}, {"T2", "pause"}};
        if (afterList) {
            f.connectAndQuery();
            QVERIFY(f.locked);
        } else {
            f.session->connectToServer(QStringLiteral("3600"));
        }
        const QString port = QString::number(f.server.port());
        if (fault == QLatin1String("error"))
            f.script.replyFor.insert("QUERY|", "Feedback\nError=Wrong ID\n");
        if (fault == QLatin1String("large") || fault == QLatin1String("trickle"))
            f.script.replyFor.insert("QUERY|", QByteArray(4096, 'x'));
        if (fault == QLatin1String("large"))
            f.session->engine().setReplyLimit(100);
        if (fault == QLatin1String("trickle"))
            f.server.setChunkSize(1, 20);
        if (fault == QLatin1String("silent"))
            f.server.setReplyDelay(5000);
        if (fault == QLatin1String("port"))
            f.session->setPort(QStringLiteral("80x"));
        if (fault == QLatin1String("refused"))
            f.session->setPort(QString::number(LoopbackServer::unusedPort()));
        // A tick while the box is open sends nothing.
        f.whileShown = [&f] { f.session->refresh(); };
        const int rows = f.model.count();

        f.session->refresh();
        QTRY_COMPARE_WITH_TIMEOUT(f.session->state(), Session::State::Stopped, 5000);
        const QStringList boxes = text.isEmpty() ? QStringList() : QStringList{errorBox(text)};
        QCOMPARE(f.shown, boxes);
        QVERIFY(f.settled());
        QCOMPARE(f.session->refreshRemainingMs(), -1);
        QVERIFY(!f.busy);
        // The fields are usable again; the list keeps its rows; an error reply shows no list.
        QVERIFY(!f.locked);
        QCOMPARE(f.model.count(), rows);
        QCOMPARE(f.listShown, afterList ? 1 : 0);

        // Connect again with what the fields then hold.
        f.server.setReplyDelay(0);
        f.server.setChunkSize(0);
        f.script.replyFor.clear();
        f.session->engine().setReplyLimit(ReplyFramer::defaultLimit);
        f.session->setPort(port);
        f.connectAndQuery();
        QCOMPARE(f.session->state(), Session::State::Polling);
        QVERIFY(f.locked);
        QCOMPARE(f.listShown, 1);
        QCOMPARE(f.model.count(), 2);
        QCOMPARE(f.shown, boxes);
    }

    void slowReplyIsNotAbandonedByTicks()
    {
        Fixture f;
        f.script.torrents = {{"T1", "WORKING"}};
        f.server.setReplyDelay(300);
        f.session->connectToServer(QStringLiteral("3600"));
        f.session->refresh();
        QTRY_COMPARE(f.server.requests().size(), 1);
        f.session->refresh();
        f.session->refresh();
        QTRY_COMPARE(f.replies, 1);
        QCOMPARE(f.commands(), QList<QByteArray>{"QUERY|"});
        QCOMPARE(f.model.count(), 1);
    }

    void commandsWaitTheirTurnAndTicksAreHeld()
    {
        Fixture f;
        f.script.torrents = {{"T1", "WORKING"}};
        f.connectAndQuery();
        f.server.setReplyDelay(100);
        f.session->refresh();
        QTRY_COMPARE(f.server.requests().size(), 2);
        // The status query in flight gives way; the commands go one at a time, in order.
        f.session->addLink(QStringLiteral("a"));
        f.session->deleteCompleted();
        f.session->queueAll();
        f.session->refresh();
        QTRY_COMPARE_WITH_TIMEOUT(f.replies, 2, 5000);
        QVERIFY(f.settled());
        QCOMPARE(f.commands(1),
                 (QList<QByteArray>{"QUERY|", "ADD|a", "DELETE|COMPLETED", "QUEUE|ALL", "QUERY|"}));
        const auto& r = f.server.requests();
        for (qsizetype i = 3; i < r.size(); ++i)
            QVERIFY(r.at(i).atMs - r.at(i - 1).atMs >= 100);
        QVERIFY(!f.busy);
    }

    void chainsRunToTheirEnd_data()
    {
        QTest::addColumn<bool>("pause");
        QTest::addColumn<int>("delayMs"); // 0: the program's own
        QTest::addColumn<QList<Torrent>>("torrents");
        QTest::addColumn<QList<QByteArray>>("expected");
        QTest::newRow("pause all")
            << true << 0
            << QList<Torrent>{{"T1", "WORKING"}, {"T2", "pause"}, {"T3", "completed/seeding"}}
            << QList<QByteArray>{"PAUSE|T1", "PAUSE|T3", "QUERY|"};
        QTest::newRow("resume all")
            << false << 20 << QList<Torrent>{{"T1", "pause"}, {"T2", "WORKING"}, {"T3", "STOP"}}
            << QList<QByteArray>{"RESUME|T1", "RESUME|T2", "RESUME|T3", "QUERY|"};
        QList<Torrent> forty;
        QList<QByteArray> every;
        for (int i = 1; i <= 40; ++i) {
            forty.append({"T" + QByteArray::number(i), i % 2 ? "WORKING" : "WORKING "});
            if (i % 2)
                every.append("PAUSE|T" + QByteArray::number(i));
        }
        QTest::newRow("pause all of 40")
            << true << 1 << forty << every + QList<QByteArray>{"QUERY|"};
    }

    void chainsRunToTheirEnd()
    {
        QFETCH(bool, pause);
        QFETCH(int, delayMs);
        QFETCH(QList<Torrent>, torrents);
        QFETCH(QList<QByteArray>, expected);
        Fixture f(delayMs ? Session::Options{delayMs, 3000} : Session::Options{});
        const int delay = delayMs ? delayMs : 500;
        f.script.torrents = torrents;
        f.connectAndQuery();
        // A refresh far faster than the chain: its ticks are held.
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, f.session.get(), [&f, &ticker] {
            if (!f.session->chainRunning())
                ticker.stop();
            f.session->refresh();
        });
        pause ? f.session->startPauseAll() : f.session->startResumeAll();
        ticker.start(5);
        QVERIFY(f.busy);
        QTRY_VERIFY_WITH_TIMEOUT(!ticker.isActive() && f.settled(), 20000);
        QCOMPARE(f.replies, 2);
        QCOMPARE(f.commands(1), expected);
        const auto& r = f.server.requests();
        for (qsizetype i = 2; i < r.size(); ++i)
            QVERIFY(r.at(i).atMs - r.at(i - 1).atMs >= delay - 5);
        // The chain's own query brought the new statuses; polling resumes at the interval.
        for (int p = 1; p <= f.model.count(); ++p) {
            const bool sent = expected.contains((pause ? "PAUSE|" : "RESUME|") + f.model.tag(p));
            if (sent)
                QCOMPARE(f.session->statusAt(p), QByteArrayView(pause ? "pause" : "WORKING"));
        }
        QVERIFY(!f.busy);
        QVERIFY(f.session->refreshRemainingMs() > 3599500);
        QVERIFY(!f.session->chainRunning());
    }

    void chainsEndEarly_data()
    {
        QTest::addColumn<QString>("by");
        QTest::addColumn<QList<QByteArray>>("expected");
        QTest::addColumn<QString>("text");
        QTest::newRow("error reply, trickled")
            << "error" << QList<QByteArray>{"PAUSE|T1", "PAUSE|T2"} << "ERROR: busy, try later\n";
        QTest::newRow("reply without data")
            << "empty" << QList<QByteArray>{"PAUSE|T1", "PAUSE|T2"} << "";
        QTest::newRow("another command")
            << "queue all" << QList<QByteArray>{"PAUSE|T1", "QUEUE|ALL"} << "";
    }

    void chainsEndEarly()
    {
        QFETCH(QString, by);
        QFETCH(QList<QByteArray>, expected);
        QFETCH(QString, text);
        // A step that waits long enough to act in, or at once.
        Fixture f({by == QLatin1String("queue all") ? 300 : 1, 3000});
        f.script.torrents = {{"T1", "WORKING"}, {"T2", "WORKING"}, {"T3", "WORKING"}};
        f.connectAndQuery();
        if (by == QLatin1String("error")) {
            // Pieces far apart, so a step started on recognising the prefix would run first.
            f.script.replyFor.insert("PAUSE|T2", "Feedback\nError=busy, try later\n");
            f.server.setChunkSize(4, 15);
        }
        if (by == QLatin1String("empty"))
            f.script.replyFor.insert("PAUSE|T2", "");
        f.session->startPauseAll();
        if (by == QLatin1String("queue all")) {
            QTRY_VERIFY(f.session->chainStepPending());
            f.session->queueAll();
            QVERIFY(!f.session->chainStepPending());
        }
        QTRY_VERIFY_WITH_TIMEOUT(!f.session->chainRunning() && f.settled(), 5000);
        QTRY_COMPARE(f.server.requests().size(), 1 + expected.size());
        QCOMPARE(f.commands(1), expected);
        QCOMPARE(f.shown, text.isEmpty() ? QStringList() : QStringList{errorBox(text)});
        if (!text.isEmpty()) {
            QCOMPARE(f.session->state(), Session::State::Stopped);
            return;
        }
        QCOMPARE(f.session->state(), Session::State::Polling);
        QVERIFY(f.session->refreshRemainingMs() > 3599500);
        QCOMPARE(f.busy, by == QLatin1String("queue all"));
    }

    void chainsWithNothingToDo_data()
    {
        QTest::addColumn<bool>("pause");
        QTest::addColumn<QList<Torrent>>("torrents");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("style");
        QTest::newRow("nothing active")
            << true << QList<Torrent>{{"T1", "pause"}, {"T2", "WORKING "}, {"T3", "STOP"}}
            << "Nothing to pause!"
            << "Pause all" << int(MessageStyle::Plain);
        QTest::newRow("empty list")
            << false << QList<Torrent>{} << "There is no torrent in the list to resume."
            << "ERROR" << int(MessageStyle::Critical);
    }

    void chainsWithNothingToDo()
    {
        QFETCH(bool, pause);
        QFETCH(QList<Torrent>, torrents);
        QFETCH(QString, text);
        QFETCH(QString, title);
        QFETCH(int, style);
        Fixture f;
        f.script.torrents = torrents;
        f.connectAndQuery();
        const auto start = [&f, pause] {
            pause ? f.session->startPauseAll() : f.session->startResumeAll();
        };
        // Asked again while the box is open: the second box waits for the first to close.
        f.whileShown = [&f, &start] {
            if (f.shown.size() == 1)
                start();
        };
        start();
        QCOMPARE(f.shown.size(), 2);
        QCOMPARE(f.maxOpen, 1);
        QCOMPARE(f.shown.first(), box(title, MessageStyle(style), "100", text));
        // Nothing is sent, and the pointer waits for the next status reply.
        QVERIFY(f.settled());
        QVERIFY(!f.session->chainRunning());
        QVERIFY(f.busy);
        QCOMPARE(f.session->state(), Session::State::Polling);
    }
};

QTEST_GUILESS_MAIN(TestSession)
#include "tst_session.moc"
