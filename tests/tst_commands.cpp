// The bulk commands, the chains and the context menu, through the real window against a loopback
// server that records every request.
#include "core/columns/ColumnLayout.h"
#include "support/WindowHarness.h"

#include <QActionGroup>

using namespace tavrin;
using namespace tavrin::test;

namespace {

using Torrents = QList<TorrentScript::Torrent>;

struct Harness : WindowHarness {
    explicit Harness(const Torrents& list, bool version3 = true, const QString& storedLayout = {})
        : WindowHarness({{QStringLiteral("Version3"), version3 ? "true" : "false"},
                         {QStringLiteral("Version3Cols"), storedLayout}},
                        [] {
                            MainWindowOptions o;
                            o.chainDelayMs = 1;
                            return o;
                        }())
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
        for (const QAction* a : menu()->actions()) {
            if (a->isVisible() && !a->isSeparator())
                items.append(a->text());
        }
        if (const QAction* checked = menu()->findChild<QActionGroup*>()->checkedAction())
            items.append(QLatin1Char('*') + checked->text());
        return items;
    }
    TorrentScript script;
};

// The built-in version 3 layout with "BT Status" and "Priority" hidden or moved to the end.
QString layoutWith(const QString& change)
{
    if (change.isEmpty())
        return {};
    pugi::xml_document document;
    columns::parse(document, columns::defaultText(true));
    for (pugi::xml_node col : document.child("Cols").children("Col")) {
        const QLatin1String key(col.attribute("key").value());
        const bool status = key == QLatin1String("BT Status");
        const bool moved = status || key == QLatin1String("Priority");
        const int index = col.attribute("index").as_int();
        if (change == QLatin1String("hidden") && moved)
            col.attribute("show").set_value("0");
        if (change == QLatin1String("last"))
            col.attribute("index").set_value(moved ? 20 + !status : index > 4 ? index - 2 : index);
    }
    return columns::serialize(document);
}

} // namespace

