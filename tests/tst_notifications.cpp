// Desktop notifications of finished downloads: the real window against a loopback server, the
// notification service played on a private session bus that this test starts.
#include "support/Waits.h"
#include "support/WindowHarness.h"

#include "core/platform/Translations.h"
#include "core/watch/CatchUpStore.h"

#include <QAction>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QProcess>

using namespace tavrin;
using namespace tavrin::test;

namespace {

// org.freedesktop.Notifications as the test plays it: records each call.
class FakeNotifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Call {
        QString summary;
        QString body;
        QStringList actions;
    };
    QList<Call> calls;

public Q_SLOTS:
    uint Notify(const QString&, uint, const QString&, const QString& summary, const QString& body,
                const QStringList& actions, const QVariantMap&, int)
    {
        calls.append({summary, body, actions});
        return uint(calls.size());
    }
};

using Torrent = TorrentScript::Torrent;

// "A:WORKING:50%,B:COMPLETED/SEEDING:100%": the torrents of one reply.
QList<Torrent> torrentsOf(const QByteArray& reply)
{
    QList<Torrent> list;
    for (const QByteArray& item : reply.split(',')) {
        if (item.isEmpty())
            continue;
        const QList<QByteArray> f = item.split(':');
        Torrent t{f.at(0), f.at(1)};
        t.progress = f.at(2);
        list.append(t);
    }
    return list;
}

struct Harness : WindowHarness {
    explicit Harness(const QString& catchUpFile = {}, const QString& notifications = {})
        : WindowHarness(notifications.isEmpty()
                            ? QMap<QString, QString>()
                            : QMap<QString, QString>{{"Options/Notifications", notifications}},
                        optionsWith(catchUpFile))
    {
        script.serve(server);
    }
    static MainWindowOptions optionsWith(const QString& catchUpFile)
    {
        MainWindowOptions options;
        options.catchUpFile = catchUpFile;
        return options;
    }
    void reply(const QByteArray& torrents)
    {
        script.torrents = torrentsOf(torrents);
        if (!window->session()->fieldsLocked() &&
            window->session()->state() != Session::State::Polling)
            connectAs(QStringLiteral("u"));
        refresh();
    }
    TorrentScript script;
};

} // namespace

class TestNotifications : public QObject {
    Q_OBJECT
    QProcess m_daemon;
    FakeNotifications m_service;
    QTemporaryDir m_dir;

