// The bulk commands, the chains and the context menu, through the real window against a loopback
// server that records every request.
#include "support/Waits.h"
#include "support/WindowHarness.h"

#include <QActionGroup>

using namespace tavrin;
using namespace tavrin::test;

namespace {

using Torrents = QList<TorrentScript::Torrent>;

MainWindowOptions fastChains()
{
    MainWindowOptions options;
    options.chainDelayMs = 1;
    return options;
}

struct Harness : WindowHarness {
    explicit Harness(const Torrents& list, bool version3 = true, const QString& storedLayout = {})
        : WindowHarness({{"Version3", version3 ? "true" : "false"}, {"Version3Cols", storedLayout}},
                        fastChains())
    {
        script.torrents = list;
        script.serve(server);
        connectAs(QStringLiteral("u"));
        refresh();
        QCOMPARE(model().count(), static_cast<int>(list.size()));
    }
    // The captions of the visible context items and the checked priority, if any.
    QStringList offered() const
    {
        QStringList items;
        for (const QAction* a : menu()->actions())
            a->isVisible() && !a->isSeparator() ? items.append(a->text()) : void();
        if (const QAction* checked = menu()->findChild<QActionGroup*>()->checkedAction())
            items.append(QLatin1Char('*') + checked->text());
        return items;
    }
    TorrentScript script;
};

} // namespace