class TestCommands : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void singleCommands()
    {
        struct Step {
            const char* button;
            QString link;
            QByteArray command;
            bool busy; // the wait pointer while the reply is awaited
        };
        const QList<Step> steps = {{"Add", "", "ADD|", false},
                                   {"Add", " magnet:?xt=a|b,c ", "ADD| magnet:?xt=a|b,c ", false},
                                   {"Delete Completed", "", "DELETE|COMPLETED", false},
                                   {"Queue All", "", "QUEUE|ALL", true},
                                   {"Stop All", "", "STOP|ALL", true}};
        Harness h(Torrents{{"T1", "WORKING"}});
        for (const Step& step : steps) {
            const qsizetype sent = h.server.requests().size();
            h.edit("Add Link:")->setText(step.link);
            h.button(step.button)->click();
            QTRY_COMPARE(h.server.requests().size(), sent + 1);
            QCOMPARE(h.commands(sent), QList<QByteArray>{step.command});
            QCOMPARE(h.env.prompter.waitPointer(), step.busy);
            QCOMPARE(h.edit("Add Link:")->text(), step.link);
            // The reply of a command leaves the list alone.
            QTRY_VERIFY(!h.window->session()->requestInFlight());
            QCOMPARE(h.model().count(), 1);
        }
        QVERIFY(h.env.prompter.messages.isEmpty());
    }

    void chainsAndMenuReadTheFields_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<QString>("third"); // the caption of the third column
        QTest::newRow("built-in") << ""
                                  << "BT Status";
        QTest::newRow("status and priority moved last") << "last"
                                                        << "ETA";
        QTest::newRow("status and priority hidden") << "hidden"
                                                    << "ETA";
    }

    void chainsAndMenuReadTheFields()
    {
        QFETCH(QString, layout);
        QFETCH(QString, third);
        Harness h(Torrents{{"T1", "WORKING", "High"},
                           {"T2", "pause", "Low"},
                           {"T3", "completed/seeding"},
                           {"T4", "STOP", "Lowest"}},
                  true, layoutWith(layout));
        QCOMPARE(h.model().columns().at(2), third);
        h.button("Pause All")->click();
        QVERIFY(h.env.prompter.waitPointer());
        QTRY_COMPARE(h.server.requests().size(), 4);
        QCOMPARE(h.commands(1), (QList<QByteArray>{"PAUSE|T1", "PAUSE|T3", "QUERY|"}));
        QTRY_VERIFY(!h.env.prompter.waitPointer());
        QVERIFY(h.env.prompter.messages.isEmpty());

        // The menu of the now paused torrent offers UnPause and checks its priority.
        QTRY_COMPARE(h.window->session()->statusAt(1), QByteArrayView("pause"));
        h.openMenu(1);
        QCOMPARE(h.offered(),
                 (QStringList{"UnPause", "Stop", "Queue", "Change Priority", "Delete", "*High"}));
    }

    void menuFollowsTheRow_data()
    {
        QTest::addColumn<bool>("version3"); // else no priorities are offered
        QTest::newRow("version 3") << true;
        QTest::newRow("version 2") << false;
    }

    void menuFollowsTheRow()
    {
        QFETCH(bool, version3);
        Harness h(Torrents{{"T1", "pause", "Normal"},
                           {"T2", "Pause", "Highest"},
                           {"T3", "paused", "Lowest"},
                           {"T4", "WORKING", "normal"}},
                  version3);
        // Nothing happens outside the rows, and the items send nothing before a row was chosen.
        h.openMenuAt(QPoint(5, h.list()->viewport()->height() - 2));
        QVERIFY(!h.menu()->isVisible());
        QVERIFY(h.list()->selectionModel()->selectedRows().isEmpty());
        h.menuItem("deleteAction")->trigger();
        QVERIFY(!h.window->session()->requestInFlight());

        // Only "pause" reads as paused, and a priority is checked only as spelled in the menu.
        const QStringList expected = {"UnPause,*Normal", "Pause,*Highest", "Pause,*Lowest",
                                      "Pause"};
        for (int position = 1; position <= 4; ++position) {
            h.openMenu(position);
            QVERIFY(h.menu()->isVisible());
            QStringList want = expected.at(position - 1).split(',');
            want.insert(1, version3 ? QStringLiteral("Stop,Queue,Change Priority,Delete")
                                    : QStringLiteral("Stop,Queue,Delete"));
            QCOMPARE(h.offered().join(','), (version3 ? want : want.mid(0, 2)).join(','));
            QCOMPARE(h.list()->selectionModel()->selectedRows(),
                     QModelIndexList{h.model().itemIndex(position)});
        }
        QCOMPARE(h.server.requests().size(), 1);
    }

    void menuActsOnTheTorrentItWasOpenedFor()
    {
        // An identifier with a trailing CR goes back exactly as it came.
        Harness h(Torrents{{"T1", "WORKING"}, {"T2\r", "pause"}, {"T3", "WORKING"}});
        h.openMenu(2);
        // A refresh while the menu is open removes T1: position 2 is now T3 and gets selected.
        h.script.torrents.removeFirst();
        h.refresh();
        QCOMPARE(h.list()->selectionModel()->selectedRows(),
                 QModelIndexList{h.model().itemIndex(2)});
        QCOMPARE(h.model().tag(2), QByteArray("T3"));
        for (const char* item :
             {"resumeAction", "pauseAction", "stopAction", "queueAction", "deleteAction",
              "highestPriorityAction", "highPriorityAction", "normalPriorityAction",
              "lowPriorityAction", "lowestPriorityAction"})
            h.menuItem(item)->trigger();
        // Queued one behind the other, in the order chosen.
        QTRY_COMPARE(h.server.requests().size(), 12);
        QCOMPARE(h.commands(2),
                 (QList<QByteArray>{"RESUME|T2\r", "PAUSE|T2\r", "STOP|T2\r", "QUEUE|T2\r",
                                    "DELETE|T2\r", "PRIORITY|T2\r,0", "PRIORITY|T2\r,1",
                                    "PRIORITY|T2\r,2", "PRIORITY|T2\r,3", "PRIORITY|T2\r,4"}));
        QVERIFY(!h.env.prompter.waitPointer());
    }
};

QTEST_MAIN(TestCommands)
#include "tst_commands.moc"
