// Start-up, shut-down, Connect and the list's look through the real window against a loopback
// server.
#include "gui/TorrentItemDelegate.h"
#include "support/Waits.h"
#include "support/WindowHarness.h"

#include "gui/TrayIcon.h"

#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>
#include <QStyledItemDelegate>

using namespace tavrin;
using namespace tavrin::test;

namespace {

// The window's outer size in twips, as stored under "Width" and "Height".
QSizeF outerTwips(const QWidget& w)
{
    const TwipsScale scale(w);
    return {scale.toTwips(w.frameGeometry().width()), scale.toTwips(w.frameGeometry().height())};
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // With nothing stored the window starts quietly with its list area hidden, and shutting down
    // stores only its size, the default one.
    void startsWithEmptyStoreAndStoresOnlyTheSize()
    {
        TestEnvironment env;
        MainWindow w(*env.settings, env.prompter, env.clock);
        TRY_VERIFY(env.logBytes().endsWith(": Tavrin starting\r\n"));
        TRY_COMPARE(env.logBytes().count("\r\n"), 1);
        const auto* listArea = w.findChild<QWidget*>(QStringLiteral("contentFrame"));
        QVERIFY(!listArea->isEnabled());
        QVERIFY(listArea->isHidden());
        QVERIFY(env.prompter.messages.isEmpty());
        action(w, "Exit")->trigger();
        QSettings stored = env.reopenedSettings();
        stored.beginGroup(QStringLiteral("Main"));
        QCOMPARE(stored.childKeys(), (QStringList{"Height", "Width"}));
        QCOMPARE(stored.value("Width").toString() + ' ' + stored.value("Height").toString(),
                 "10395 7050");
    }

    // A stored size that is no usable whole number is reported once; what comes before it in the
    // start-up is in place and what follows is skipped.
    void badStoredSize_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("widthApplied");
        QTest::newRow("width not a number") << QString("Width") << QString("x1") << false;
        QTest::newRow("height beyond 32 bits") << QString("Height") << QString("1e12") << true;
    }