    // A round trip through the bus: calls sent before it have been delivered.
    static void settle()
    {
        QDBusConnection::sessionBus().interface()->isServiceRegistered(QStringLiteral("x.y"));
        QCoreApplication::processEvents();
        QDBusConnection::sessionBus().interface()->isServiceRegistered(QStringLiteral("x.y"));
        QCoreApplication::processEvents();
    }
    static QDBusConnection serviceBus() { return QDBusConnection(QStringLiteral("service")); }

private Q_SLOTS:
    void initTestCase()
    {
        translations::install(QStringLiteral("en"));
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--session"), QStringLiteral("--nofork"),
                        QStringLiteral("--print-address")});
        QVERIFY2(m_daemon.waitForStarted(60000), "dbus-daemon did not start");
        TRY_VERIFY(m_daemon.canReadLine());
        const QByteArray address = m_daemon.readLine().trimmed();
        // Before anything asks for the session bus: the window's notifications go here.
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);
        QDBusConnection bus =
            QDBusConnection::connectToBus(QString::fromUtf8(address), QStringLiteral("service"));
        QVERIFY(bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &m_service,
                                   QDBusConnection::ExportAllSlots));
        QVERIFY(bus.registerService(QStringLiteral("org.freedesktop.Notifications")));
        QVERIFY(QDBusConnection::sessionBus().isConnected());
    }
    void cleanupTestCase()
    {
        QDBusConnection::disconnectFromBus(QStringLiteral("service"));
        m_daemon.kill();
        m_daemon.waitForFinished(60000);
    }
    void init() { m_service.calls.clear(); }

    void finishing_data()
    {
        QTest::addColumn<QByteArrayList>("replies");
        QTest::addColumn<QStringList>("told"); // "summary|body" per notification
        QTest::newRow("one finishes")
            << QByteArrayList{"A:WORKING:50%,B:WORKING:10%", "A:WORKING:100%,B:WORKING:11%",
                              "A:WORKING:100%,B:WORKING:12%"}
            << QStringList{"Download finished|file-A"};
        QTest::newRow("several in one reply, by status or progress")
            << QByteArrayList{"A:WORKING:50%,B:WORKING:50%,C:WORKING:50%",
                              "A:COMPLETED/SEEDING:50%,B:pause:100.0%,C:WORKING:60%"}
            << QStringList{"2 downloads finished|file-A\nfile-B"};
        QTest::newRow("finished when first seen")
            << QByteArrayList{"A:COMPLETED/SEEDING:100%,B:WORKING:100%", "A:pause:100%"}
            << QStringList{};
        QTest::newRow("none finishes")
            << QByteArrayList{"A:WORKING:1%", "A:WORKING:2%", "A:pause:99.9%"} << QStringList{};
        QTest::newRow("flickers: told once")
            << QByteArrayList{"A:WORKING:99%", "A:COMPLETED/SEEDING:100%", "A:WORKING:99%",
                              "A:completed/seeding:100%"}
            << QStringList{"Download finished|file-A"};
        QTest::newRow("new torrent finishing later")
            << QByteArrayList{"A:WORKING:1%", "A:WORKING:1%,N:WORKING:0%",
                              "A:WORKING:1%,N:WORKING:100%"}
            << QStringList{"Download finished|file-N"};
        QTest::newRow("removed before finishing")
            << QByteArrayList{"A:WORKING:1%,B:WORKING:1%", "B:WORKING:1%", "B:WORKING:100%"}
            << QStringList{"Download finished|file-B"};
    }
    void finishing()
    {
        QFETCH(QByteArrayList, replies);
        QFETCH(QStringList, told);
        Harness h;
        for (const QByteArray& reply : replies)
            h.reply(reply);
        settle();
        QStringList calls;
        for (const FakeNotifications::Call& call : m_service.calls)
            calls.append(call.summary + QLatin1Char('|') + call.body);
        QCOMPARE(calls, told);
        QVERIFY(h.env.prompter.messages.isEmpty());
    }

    // Names are shown as text: markup is escaped, control characters visible, many are counted.
    void manyNamesAndHostileOnes()
    {
        Harness h;
        QByteArray first, second;
        for (int i = 0; i < 12; ++i) {
            first += "T" + QByteArray::number(i) + ":WORKING:1%,";
            second += "T" + QByteArray::number(i) + ":WORKING:100%,";
        }
        h.reply(first);
        h.reply(second);
        h.script.torrents = {{"X", "WORKING"}};
        h.script.replyFor.insert("QUERY|", "Torrents\n" +
                                               v3Row("X", {{1, "<b>\x07"}, {3, "WORKING"}}) + "\n");
        h.refresh();
        h.script.replyFor.insert(
            "QUERY|",
            "Torrents\n" + v3Row("X", {{1, "<b>\x07"}, {2, "100%"}, {3, "WORKING"}}) + "\n");
        h.refresh();
        settle();
        QCOMPARE(m_service.calls.size(), 2);
        QCOMPARE(m_service.calls.at(0).summary, QStringLiteral("12 downloads finished"));
        QVERIFY(m_service.calls.at(0).body.endsWith(QStringLiteral("\nfile-T9\nand 2 more")));
        QCOMPARE(m_service.calls.at(1).body, QStringLiteral("&lt;b&gt;\u2407"));
        QCOMPARE(m_service.calls.at(1).actions,
                 (QStringList{QStringLiteral("default"), QStringLiteral("Show Tavrin")}));
    }

    // What was unfinished at exit and finished meanwhile is told on the next connection to that
    // server (host, port and version), once.
    void whileYouWereAway()
    {
        const QString file = m_dir.filePath(QStringLiteral("away"));
        Harness first(file);
        first.reply("A:WORKING:10%,B:WORKING:10%,C:COMPLETED/SEEDING:100%,D:WORKING:10%");
        first.window->close();
        {
            // Another port is another server: nothing of the first is told here.
            Harness other(file);
            other.reply("A:WORKING:100%");
            settle();
            QCOMPARE(m_service.calls.size(), 0);
            other.window->close();
        }
        // A later run on the first server sees A and B finished, C and D as they were.
        Harness later(file);
        later.script.serve(first.server);
        later.edit("Port:")->setText(QString::number(first.server.port()));
        const QByteArray now =
            "A:WORKING:100%,B:COMPLETED/SEEDING:10%,C:COMPLETED/SEEDING:100%,D:WORKING:20%";
        later.reply(now);
        later.reply(now);
        settle();
        QCOMPARE(m_service.calls.size(), 1);
        QCOMPARE(m_service.calls.first().summary,
                 QStringLiteral("While you were away: 2 downloads finished"));
        QCOMPARE(m_service.calls.first().body, QStringLiteral("file-A\nfile-B"));
    }

    // Clicking a notification brings the window back.
    void clickShowsTheWindow()
    {
        Harness h;
        h.window->show();
        h.reply("A:WORKING:10%");
        h.reply("A:WORKING:100%");
        settle();
        QCOMPARE(m_service.calls.size(), 1);
        h.window->showMinimized();
        TRY_VERIFY(h.window->isMinimized());
        QDBusMessage signal = QDBusMessage::createSignal(
            QStringLiteral("/org/freedesktop/Notifications"),
            QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("ActionInvoked"));
        signal << uint(1) << QStringLiteral("default");
        QVERIFY(serviceBus().send(signal));
        TRY_VERIFY(!h.window->isMinimized());
    }

    // The option and its menu item: off, nothing is sent.
    void optionTurnsThemOff()
    {
        Harness off(QString(), QStringLiteral("false"));
        QVERIFY(
            !off.window->findChild<QAction*>(QStringLiteral("notificationsAction"))->isChecked());
        off.reply("A:WORKING:10%");
        off.reply("A:WORKING:100%");
        settle();
        QCOMPARE(m_service.calls.size(), 0);

        Harness h;
        QAction* item = h.window->findChild<QAction*>(QStringLiteral("notificationsAction"));
        QVERIFY(item->isChecked());
        h.reply("A:WORKING:10%");
        item->trigger();
        QCOMPARE(h.env.settings->readIn(QStringLiteral("Options"), QStringLiteral("Notifications")),
                 QStringLiteral("false"));
        h.reply("A:WORKING:100%");
        settle();
        QCOMPARE(m_service.calls.size(), 0);
    }

    // No service on the bus: nothing breaks, one line in the log however many finish.
    void noServiceIsOneLogLine()
    {
        QVERIFY(serviceBus().unregisterService(QStringLiteral("org.freedesktop.Notifications")));
        Harness h;
        h.reply("A:WORKING:10%,B:WORKING:10%");
        h.reply("A:WORKING:100%,B:WORKING:10%");
        h.reply("A:WORKING:100%,B:WORKING:100%");
        TRY_VERIFY(h.env.logBytes().contains("Desktop notifications cannot be shown"));
        settle();
        QCOMPARE(h.env.logBytes().count("Desktop notifications cannot be shown"), 1);
        QVERIFY(h.env.prompter.messages.isEmpty());
        QVERIFY(serviceBus().registerService(QStringLiteral("org.freedesktop.Notifications")));
    }

    // The store: bounded in servers and identifiers, identifiers of any bytes, no link followed,
    // a damaged file read as empty and replaced.
    void storeRoundTripsAndBounds()
    {
        const QString path = m_dir.filePath(QStringLiteral("store"));
        const CatchUpStore store(path);
        const CatchUpStore::Server odd{QStringLiteral("Host With Space\n"), QStringLiteral("1 2"),
                                       2};
        const QList<QByteArray> ids{"plain", QByteArray("with\nline\0nul", 13), "server 1 x", "%"};
        QCOMPARE(store.save(odd, ids, 100), QString());
        QCOMPARE(store.load(odd), ids);
        QCOMPARE(store.load({QStringLiteral("host with space\n"), QStringLiteral("1 2"), 2}), ids);
        QCOMPARE(store.load({QStringLiteral("Host With Space\n"), QStringLiteral("1 2"), 3}),
                 QList<QByteArray>{});

        for (int i = 0; i < CatchUpStore::maxServers; ++i)
            QCOMPARE(
                store.save({QStringLiteral("h%1").arg(i), QStringLiteral("1"), 3}, {"x"}, 200 + i),
                QString());
        // The least recently saved goes: the odd server, saved first.
        QCOMPARE(store.load(odd), QList<QByteArray>{});
        QCOMPARE(store.load({QStringLiteral("h0"), QStringLiteral("1"), 3}),
                 QList<QByteArray>{"x"});

        QList<QByteArray> many;
        for (int i = 0; i <= CatchUpStore::maxIds; ++i)
            many.append(QByteArray::number(i));
        QCOMPARE(store.save(odd, many, 999), QString());
        QCOMPARE(store.load(odd).size(), CatchUpStore::maxIds);
    }
    void storeLeavesLinksAndDamageAlone()
    {
        const QString target = m_dir.filePath(QStringLiteral("target"));
        const QString link = m_dir.filePath(QStringLiteral("link"));
        QFile(target).open(QIODevice::WriteOnly);
        QVERIFY(QFile::link(target, link));
        const CatchUpStore linked(link);
        QVERIFY(!linked.save({QStringLiteral("h"), QStringLiteral("1"), 3}, {"x"}, 1).isEmpty());
        QCOMPARE(QFileInfo(target).size(), 0);
        QVERIFY(QFileInfo(link).isSymLink());

        const QString damaged = m_dir.filePath(QStringLiteral("damaged"));
        QFile file(damaged);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("Tavrin unfinished torrents 1\nserver x 3 1 h\nA\nserver 5\n\xff\xfe");
        file.close();
        const CatchUpStore store(damaged);
        QCOMPARE(store.load({QStringLiteral("h"), QStringLiteral("1"), 3}), QList<QByteArray>{});
        QCOMPARE(store.save({QStringLiteral("h"), QStringLiteral("1"), 3}, {"B"}, 1), QString());
        QCOMPARE(store.load({QStringLiteral("h"), QStringLiteral("1"), 3}), QList<QByteArray>{"B"});
    }
};

QTEST_MAIN(TestNotifications)
#include "tst_notifications.moc"
