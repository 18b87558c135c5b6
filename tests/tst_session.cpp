// The session without any widget: Connect, polling, chains, the request queue and every failure
// path, against a loopback server that records the exact bytes of every request.
#include "core/columns/ColumnLayout.h"
#include "core/platform/SleepWatch.h"
#include "core/session/ConnectionStatus.h"
#include "core/session/Reconnector.h"
#include "core/session/Session.h"
#include "core/torrents/StatusReplyProcessor.h"
#include "core/torrents/TorrentListModel.h"
#include "support/TestEnvironment.h"
#include "support/TorrentScript.h"
#include "support/Waits.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace tavrin;
using namespace tavrin::test;
using Torrents = QList<TorrentScript::Torrent>;
using State = Session::State;
using Text = const QString&;

namespace {

struct Fixture {
    explicit Fixture(Session::Options options = {20, 600000})
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
        // A message as "title|style|PSF|text", P S F telling whether polling, a chain step and a
        // request were still running when it was shown.
        QObject::connect(
            s, &Session::message, [this, s](Text text, MessageStyle style, Text title) {
                const auto running = QString::asprintf("%d%d%d", s->refreshRemainingMs() >= 0,
                                                       s->chainStepPending(), s->requestInFlight());
                shown << title + '|' + QString::number(int(style)) + '|' + running + '|' + text;
                maxOpen = std::max(maxOpen, ++open);
                if (whileShown)
                    whileShown();
                --open;
            });
        QObject::connect(s, &Session::logEntry, [this](Text text) { logged << text; });
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
        QTRY_COMPARE_WITH_TIMEOUT(replies, before + 1, 60000);
        // Whatever restarts the refresh timer from here on leaves it fuller than Connect did.
        QTest::qWait(20);
        sinceQuery.start();
    }
    QList<QByteArray> commands(qsizetype from = 0) const { return commandsOf(server, from); }
    bool settled() const { return !session->requestInFlight() && !session->chainStepPending(); }
    // Polling again at the full interval, as after a chain's own query: the timer was started
    // after the last connectAndQuery, however long ago that is.
    bool pollingAfresh() const
    {
        return session->refreshRemainingMs() >= 3600000 - sinceQuery.elapsed() - 5;
    }

    TestEnvironment env;
    LoopbackServer server;
    TorrentScript script;
    TorrentListModel model;
    pugi::xml_document layout;
    std::unique_ptr<Session> session;
    QElapsedTimer sinceQuery;
    QStringList shown, logged;
    std::function<void()> whileShown;
    int replies = 0, listShown = 0;
    int open = 0, maxOpen = 0; // boxes open at once, as modal boxes would nest
    bool busy = false, locked = false;
};

} // namespace