class TestCommands : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void singleCommands()
    {
        // The button, the link typed, the command sent and the wait pointer while the reply is
        // awaited.
        const QList<std::tuple<const char*, QString, QByteArray, bool>> steps = {
            {"Add", "", "ADD|", false},
            {"Add", " magnet:?xt=a|b,c ", "ADD| magnet:?xt=a|b,c ", false},
            {"Delete Completed", "", "DELETE|COMPLETED", false},
            {"Queue All", "", "QUEUE|ALL", true},
            {"Stop All", "", "STOP|ALL", true}};
        Harness h(Torrents{{"T1", "WORKING"}});
        for (const auto& [button, link, command, busy] : steps) {
            const qsizetype sent = h.server.requests().size();
            h.edit("Add Link:")->setText(link);
            h.button(button)->click();
            TRY_COMPARE(h.server.requests().size(), sent + 1);
            QCOMPARE(h.commands(sent), QList<QByteArray>{command});
            QCOMPARE(h.env.prompter.waitPointer(), busy);
            QCOMPARE(h.edit("Add Link:")->text(), link);
            // The reply of a command leaves the list alone.
            TRY_VERIFY(!h.window->session()->requestInFlight());
            QCOMPARE(h.model().count(), 1);
        }
        QVERIFY(h.env.prompter.messages.isEmpty());
    }

    // F5 (Action, Refresh Now) asks for the list at once while polling; the answer fills it.
    void refreshNowAsksAtOnce()
    {
        Harness h(Torrents{{"T1", "WORKING"}});
        QAction* refresh = h.window->findChild<QAction*>(QStringLiteral("refreshNowAction"));
        QCOMPARE(refresh->shortcut(), QKeySequence(Qt::Key_F5));
        const qsizetype sent = h.server.requests().size();
        h.script.torrents.append(TorrentScript::Torrent{"T2", "pause"});
        refresh->trigger();
        TRY_COMPARE(h.model().count(), 2);
        QCOMPARE(h.commands(sent), QList<QByteArray>{"QUERY|"});
    }

    // Ctrl+L takes the keyboard to the Add Link box, its text selected to be typed over.
    void controlLFocusesAddLink()
    {
        Harness h(Torrents{{"T1", "WORKING"}});
        h.window->show();
        QVERIFY(QTest::qWaitForWindowActive(h.window.get()));
        h.edit("Add Link:")->setText(QStringLiteral("old"));
        h.list()->setFocus();
        QTest::keyClick(h.window.get(), Qt::Key_L, Qt::ControlModifier);
        QVERIFY(h.edit("Add Link:")->hasFocus());
        QCOMPARE(h.edit("Add Link:")->selectedText(), QStringLiteral("old"));
    }

    // Return in the Add Link box sends the link as the Add button does, and the box keeps it.
    void returnInAddLinkAdds()
    {
        Harness h(Torrents{{"T1", "WORKING"}});
        const qsizetype sent = h.server.requests().size();
        QLineEdit* box = h.edit("Add Link:");
        box->setText(QStringLiteral("magnet:?xt=urn:btih:abc"));
        QTest::keyClick(box, Qt::Key_Return);
        TRY_COMPARE(h.server.requests().size(), sent + 1);
        QCOMPARE(h.commands(sent), QList<QByteArray>{"ADD|magnet:?xt=urn:btih:abc"});
        QCOMPARE(box->text(), QStringLiteral("magnet:?xt=urn:btih:abc"));
    }

    // The chains and the menu read status and priority from their own fields, wherever the
    // columns stand or whether they are shown at all.
    void chainsAndMenuReadTheKeptFields_data()
    {
        QTest::addColumn<bool>("version3"); // else no priorities are offered
        QTest::addColumn<QString>("layout");
        QTest::addColumn<int>("shown"); // columns
        QTest::newRow("version 3") << true << QString() << 21;
        QTest::newRow("version 2") << false << QString() << 14;
        QTest::newRow("status and priority hidden")
            << true
            << "<Cols><Col key='FileName' index='1' show='1'/><Col key='Progress' index='2' "
               "show='1'/><Col key='BT Status' index='3' show='0'/><Col key='Priority' index='4' "
               "show='0'/></Cols>"
            << 2;
    }

    void chainsAndMenuReadTheKeptFields()
    {
        QFETCH(bool, version3);
        QFETCH(QString, layout);
        QFETCH(int, shown);
        Harness h(Torrents{{"T1", "WORKING", "High"},
                           {"T2", "pause", "Low"},
                           {"T3", "completed/seeding", "normal"},
                           {"T4", "Pause", "Lowest"}},
                  version3, layout);
        QCOMPARE(h.model().columns().size(), shown);
        h.button("Pause All")->click();
        TRY_COMPARE(h.server.requests().size(), 4);
        QCOMPARE(h.commands(1), (QList<QByteArray>{"PAUSE|T1", "PAUSE|T3", "QUERY|"}));
        TRY_VERIFY(!h.env.prompter.waitPointer());
        QVERIFY(h.env.prompter.messages.isEmpty());
        // The chain's last reply is taken in off the window thread: the menu reads it once it is.
        TRY_COMPARE(h.model().keptField(1, KeptField::Status).toByteArray(), QByteArray("pause"));

        // Only "pause" reads as paused, and a priority is checked only as spelled in the menu.
        const QStringList expected = {"UnPause,*High", "UnPause,*Low", "UnPause", "Pause,*Lowest"};
        for (int position = 1; position <= 4; ++position) {
            h.openMenu(position);
            QVERIFY(h.menu()->isVisible());
            QStringList want = expected.at(position - 1).split(',');
            want.insert(1, version3 ? QStringLiteral("Stop,Queue,Change Priority,Delete")
                                    : QStringLiteral("Stop,Queue,Delete"));
            QCOMPARE(h.offered().join(','), (version3 ? want : want.mid(0, 2)).join(','));
            QCOMPARE(h.list()->selectionModel()->selectedRows(),
                     QModelIndexList{h.shown().index(position - 1, 0)});
        }
    }

    void menuActsOnTheTorrentItWasOpenedFor()
    {
        // An identifier with a trailing CR goes back exactly as it came.
        Harness h(Torrents{{"T1", "WORKING"}, {"T2\r", "pause"}, {"T3", "WORKING"}});
        // Nothing happens outside the rows, and the items send nothing before a row was chosen.
        h.openMenuAt(QPoint(5, h.list()->viewport()->height() - 2));
        QVERIFY(!h.menu()->isVisible());
        QVERIFY(h.list()->selectionModel()->selectedRows().isEmpty());
        h.menuItem("deleteAction")->trigger();
        QVERIFY(!h.window->session()->requestInFlight());
        h.openMenu(2);
        // A refresh while the menu is open removes T1: position 2 is now T3 and gets selected.
        h.script.torrents.removeFirst();
        h.refresh();
        QCOMPARE(h.list()->selectionModel()->selectedRows(),
                 QModelIndexList{h.shown().index(1, 0)});
        QCOMPARE(h.model().torrentId(2), QByteArray("T3"));
        for (const char* item :
             {"resumeAction", "pauseAction", "stopAction", "queueAction", "deleteAction",
              "highestPriorityAction", "highPriorityAction", "normalPriorityAction",
              "lowPriorityAction", "lowestPriorityAction"})
            h.menuItem(item)->trigger();
        // Queued one behind the other, in the order chosen.
        TRY_COMPARE(h.server.requests().size(), 12);
        QCOMPARE(h.commands(2),
                 (QList<QByteArray>{"RESUME|T2\r", "PAUSE|T2\r", "STOP|T2\r", "QUEUE|T2\r",
                                    "DELETE|T2\r", "PRIORITY|T2\r,0", "PRIORITY|T2\r,1",
                                    "PRIORITY|T2\r,2", "PRIORITY|T2\r,3", "PRIORITY|T2\r,4"}));
        QVERIFY(!h.env.prompter.waitPointer());
    }

    // A torrent the server calls by a word meaning every torrent, or whose identifier would end
    // a priority command: the menu sends nothing and says why. Other commands still go.
    void menuRefusesUnsafeIdentifiers_data()
    {
        QTest::addColumn<QByteArray>("id");
        QTest::addColumn<QByteArray>("action");
        QTest::addColumn<QByteArray>("sent"); // empty: nothing is sent
        QTest::addColumn<QString>("box");
        QTest::newRow("stop ALL") << QByteArray("ALL") << QByteArray("stopAction") << QByteArray()
                                  << "reads as every torrent";
        QTest::newRow("delete completed") << QByteArray("completed") << QByteArray("deleteAction")
                                          << QByteArray() << "reads as every torrent";
        QTest::newRow("priority of a,b") << QByteArray("a,b") << QByteArray("highPriorityAction")
                                         << QByteArray() << "holds \",\"";
        QTest::newRow("stop a,b") << QByteArray("a,b") << QByteArray("stopAction")
                                  << QByteArray("STOP|a,b") << QString();
    }
    void menuRefusesUnsafeIdentifiers()
    {
        QFETCH(QByteArray, id);
        QFETCH(QByteArray, action);
        QFETCH(QByteArray, sent);
        QFETCH(QString, box);
        Harness h(Torrents{{id, "WORKING"}});
        const qsizetype before = h.server.requests().size();
        h.openMenu(1);
        h.menuItem(action.constData())->trigger();
        if (sent.isEmpty()) {
            QVERIFY(!h.window->session()->requestInFlight());
            QCOMPARE(h.env.prompter.messages.size(), 1);
            QVERIFY2(h.env.prompter.messages.first().text.contains(box),
                     qPrintable(h.env.prompter.messages.first().text));
            QCOMPARE(h.env.prompter.messages.first().title, QStringLiteral("ERROR"));
            QCOMPARE(h.server.requests().size(), before);
            return;
        }
        TRY_COMPARE(h.server.requests().size(), before + 1);
        QCOMPARE(h.commands(before), QList<QByteArray>{sent});
    }
};

QTEST_MAIN(TestCommands)
#include "tst_commands.moc"