    void badStoredSize()
    {
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(bool, widthApplied);
        QMap<QString, QString> stored{
            {"Width", "12000"}, {"Height", "8000"}, {"Host", "server.lan"}};
        stored[key] = value;
        WindowHarness h(stored);
        const auto& messages = h.env.prompter.messages;
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages.first().title, QStringLiteral("ERROR"));
        QCOMPARE(messages.first().style, MessageStyle::Critical);
        QVERIFY(messages.first().text.contains(value));
        QCOMPARE(h.window->windowTitle(), QStringLiteral("Tavrin v1.1.8"));
        TRY_VERIFY(h.env.logBytes().endsWith("Tavrin starting\r\n"));
        QCOMPARE(h.model().columnCount(), 21);
        QVERIFY(h.listArea()->isHidden());
        QCOMPARE(outerTwips(*h.window).width() == 12000, widthApplied);
        QVERIFY(outerTwips(*h.window).height() != 8000);
    }

    // A stored size far beyond any screen gives a window no larger than the screen's available
    // area (and no smaller than the window's minimum); the stored text is left alone.
    void hugeStoredSizeIsHeldToTheScreen()
    {
        WindowHarness h({{"Width", "2147483647"}, {"Height", "2147483647"}});
        const QRect available = h.window->screen()->availableGeometry();
        QVERIFY(h.window->frameGeometry().width() <= std::max(available.width(), 693));
        QVERIFY(h.window->frameGeometry().height() <= available.height());
        QCOMPARE(h.env.prompter.messages.size(), 0);
        QCOMPARE(h.env.settings->read(QStringLiteral("Width")), QStringLiteral("2147483647"));
    }

    // Settings that cannot be saved are told once, in the log and after the title, without a
    // box; the window goes on.
    void unsavedSettingsAreToldWithoutABox()
    {
        WindowHarness h;
        QFile::remove(h.env.path("Tavrin.conf")); // if anything wrote it yet
        QVERIFY(QDir(h.env.path(QString())).mkdir("Tavrin.conf"));
        h.connectAs(QStringLiteral("me"));
        QVERIFY2(h.window->windowTitle().endsWith(" (settings cannot be saved)"),
                 qPrintable(h.window->windowTitle()));
        TRY_VERIFY(h.env.logBytes().contains(": Settings cannot be saved to "));
        QCOMPARE(h.env.logBytes().count("Settings cannot be saved"), 1);
        QCOMPARE(h.env.prompter.messages.size(), 0);
        QCOMPARE(h.window->session()->state(), Session::State::Polling);
    }

    // No status bar at start-up, so the window looks as it always has; Connect brings one that
    // says what is going on.
    void statusBarComesWithConnect()
    {
        WindowHarness h;
        h.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(h.window.get()));
        QCOMPARE(h.window->findChild<QStatusBar*>(), nullptr);
        h.connectAs(QStringLiteral("me"));
        QVERIFY(h.window->findChild<QStatusBar*>());
        auto* bar = h.window->findChild<QLabel*>("connectionStatus");
        QVERIFY(bar);
        QVERIFY2(bar->text().startsWith("Connecting to 127.0.0.1:"), qPrintable(bar->text()));
        h.refresh();
        TRY_VERIFY(bar->text().startsWith("Connected to 127.0.0.1:"));
        // The content is laid out in what the bar leaves of the client area.
        QWidget* client = h.window->centralWidget();
        const QWidget* button = h.button("Pause All");
        TRY_VERIFY(button->mapTo(client, QPoint(0, button->height())).y() <= client->height());
    }

    void fieldsComeBackAfterAFailure()
    {
        WindowHarness h;
        h.server.setResponder([](const QByteArray&) {
            return "header\n" + TorrentScript::row({"T1", "WORKING"}) + "\n";
        });
        // The connection fields and Connect, usable or not.
        const auto usable = [&h] {
            QList<bool> list;
            for (const char* caption : {"Host:", "Port:", "Unique ID:", "Refresh (secs):"})
                list << h.edit(caption)->isEnabled();
            return list << h.button("Connect")->isEnabled();
        };
        h.connectAs(QStringLiteral("me"));
        h.refresh();
        TRY_COMPARE(usable(), (QList<bool>{false, false, false, true, false}));
        QVERIFY(!h.listArea()->isHidden());
        QVERIFY(h.listArea()->isEnabled());

        // The server goes away: the fields are usable again and the list keeps what it showed.
        h.server.close();
        h.window->session()->refresh();
        TRY_COMPARE(h.window->session()->state(), Session::State::Stopped);
        QCOMPARE(usable(), QList<bool>(5, true));
        QVERIFY(!h.listArea()->isHidden());
        QCOMPARE(h.model().count(), 1);
    }

    void failureTextGoesWholeToTheLog()
    {
        WindowHarness h;
        const QByteArray message = QByteArray(3000, 'x') + '\0' + "end";
        h.server.setResponder([&](const QByteArray&) { return "Feedback\nError=" + message; });
        h.connectAs(QStringLiteral("me"));
        h.window->session()->refresh();
        TRY_COMPARE(h.env.prompter.messages.size(), 1);
        TRY_VERIFY(h.env.logBytes().contains(": ERROR: " + message + "\r\n"));
    }

    // The list's cells look as the style's own item painter draws them, the first time and when
    // they come from the list's cache.
    void listCellsLookAsTheStyleDrawsThem_data()
    {
        QTest::addColumn<bool>("selected");
        QTest::addColumn<int>("nameWidth");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("plain") << false << 250 << true;
        QTest::newRow("selected, focused") << true << 250 << true;
        QTest::newRow("elided") << true << 90 << true;
        QTest::newRow("disabled") << true << 90 << false;
    }

    void listCellsLookAsTheStyleDrawsThem()
    {
        QFETCH(bool, selected);
        QFETCH(int, nameWidth);
        QFETCH(bool, enabled);
        WindowHarness h;
        // U+009C is no break between length variants here.
        const QByteArray name = "\xc6sop, a name longer than any column \x9c keeps going \xe9\xe8";
        h.server.setResponder([&](const QByteArray&) {
            return statusReply({v3Row("A", {{1, "short"}}), v3Row("B", {{1, name}, {2, "12%"}}),
                                v3Row("C", {{5, ""}})});
        });
        h.window->show();
        QVERIFY(QTest::qWaitForWindowActive(h.window.get()));
        h.connectAs(QStringLiteral("me"));
        h.refresh();
        QTreeView* list = h.list();
        list->header()->resizeSection(0, nameWidth);
        if (selected) {
            list->setFocus();
            list->selectionModel()->setCurrentIndex(h.shown().index(1, 0),
                                                    QItemSelectionModel::ClearAndSelect |
                                                        QItemSelectionModel::Rows);
        }
        h.window->setEnabled(enabled);
        auto* delegate = qobject_cast<TorrentItemDelegate*>(list->itemDelegate());
        QVERIFY(delegate);
        // The cells only: the scroll bars follow the column widths in a layout of their own.
        const auto cells = [list] { return list->viewport()->grab().toImage(); };
        // The progress bar is the one thing the style does not draw.
        const QImage withBars = cells();
        delegate->setProgressColumn(-1);
        const QImage first = cells();
        QVERIFY(withBars != first);
        QCOMPARE(cells(), first);
        list->setItemDelegate(new QStyledItemDelegate(list));
        QCOMPARE(cells(), first);
    }

    void progressBarFill_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("fraction");
        QTest::newRow("a percentage") << "42.5%" << 0.425;
        QTest::newRow("blanks around") << " 50 % " << 0.5;
        QTest::newRow("done") << "100.0%" << 1.0;
        QTest::newRow("over a hundred is full") << "250%" << 1.0;
        QTest::newRow("negative is empty") << "-5%" << 0.0;
        QTest::newRow("no percent sign") << "42.5" << 0.0;
        QTest::newRow("not a number") << "abc%" << 0.0;
        QTest::newRow("empty") << "" << 0.0;
    }
    void progressBarFill()
    {
        QFETCH(QString, text);
        QFETCH(double, fraction);
        QCOMPARE(TorrentItemDelegate::progressFraction(text), fraction);
    }

    // A server saved from the menu comes back in a new window: picking it fills the fields and
    // the version as if typed. While polling locks the fields, it cannot be picked.
    void savedServerComesBackFromTheMenu()
    {
        MainWindowOptions options;
        options.runModal = [](QDialog& dialog) {
            if (auto* ask = qobject_cast<QInputDialog*>(&dialog)) {
                ask->setTextValue(QStringLiteral("Local & test"));
                ask->accept();
            }
        };
        WindowHarness h({{"Version3", "false"}}, options);
        h.edit("Unique ID:")->setText(QStringLiteral("me"));
        const auto serversMenu = [](const MainWindow& window) {
            auto* menu = window.findChild<QMenu*>("serversMenu");
            Q_EMIT menu->aboutToShow(); // as opening it does
            return menu;
        };
        serversMenu(*h.window)->findChild<QAction*>("saveServerAction")->trigger();

        h.env.settings->write(QStringLiteral("Version3"), QStringLiteral("true"));
        MainWindow again(*h.env.settings, h.env.prompter, h.env.clock);
        QAction* saved = nullptr;
        for (QAction* a : serversMenu(again)->actions())
            if (a->data().toString() == QStringLiteral("Local & test"))
                saved = a;
        QVERIFY(saved);
        QCOMPARE(saved->text(), QStringLiteral("Local && test"));
        QCOMPARE(test::accessible<QLineEdit>(again, "Unique ID:")->text(), QString());
        saved->trigger();
        QCOMPARE(test::accessible<QLineEdit>(again, "Host:")->text(), QStringLiteral("127.0.0.1"));
        QCOMPARE(test::accessible<QLineEdit>(again, "Port:")->text(),
                 QString::number(h.server.port()));
        QCOMPARE(test::accessible<QLineEdit>(again, "Unique ID:")->text(), QStringLiteral("me"));
        QCOMPARE(again.findChild<TorrentListModel*>()->columns().size(), 14);

        h.server.setResponder([](const QByteArray&) { return QByteArray("Torrents\n"); });
        h.connectAs(QStringLiteral("me"));
        h.refresh();
        QAction* locked = nullptr;
        for (QAction* a : serversMenu(*h.window)->actions())
            if (a->data().toString() == QStringLiteral("Local & test"))
                locked = a;
        QVERIFY(locked);
        QVERIFY(!locked->isEnabled());
    }

    // Out of sight, polling slows to [Options] BackgroundRefreshSecs (never faster than the
    // normal interval); minimised only with SlowWhenMinimised. Back in sight, the list is asked
    // for at once and the normal interval returns.
    void paceWhenMinimised_data()
    {
        QTest::addColumn<QString>("slowWhenMinimised");
        QTest::addColumn<QString>("backgroundSecs");
        QTest::addColumn<QString>("refreshSecs");
        QTest::addColumn<int>("minimisedMs");
        QTest::newRow("default: unchanged") << ""
                                            << ""
                                            << "1" << 1000;
        QTest::newRow("slow when minimised") << "true"
                                             << ""
                                             << "1" << 10000;
        QTest::newRow("background 0 keeps the interval") << "true"
                                                         << "0"
                                                         << "1" << 1000;
        QTest::newRow("not a number: the default") << "true"
                                                   << "ten"
                                                   << "1" << 10000;
        QTest::newRow("normal interval is longer") << "true"
                                                   << "10"
                                                   << "30" << 30000;
    }
    void paceWhenMinimised()
    {
        QFETCH(QString, slowWhenMinimised);
        QFETCH(QString, backgroundSecs);
        QFETCH(QString, refreshSecs);
        QFETCH(int, minimisedMs);
        WindowHarness h({{"Options/SlowWhenMinimised", slowWhenMinimised},
                         {"Options/BackgroundRefreshSecs", backgroundSecs}});
        TorrentScript script;
        script.torrents = {{"T1", "WORKING"}};
        script.serve(h.server);
        h.window->show();
        h.edit("Unique ID:")->setText(QStringLiteral("u"));
        h.edit("Refresh (secs):")->setText(refreshSecs);
        h.button("Connect")->click();
        const int normal = refreshSecs.toInt() * 1000;
        QCOMPARE(h.window->session()->refreshInterval(), normal);
        h.window->showMinimized();
        QCOMPARE(h.window->session()->refreshInterval(), minimisedMs);
        const qsizetype sent = h.server.requests().size();
        h.window->showNormal();
        QCOMPARE(h.window->session()->refreshInterval(), normal);
        if (minimisedMs != normal) {
            TRY_VERIFY(h.server.requests().size() > sent);
            QCOMPARE(h.commands(sent).first(), QByteArray("QUERY|"));
        }
    }

    // With a tray: its commands wait for the list, closing hides the window there with polling
    // slowed, Show brings it back, Quit ends it.
    void trayKeepsTavrinRunning()
    {
        MainWindowOptions options;
        options.trayAvailable = true;
        WindowHarness h({{"Options/TrayIcon", "true"}, {"Options/CloseToTray", "true"}}, options);
        TorrentScript script;
        script.torrents = {{"T1", "WORKING"}};
        script.serve(h.server);
        auto* tray = h.window->findChild<TrayIcon*>();
        QVERIFY(tray);
        QAction* pauseAll = tray->menu()->findChild<QAction*>(QStringLiteral("trayPauseAllAction"));
        QVERIFY(!pauseAll->isEnabled());
        h.window->show();
        h.edit("Unique ID:")->setText(QStringLiteral("u"));
        h.edit("Refresh (secs):")->setText(QStringLiteral("1"));
        h.button("Connect")->click();
        h.refresh();
        QVERIFY(pauseAll->isEnabled());
        TRY_COMPARE(tray->toolTip(),
                    QStringLiteral("Tavrin \u00b7 1 torrent \u00b7 down 1.50 kB/s, up 2.50 MB/s"));

        QVERIFY(!h.window->close());
        QVERIFY(!h.window->isVisible());
        QCOMPARE(h.window->session()->refreshInterval(), 10000);
        const qsizetype sent = h.server.requests().size();
        tray->menu()->findChild<QAction*>(QStringLiteral("trayShowAction"))->trigger();
        QVERIFY(h.window->isVisible());
        QCOMPARE(h.window->session()->refreshInterval(), 1000);
        TRY_VERIFY(h.server.requests().size() > sent);

        TRY_VERIFY(!h.window->session()->requestInFlight());
        const qsizetype beforePause = h.server.requests().size();
        pauseAll->trigger();
        TRY_VERIFY(h.commands(beforePause).contains(QByteArray("PAUSE|T1")));

        tray->menu()->findChild<QAction*>(QStringLiteral("trayQuitAction"))->trigger();
        QVERIFY(!h.window->isVisible());
        QCOMPARE(h.window->session()->refreshRemainingMs(), -1);
    }

    // Without a tray the options change nothing: closing closes.
    void withoutATrayClosingCloses()
    {
        MainWindowOptions options;
        options.trayAvailable = false;
        WindowHarness h({{"Options/TrayIcon", "true"}, {"Options/CloseToTray", "true"}}, options);
        QCOMPARE(h.window->findChild<TrayIcon*>(), nullptr);
        QVERIFY(!h.window->findChild<QAction*>(QStringLiteral("trayIconAction"))->isEnabled());
        h.window->show();
        QVERIFY(h.window->close());
        QVERIFY(!h.window->isVisible());
    }

    // [Options] LogReplies=false keeps the replies' text out of the log, not their errors; the
    // menu item turns it back on from the next reply.
    void replyLogCanBeTurnedOff()
    {
        WindowHarness h({{"Options/LogReplies", "false"}});
        TorrentScript script;
        script.torrents = {{"T1", "WORKING"}};
        script.serve(h.server);
        h.connectAs(QStringLiteral("u"));
        h.refresh();
        QCOMPARE(h.model().count(), 1);
        QVERIFY(!h.env.logBytes().contains("Got Message"));
        QVERIFY(!h.env.logBytes().contains("Row: "));
        // A row one field short: the box and the log say so.
        script.replyFor.insert("QUERY|", "Torrents\nf1|f2|T9\n");
        h.refresh();
        TRY_COMPARE(h.env.prompter.messages.size(), 1);
        // The log is written on its own thread.
        TRY_VERIFY(h.env.logBytes().contains(h.env.prompter.messages.first().text.toLatin1()));
        QVERIFY(!h.env.logBytes().contains("f1|f2|T9"));

        QAction* item = h.window->findChild<QAction*>(QStringLiteral("logRepliesAction"));
        QVERIFY(!item->isChecked());
        item->trigger();
        QCOMPARE(h.env.settings->readIn(QStringLiteral("Options"), QStringLiteral("LogReplies")),
                 QStringLiteral("true"));
        script.replyFor.remove("QUERY|");
        h.refresh();
        TRY_VERIFY(h.env.logBytes().contains("Got Message"));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