class TestSession : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The port and refresh text (an empty port: the server's), the interval (0: refused, with a
    // box naming the field). Accepted fields are stored and nothing is sent before the first
    // tick.
    void connectChecksNumbersFirst_data()
    {
        QTest::addColumn<QString>("portText");
        QTest::addColumn<QString>("refresh");
        QTest::addColumn<int>("interval");
        QTest::addColumn<QString>("named");
        QTest::newRow("port not a number") << "abc"
                                           << "1" << 0 << "Port";
        QTest::newRow("port too large") << "65536"
                                        << "1" << 0 << "Port";
        QTest::newRow("refresh not a number") << ""
                                              << "soon" << 0 << "Refresh";
        QTest::newRow("refresh too large") << ""
                                           << "3000000" << 0 << "Refresh";
        QTest::newRow("refresh 0: one second") << ""
                                               << "0" << 1000 << "";
        QTest::newRow("refresh 2.5: half to even") << ""
                                                   << " 2.5 " << 2000 << "";
    }
    void connectChecksNumbersFirst()
    {
        QFETCH(QString, portText);
        QFETCH(QString, refresh);
        QFETCH(int, interval);
        QFETCH(QString, named);
        Fixture f;
        f.script.torrents = {{"T1", "WORKING"}};
        const QString port = portText.isEmpty() ? QString::number(f.server.port()) : portText;
        f.session->setPort(port);
        f.session->setUniqueId(QStringLiteral("abc"));
        f.session->connectToServer(refresh);
        if (interval == 0) {
            QCOMPARE(f.shown.size(), 1);
            QVERIFY2(f.shown.first().startsWith("ERROR|16|000|" + named), qPrintable(f.shown[0]));
            QCOMPARE(f.session->state(), State::Idle);
            QCOMPARE(f.session->refreshRemainingMs(), -1);
            QVERIFY(!f.busy);
            QVERIFY(f.settled());
            QCOMPARE(f.env.settings->read(QStringLiteral("Port")), QString());
            return;
        }
        QCOMPARE(f.shown, QStringList());
        QVERIFY(f.busy);
        QVERIFY(!f.locked);
        QCOMPARE(f.session->state(), State::Polling);
        QCOMPARE(f.session->refreshInterval(), interval);
        // Nothing goes out at once: the timer's first tick asks.
        QVERIFY(!f.session->requestInFlight());
        QVERIFY(f.session->refreshRemainingMs() >= 0);
        QStringList stored;
        for (const char* key : {"Host", "Port", "UniqueID", "RefreshSecs"})
            stored << f.env.settings->read(QLatin1String(key));
        QCOMPARE(stored, (QStringList{"127.0.0.1", port, "abc", refresh}));
        QTRY_COMPARE_WITH_TIMEOUT(f.replies, 1, 60000);
        QCOMPARE(f.server.requestBytes(), QList<QByteArray>{"ID|abc\nQUERY|"});
        QCOMPARE(f.listShown, 1);
        QVERIFY(f.locked);
        QVERIFY(!f.busy);
        QCOMPARE(f.model.count(), 1);
    }

    // The fault, whether it comes after the list was shown, and its box (none: no box). A tick
    // while the box is open sends nothing; afterwards Connect works again.
    void failuresStopEverythingBeforeTheirOneBox_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<bool>("afterList");
        QTest::addColumn<QString>("text");
        const QString late = "SOCKET ERROR: The server did not answer in time (0.3 seconds).";
        QTest::newRow("error reply") << "error" << false << "ERROR: Wrong ID\n";
        QTest::newRow("too large") << "large" << true
                                   << "SOCKET ERROR: The reply is too large: the server sent "
                                      "more than 100 bytes on one connection.";
        QTest::newRow("silent") << "silent" << true << late;
        // Each byte that comes does not put the deadline off.
        QTest::newRow("trickle") << "trickle" << true << late;
        QTest::newRow("bad port") << "port" << true
                                  << "Port: \"80x\" is not a whole number from 1 to 65535.";
        QTest::newRow("refused") << "refused" << true << "";
    }
    void failuresStopEverythingBeforeTheirOneBox()
    {
        QFETCH(QString, fault);
        QFETCH(bool, afterList);
        QFETCH(QString, text);
        Fixture f;
        f.script.torrents = {{"T1", "WORKING"}, {"T2", "pause"}};
        const QString port = QString::number(f.server.port());
        const QHash<QString, QString> ports{
            {"port", "80x"}, {"refused", QString::number(LoopbackServer::unusedPort())}};
        const auto arrange = [&f, &port, &ports](const QString& fault) {
            f.script.replyFor.clear();
            if (fault == "error")
                f.script.replyFor.insert("QUERY|", "Feedback\nError=Wrong ID\n");
            if (fault == "large" || fault == "trickle")
                f.script.replyFor.insert("QUERY|", QByteArray(4096, 'x'));
            f.session->setReplyLimit(fault == "large" ? 100 : ReplyFramer::defaultLimit);
            // Only the rows about the deadline meet a short one; the server stays silent far
            // longer than it.
            const bool late = fault == "silent" || fault == "trickle";
            f.session->setDeadline(late ? 300 : 600000);
            f.server.setChunkSize(fault == "trickle" ? 1 : 0, 20);
            f.server.setReplyDelay(fault == "silent" ? 600000 : 0);
            f.session->setPort(ports.value(fault, port));
        };
        afterList ? f.connectAndQuery() : f.session->connectToServer(QStringLiteral("3600"));
        QCOMPARE(f.locked, afterList);
        arrange(fault);
        f.whileShown = [&f] { f.session->refresh(); };

        f.session->refresh();
        QTRY_COMPARE_WITH_TIMEOUT(f.session->state(), State::Stopped, 60000);
        const QStringList boxes =
            text.isEmpty() ? QStringList() : QStringList{"ERROR|16|000|" + text};
        QCOMPARE(f.shown, boxes);
        QVERIFY(f.settled());
        QCOMPARE(f.session->refreshRemainingMs(), -1);
        QVERIFY(!f.busy);
        // The fields are usable again; the list keeps its rows; an error reply shows no list.
        QVERIFY(!f.locked);
        QCOMPARE(f.model.count(), 2 * afterList);
        QCOMPARE(f.listShown, int(afterList));

        // Connect again with what the fields then hold.
        arrange(QString());
        f.connectAndQuery();
        QCOMPARE(f.session->state(), State::Polling);
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
        TRY_COMPARE(f.server.requests().size(), 1);
        f.session->refresh();
        f.session->refresh();
        TRY_COMPARE(f.replies, 1);
        QCOMPARE(f.commands(), QList<QByteArray>{"QUERY|"});
        QCOMPARE(f.model.count(), 1);
    }

    void commandsWaitTheirTurnAndTicksAreHeld()
    {
        Fixture f;
        f.script.torrents = {{"T1", "WORKING"}};
        f.connectAndQuery();
        f.server.setReplyDelay(300);
        f.session->refresh();
        TRY_COMPARE(f.server.requests().size(), 2);
        // The status query in flight gives way; the commands go one at a time, in order.
        f.session->addLink(QStringLiteral("a"));
        f.session->deleteCompleted();
        f.session->queueAll();
        f.session->refresh();
        QTRY_COMPARE_WITH_TIMEOUT(f.replies, 2, 60000);
        QVERIFY(f.settled());
        QVERIFY(!f.busy);
        QCOMPARE(f.commands(1),
                 (QList<QByteArray>{"QUERY|", "ADD|a", "DELETE|COMPLETED", "QUEUE|ALL", "QUERY|"}));
        const auto& r = f.server.requests();
        for (qsizetype i = 3; i < r.size(); ++i)
            QVERIFY(r.at(i).atMs - r.at(i - 1).atMs >= 300);
    }

    // Pause or resume all, the step delay, the torrents, the commands. A refresh far faster than
    // the chain: its ticks are held.
    void chainsRunToTheirEnd_data()
    {
        QTest::addColumn<bool>("pause");
        QTest::addColumn<int>("delayMs");
        QTest::addColumn<Torrents>("torrents");
        QTest::addColumn<QList<QByteArray>>("expected");
        QTest::newRow("pause, the program's own delay")
            << true << 500
            << Torrents{{"T1", "WORKING"}, {"T2", "pause"}, {"T3", "completed/seeding"}}
            << QList<QByteArray>{"PAUSE|T1", "PAUSE|T3", "QUERY|"};
        QTest::newRow("resume") << false << 20
                                << Torrents{{"T1", "pause"}, {"T2", "WORKING"}, {"T3", "STOP"}}
                                << QList<QByteArray>{"RESUME|T1", "RESUME|T2", "RESUME|T3",
                                                     "QUERY|"};
        Torrents forty;
        QList<QByteArray> every;
        for (int i = 1; i <= 40; ++i) {
            forty.append({"T" + QByteArray::number(i), i % 2 ? "WORKING" : "WORKING "});
            if (i % 2)
                every.append("PAUSE|T" + QByteArray::number(i));
        }
        QTest::newRow("forty") << true << 1 << forty << every + QList<QByteArray>{"QUERY|"};
    }
    void chainsRunToTheirEnd()
    {
        QFETCH(bool, pause);
        QFETCH(int, delayMs);
        QFETCH(Torrents, torrents);
        QFETCH(QList<QByteArray>, expected);
        Fixture f({delayMs, 600000});
        f.script.torrents = torrents;
        f.connectAndQuery();
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, f.session.get(), [&f, &ticker] {
            if (!f.session->chainRunning())
                ticker.stop();
            f.session->refresh();
        });
        pause ? f.session->startPauseAll() : f.session->startResumeAll();
        ticker.start(5);
        QVERIFY(f.busy);
        QTRY_VERIFY_WITH_TIMEOUT(!ticker.isActive() && f.settled(), 120000);
        QCOMPARE(f.replies, 2);
        QCOMPARE(f.commands(1), expected);
        const auto& r = f.server.requests();
        for (qsizetype i = 2; i < r.size(); ++i)
            QVERIFY(r.at(i).atMs - r.at(i - 1).atMs >= delayMs - 5);
        // The chain's own query brought the new statuses; polling resumes at the interval.
        for (int p = 1; p <= f.model.count(); ++p)
            if (expected.contains((pause ? "PAUSE|" : "RESUME|") + f.model.torrentId(p)))
                QCOMPARE(f.session->statusAt(p), QByteArrayView(pause ? "pause" : "WORKING"));
        QVERIFY(!f.busy);
        QVERIFY(!f.session->chainRunning());
        QVERIFY(f.pollingAfresh());
    }

    // The reply to the second step (none: another command comes while the step waits), the
    // commands and the box. A trickled error reply comes in pieces far apart, so a step started
    // on recognising its prefix would run first.
    void chainsEndEarly_data()
    {
        QTest::addColumn<std::optional<QByteArray>>("reply");
        QTest::addColumn<QList<QByteArray>>("expected");
        QTest::addColumn<QString>("text");
        QTest::newRow("error reply")
            << std::optional<QByteArray>("Feedback\nError=busy, try later\n")
            << QList<QByteArray>{"PAUSE|T1", "PAUSE|T2"} << "ERROR: busy, try later\n";
        QTest::newRow("empty reply") << std::optional<QByteArray>("")
                                     << QList<QByteArray>{"PAUSE|T1", "PAUSE|T2"} << QString();
        QTest::newRow("a command meanwhile")
            << std::optional<QByteArray>() << QList<QByteArray>{"PAUSE|T1", "QUEUE|ALL"}
            << QString();
    }
    void chainsEndEarly()
    {
        using Reply = std::optional<QByteArray>;
        QFETCH(Reply, reply);
        QFETCH(QList<QByteArray>, expected);
        QFETCH(QString, text);
        // Without a reply to wait for, the step waits longer than any test runs.
        Fixture f({reply ? 1 : 600000, 600000});
        f.script.torrents = {{"T1", "WORKING"}, {"T2", "WORKING"}, {"T3", "WORKING"}};
        f.connectAndQuery();
        if (reply)
            f.script.replyFor.insert("PAUSE|T2", *reply);
        f.server.setChunkSize(reply && !reply->isEmpty() ? 4 : 0, 15);
        f.session->startPauseAll();
        if (!reply) {
            TRY_VERIFY(f.session->chainStepPending());
            f.session->queueAll();
            QVERIFY(!f.session->chainStepPending());
        }
        TRY_VERIFY(!f.session->chainRunning() && f.settled());
        TRY_COMPARE(f.server.requests().size(), 1 + expected.size());
        QCOMPARE(f.commands(1), expected);
        QCOMPARE(f.shown, text.isEmpty() ? QStringList() : QStringList{"ERROR|16|000|" + text});
        QCOMPARE(f.session->state(), text.isEmpty() ? State::Polling : State::Stopped);
        QCOMPARE(f.pollingAfresh(), text.isEmpty());
        QCOMPARE(f.busy, !reply);
    }

    // Asked again while the box is open: the second message only goes to the log, so closing
    // the box uncovers nothing stale. Nothing is sent, and the pointer waits for the next status
    // reply.
    void chainsWithNothingToDo_data()
    {
        QTest::addColumn<bool>("pause");
        QTest::addColumn<Torrents>("torrents");
        QTest::addColumn<QString>("shown");
        QTest::newRow("pause") << true << Torrents{{"T1", "pause"}, {"T2", "WORKING "}}
                               << "Pause all|0|100|Nothing to pause!";
        QTest::newRow("resume") << false << Torrents{}
                                << "ERROR|16|100|There is no torrent in the list to resume.";
    }
    void chainsWithNothingToDo()
    {
        QFETCH(bool, pause);
        QFETCH(Torrents, torrents);
        QFETCH(QString, shown);
        Fixture f;
        f.script.torrents = torrents;
        f.connectAndQuery();
        const auto start = [&f, pause] {
            pause ? f.session->startPauseAll() : f.session->startResumeAll();
        };
        f.whileShown = [&f, &start] {
            if (f.shown.size() == 1)
                start();
        };
        start();
        QCOMPARE(f.shown, QStringList{shown});
        QCOMPARE(f.logged, QStringList(2, shown.section('|', 3)));
        QVERIFY(f.settled());
        QVERIFY(!f.session->chainRunning());
        QVERIFY(f.busy);
        QCOMPARE(f.session->state(), State::Polling);
    }

    // A tick while polling and a box is open sends nothing; the next tick after it asks again.
    void tickWaitsForAnOpenBox()
    {
        Fixture f;
        f.script.torrents = {{"T1", "pause"}};
        f.connectAndQuery();
        bool sentWhileOpen = true;
        f.whileShown = [&f, &sentWhileOpen] {
            f.session->refresh();
            sentWhileOpen = f.session->requestInFlight();
        };
        f.session->startPauseAll(); // nothing to pause: a box, and polling goes on
        QCOMPARE(f.shown.size(), 1);
        QCOMPARE(sentWhileOpen, false);
        QCOMPARE(f.session->requestInFlight(), false);
        QCOMPARE(f.session->state(), State::Polling);
        f.connectAndQuery();
        QCOMPARE(f.replies, 2);
    }

    // What the status bar says in each state of the connection: before the first reply, after
    // it, and after each kind of failure (a refused connection too, which shows no box).
    void connectionStatusInWords_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("text"); // %1: the server as "HOST:PORT"
        QTest::newRow("connected")
            << ""
            << "Connected to %1 (Kestrun 3) \u00b7 2 torrents \u00b7 down 3.00 kB/s, up 5.00 MB/s "
               "\u00b7 last reply 11:00:58";
        QTest::newRow("refused") << "refused"
                                 << "Connection refused by %1: is Kestrun running there?";
        QTest::newRow("error reply") << "error"
                                     << "Stopped: ERROR: Wrong ID\u240a";
        QTest::newRow("timeout") << "timeout"
                                 << "Stopped: SOCKET ERROR: The server did not answer in time (0.3 "
                                    "seconds).";
    }
    void connectionStatusInWords()
    {
        QFETCH(QString, fault);
        QFETCH(QString, text);
        Fixture f;
        f.script.torrents = {{"T1", "WORKING"}, {"T2", "pause"}};
        if (fault == "refused")
            f.session->setPort(QString::number(LoopbackServer::unusedPort()));
        if (fault == "error")
            f.script.replyFor.insert("QUERY|", "Feedback\nError=Wrong ID\n");
        if (fault == "timeout") {
            // A deadline only a silent server can reach.
            f.session->setDeadline(300);
            f.server.setReplyDelay(600000);
        }
        ConnectionStatus status(*f.session, f.model, f.env.clock);
        QStringList said;
        connect(&status, &ConnectionStatus::changed, [&said](const QString& t) { said << t; });
        f.session->connectToServer(QStringLiteral("3600"));
        QCOMPARE(said.value(0),
                 "Connecting to " + f.session->serverName() + ": first query in 3600 s");
        f.session->refresh();
        // The countdown may say more while the reply is on its way.
        TRY_VERIFY(!said.last().startsWith("Connecting"));
        QCOMPARE(said.last(), text.arg(f.session->serverName()));
    }

    // With reconnection on, a lost server is tried again after 2, 4, 8, ... up to 60 seconds,
    // without a box, until it answers; then the next loss starts from 2 seconds again. The
    // waits are read, not waited for.
    void reconnectsAfterALoss()
    {
        Fixture f;
        f.script.torrents = {{"T1", "WORKING"}};
        Reconnector reconnector(*f.session, f.env.clock, [] { return QStringLiteral("3600"); });
        reconnector.setEnabled(true);
        f.connectAndQuery();
        f.server.close();
        f.session->refresh();
        TRY_VERIFY(reconnector.isWaiting());
        QList<int> waits;
        for (int attempt = 0; attempt < 7; ++attempt) {
            TRY_VERIFY(reconnector.isWaiting());
            waits << reconnector.delayMs();
            reconnector.retryNow();
        }
        QCOMPARE(waits, (QList<int>{2000, 4000, 8000, 16000, 32000, 60000, 60000}));
        TRY_VERIFY(reconnector.isWaiting());
        QCOMPARE(f.shown, QStringList());
        // The countdown follows the clock.
        QCOMPARE(reconnector.secondsLeft(), 60);
        f.env.clock.time = f.env.clock.time.addSecs(15);
        QCOMPARE(reconnector.secondsLeft(), 45);

        QVERIFY(f.server.reopen());
        const int before = f.replies;
        reconnector.retryNow();
        TRY_COMPARE(f.replies, before + 1);
        QCOMPARE(f.session->state(), State::Polling);
        QVERIFY(!reconnector.isWaiting());

        f.server.close();
        f.session->refresh();
        TRY_VERIFY(reconnector.isWaiting());
        QCOMPARE(reconnector.delayMs(), 2000);
        // A wall clock far ahead of the time that passed: the computer slept; try at once.
        f.env.clock.time = f.env.clock.time.addSecs(3600);
        reconnector.checkClock();
        TRY_VERIFY(reconnector.delayMs() == 4000);
    }

    // A server that stops answering in time is a network loss too: with reconnection on it
    // shows no box, only the log and the status bar say so.
    void timeoutWithReconnectionShowsNoBox()
    {
        Fixture f;
        f.script.torrents = {{"T1", "WORKING"}};
        Reconnector reconnector(*f.session, f.env.clock, [] { return QStringLiteral("3600"); });
        reconnector.setEnabled(true);
        f.connectAndQuery();
        f.session->setDeadline(300); // only a silent server reaches it
        f.server.setReplyDelay(600000);
        f.session->refresh();
        TRY_VERIFY(reconnector.isWaiting());
        QCOMPARE(f.shown, QStringList());
        QVERIFY(f.logged.last().startsWith("SOCKET ERROR: The server did not answer in time"));
    }

    // What does not start a wait: an error reply (which needs the user, and gets its box), the
    // option off, and a wait ended by the user.
    void reconnectsOnlyWhenItShould()
    {
        Fixture f;
        f.script.torrents = {{"T1", "WORKING"}};
        Reconnector reconnector(*f.session, f.env.clock, [] { return QStringLiteral("3600"); });
        reconnector.setEnabled(true);
        f.script.replyFor.insert("QUERY|", "Feedback\nError=Wrong ID\n");
        f.session->connectToServer(QStringLiteral("3600"));
        f.session->refresh();
        TRY_COMPARE(f.session->state(), State::Stopped);
        QVERIFY(!reconnector.isWaiting());
        QCOMPARE(f.shown.size(), 1);

        f.script.replyFor.clear();
        f.connectAndQuery();
        f.server.close();
        f.session->refresh();
        TRY_VERIFY(reconnector.isWaiting());
        reconnector.cancel();
        QVERIFY(!reconnector.isWaiting());

        reconnector.setEnabled(false);
        QVERIFY(f.server.reopen());
        f.connectAndQuery();
        f.server.close();
        f.session->refresh();
        TRY_COMPARE(f.session->state(), State::Stopped);
        QVERIFY(!reconnector.isWaiting());
    }

    // logind's PrepareForSleep on a private bus started here: the wake, not the sleep, ends a
    // waiting reconnection at once.
    void wakeFromSleepRetriesAtOnce()
    {
        QProcess daemon;
        daemon.start(QStringLiteral("dbus-daemon"),
                     {QStringLiteral("--session"), QStringLiteral("--nofork"),
                      QStringLiteral("--print-address")});
        QVERIFY2(daemon.waitForStarted(60000), "dbus-daemon did not start");
        TRY_VERIFY(daemon.canReadLine());
        const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
        QDBusConnection watched = QDBusConnection::connectToBus(address, QStringLiteral("watch"));
        QDBusConnection logind = QDBusConnection::connectToBus(address, QStringLiteral("logind"));
        QVERIFY(logind.registerService(QStringLiteral("org.freedesktop.login1")));
        SleepWatch watch(watched);
        QVERIFY(watch.isListening());
        QSignalSpy woke(&watch, &SleepWatch::woke);
        const auto send = [&logind](bool sleeping) {
            QDBusMessage signal =
                QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/login1"),
                                           QStringLiteral("org.freedesktop.login1.Manager"),
                                           QStringLiteral("PrepareForSleep"));
            signal << sleeping;
            return logind.send(signal);
        };

        Fixture f;
        f.script.torrents = {{"T1", "WORKING"}};
        Reconnector reconnector(*f.session, f.env.clock, [] { return QStringLiteral("3600"); });
        reconnector.setEnabled(true);
        QObject::connect(&watch, &SleepWatch::woke, &reconnector, &Reconnector::onWoke);
        f.connectAndQuery();
        f.server.close();
        f.session->refresh();
        TRY_VERIFY(reconnector.isWaiting());
        QCOMPARE(reconnector.delayMs(), 2000);
        QVERIFY(send(true));
        // A round trip through the bus after it: the going to sleep has been delivered.
        QVERIFY(watched.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.login1")));
        QCoreApplication::processEvents();
        QCOMPARE(woke.size(), 0);
        QVERIFY(reconnector.isWaiting());
        QVERIFY(send(false));
        TRY_COMPARE(woke.size(), 1);
        // Tried at once and refused again: the next, longer wait.
        TRY_COMPARE(reconnector.delayMs(), 4000);

        QDBusConnection::disconnectFromBus(QStringLiteral("watch"));
        QDBusConnection::disconnectFromBus(QStringLiteral("logind"));
        daemon.kill();
        daemon.waitForFinished(60000);
    }
};

QTEST_GUILESS_MAIN(TestSession)
#include "tst_session.moc"
