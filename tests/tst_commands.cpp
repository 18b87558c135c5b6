// The bulk commands, the pause-all and resume-all chains and the context menu, through the real
// window against a loopback server that records every request.
#include "core/columns/ColumnLayout.h"
#include "core/torrents/TorrentListModel.h"
#include "gui/MainWindow.h"
#include "support/WindowHarness.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

using namespace tavrin;
using namespace tavrin::test;

namespace {

using Torrent = TorrentScript::Torrent;

struct Harness : WindowHarness {
    explicit Harness(bool version3 = true, const QString& storedLayout = {})
        : WindowHarness({{QStringLiteral("Version3"), version3 ? "true" : "false"},
                         {QStringLiteral("Version3Cols"), storedLayout}},
                        options())
    {
        window->txtUniqueID->setText(QStringLiteral("u"));
        script.serve(server);
        // Polling runs, but only the test's own refreshes ask.
        window->txtRefreshSecs->setText(QStringLiteral("3600"));
        window->cmdConnect->click();
    }
    static MainWindowOptions options()
    {
        MainWindowOptions o;
        o.chainDelayMs = 1;
        return o;
    }

    // Fills the list with a status reply, as a timer tick would.
    void refresh()
    {
        script.torrents = torrents;
        QSignalSpy done(window->session(), &Session::statusReplyArrived);
        window->session()->refresh();
        QTRY_COMPARE(done.size(), 1);
        QCOMPARE(window->model()->count(), static_cast<int>(torrents.size()));
    }

    QPoint rowCenter(int position) const
    {
        return window->lv->visualRect(window->model()->index(position - 1, 0)).center();
    }

    TorrentScript script;
    QList<Torrent> torrents;
};

// The built-in version 3 layout with "BT Status" moved to the last position, or hidden.
QString layoutWithStatus(const QString& change)
{
    pugi::xml_document document;
    columns::parse(document, columns::defaultText(true));
    if (change.isEmpty())
        return {};
    for (pugi::xml_node col : document.child("Cols").children("Col")) {
        const bool status =
            QLatin1String(col.attribute("key").value()) == QLatin1String("BT Status");
        if (change == QLatin1String("hidden") && status)
            col.attribute("show").set_value("0");
        if (change == QLatin1String("last")) {
            const int index = col.attribute("index").as_int();
            col.attribute("index").set_value(status ? 21 : index > 3 ? index - 1 : index);
        }
    }
    return columns::serialize(document);
}

} // namespace

class TestCommands : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void singleCommands_data();
    void singleCommands();
    void chainsReadTheStatusField_data();
    void chainsReadTheStatusField();
    void contextMenuState_data();
    void contextMenuState();
    void contextMenuOnlyOnRightClickOfAnItem();
    void contextCommands_data();
    void contextCommands();
    void contextCommandActsOnTheClickedTorrent();
};

void TestCommands::singleCommands_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("link");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<bool>("busy");
    QTest::newRow("add empty") << "cmdAddLink"
                               << "" << QByteArray("ADD|") << false;
    QTest::newRow("add as typed") << "cmdAddLink"
                                  << " magnet:?xt=a|b,c " << QByteArray("ADD| magnet:?xt=a|b,c ")
                                  << false;
    QTest::newRow("add non-ascii")
        << "cmdAddLink" << QString::fromLatin1("caf\xe9") << QByteArray("ADD|caf\xe9") << false;
    QTest::newRow("delete completed") << "cmdDeleteCompleted"
                                      << "" << QByteArray("DELETE|COMPLETED") << false;
    QTest::newRow("queue all") << "cmdQueueAll"
                               << "" << QByteArray("QUEUE|ALL") << true;
    QTest::newRow("stop all") << "cmdStopAll"
                              << "" << QByteArray("STOP|ALL") << true;
}

void TestCommands::singleCommands()
{
    QFETCH(QString, button);
    QFETCH(QString, link);
    QFETCH(QByteArray, command);
    QFETCH(bool, busy);
    Harness h;
    h.torrents = {{"T1", "WORKING"}};
    h.refresh();
    h.window->txtAddLink->setText(link);
    h.window->findChild<QAbstractButton*>(button)->click();
    QTRY_COMPARE(h.server.requests().size(), 2);
    QCOMPARE(h.commands(1), QList<QByteArray>{command});
    QCOMPARE(h.env.prompter.waitPointer(), busy);
    QCOMPARE(h.window->txtAddLink->text(), link);
    // The reply of a command leaves the list alone.
    QTRY_VERIFY(!h.window->session()->requestInFlight());
    QCOMPARE(h.window->model()->count(), 1);
    QVERIFY(h.env.prompter.messages.isEmpty());
}

void TestCommands::chainsReadTheStatusField_data()
{
    QTest::addColumn<QString>("layout");
    QTest::addColumn<QString>("third"); // the caption of the third column
    QTest::newRow("built-in") << ""
                              << "BT Status";
    QTest::newRow("status moved last") << "last"
                                       << "Priority";
    QTest::newRow("status hidden") << "hidden"
                                   << "Priority";
}

void TestCommands::chainsReadTheStatusField()
{
    QFETCH(QString, layout);
    QFETCH(QString, third);
    Harness h(true, layoutWithStatus(layout));
    QCOMPARE(h.window->model()->columns().at(2), third);
    h.torrents = {{"T1", "WORKING", "High"},
                  {"T2", "pause", "Low"},
                  {"T3", "completed/seeding"},
                  {"T4", "STOP", "Lowest"}};
    h.refresh();
    h.window->cmdPauseAll->click();
    QVERIFY(h.env.prompter.waitPointer());
    QTRY_COMPARE(h.server.requests().size(), 4);
    QCOMPARE(h.commands(1), (QList<QByteArray>{"PAUSE|T1", "PAUSE|T3", "QUERY|"}));
    QTRY_VERIFY(!h.env.prompter.waitPointer());
    QVERIFY(h.env.prompter.messages.isEmpty());

    // The menu of a paused torrent offers UnPause and checks its priority, found by field.
    QTRY_COMPARE(h.window->session()->statusAt(1), QByteArrayView("pause"));
    h.window->lv_MouseUp(Qt::RightButton, h.rowCenter(1), false);
    QVERIFY(h.window->mnUnPause->isVisible());
    QVERIFY(!h.window->mnPause->isVisible());
    QVERIFY(h.window->mnPrioHigh->isChecked());

    h.window->cmdUnPauseAll->click();
    QTRY_COMPARE(h.server.requests().size(), 9);
    QCOMPARE(h.commands(4),
             (QList<QByteArray>{"RESUME|T1", "RESUME|T2", "RESUME|T3", "RESUME|T4", "QUERY|"}));
}

void TestCommands::contextMenuState_data()
{
    QTest::addColumn<bool>("version3");
    QTest::addColumn<QByteArray>("status");
    QTest::addColumn<QByteArray>("priority");
    QTest::addColumn<bool>("unPauseShown");
    QTest::addColumn<QString>("checked");
    QTest::newRow("paused") << true << QByteArray("pause") << QByteArray("Normal") << true
                            << "Normal";
    QTest::newRow("Pause capital")
        << true << QByteArray("Pause") << QByteArray("Highest") << false << "Highest";
    QTest::newRow("paused word") << true << QByteArray("paused") << QByteArray("Lowest") << false
                                 << "Lowest";
    QTest::newRow("lower-case priority")
        << true << QByteArray("WORKING") << QByteArray("normal") << false << "";
    QTest::newRow("version 2") << false << QByteArray("pause") << QByteArray("High") << true << "";
}

void TestCommands::contextMenuState()
{
    QFETCH(bool, version3);
    QFETCH(QByteArray, status);
    QFETCH(QByteArray, priority);
    QFETCH(bool, unPauseShown);
    QFETCH(QString, checked);
    Harness h(version3);
    h.torrents = {{"T1", "WORKING", "Low"}, {"T2", status, priority}};
    h.refresh();
    MainWindow& w = *h.window;
    w.lv_MouseUp(Qt::RightButton, h.rowCenter(2), false);
    QCOMPARE(w.clickedPosition(), 2);
    QCOMPARE(w.mnuPriority->menuAction()->isVisible(), version3);
    QCOMPARE(w.mnUnPause->isVisible(), unPauseShown);
    QCOMPARE(w.mnPause->isVisible(), !unPauseShown);
    QVERIFY(w.mnStop->isVisible() && w.mnQueue->isVisible() && w.mnDelete->isVisible());
    if (version3) {
        QStringList checkedItems;
        for (QAction* a : w.mnuPriority->actions()) {
            if (a->isChecked())
                checkedItems.append(a->text());
        }
        QCOMPARE(checkedItems, checked.isEmpty() ? QStringList() : QStringList{checked});
    }
    const QModelIndexList selected = w.lv->selectionModel()->selectedRows();
    QCOMPARE(selected.size(), 1);
    QCOMPARE(selected.first().row(), 1);
}

void TestCommands::contextMenuOnlyOnRightClickOfAnItem()
{
    Harness h;
    h.torrents = {{"T1", "WORKING"}};
    h.refresh();
    MainWindow& w = *h.window;
    w.lv_MouseUp(Qt::LeftButton, h.rowCenter(1), false);
    w.lv_MouseUp(Qt::MiddleButton, h.rowCenter(1), false);
    QCOMPARE(w.clickedPosition(), 0);
    w.lv_MouseUp(Qt::RightButton, QPoint(5, w.lv->viewport()->height() - 2), false);
    QCOMPARE(w.clickedPosition(), 0);
    QVERIFY(w.lv->selectionModel()->selectedRows().isEmpty());
    // Menu items before any right-click send nothing.
    w.mnDelete->trigger();
    QVERIFY(!w.session()->requestInFlight());
    QCOMPARE(h.server.requests().size(), 1);
}

void TestCommands::contextCommands_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QByteArray>("command");
    QTest::newRow("unpause") << "mnUnPause" << QByteArray("RESUME|T2\r");
    QTest::newRow("pause") << "mnPause" << QByteArray("PAUSE|T2\r");
    QTest::newRow("stop") << "mnStop" << QByteArray("STOP|T2\r");
    QTest::newRow("queue") << "mnQueue" << QByteArray("QUEUE|T2\r");
    QTest::newRow("delete") << "mnDelete" << QByteArray("DELETE|T2\r");
    QTest::newRow("highest") << "mnPrioHighest" << QByteArray("PRIORITY|T2\r,0");
    QTest::newRow("high") << "mnPrioHigh" << QByteArray("PRIORITY|T2\r,1");
    QTest::newRow("normal") << "mnPrioNormal" << QByteArray("PRIORITY|T2\r,2");
    QTest::newRow("low") << "mnPrioLow" << QByteArray("PRIORITY|T2\r,3");
    QTest::newRow("lowest") << "mnPrioLowest" << QByteArray("PRIORITY|T2\r,4");
}

void TestCommands::contextCommands()
{
    QFETCH(QString, item);
    QFETCH(QByteArray, command);
    Harness h;
    // An identifier with a trailing CR goes back exactly as it came.
    h.torrents = {{"T1", "WORKING"}, {"T2\r", "pause"}};
    h.refresh();
    h.window->lv_MouseUp(Qt::RightButton, h.rowCenter(2), false);
    h.window->findChild<QAction*>(item)->trigger();
    QTRY_COMPARE(h.server.requests().size(), 2);
    QCOMPARE(h.commands(1), QList<QByteArray>{command});
    QVERIFY(!h.env.prompter.waitPointer());
}

void TestCommands::contextCommandActsOnTheClickedTorrent()
{
    Harness h;
    h.torrents = {{"T1", "WORKING"}, {"T2", "WORKING"}, {"T3", "WORKING"}};
    h.refresh();
    h.window->lv_MouseUp(Qt::RightButton, h.rowCenter(2), false);
    // A refresh while the menu is open removes T1: position 2 is now T3 and gets selected.
    h.torrents.removeFirst();
    h.refresh();
    const QModelIndexList selected = h.window->lv->selectionModel()->selectedRows();
    QCOMPARE(selected.size(), 1);
    QCOMPARE(h.window->model()->tag(selected.first().row() + 1), QByteArray("T3"));
    h.window->mnDelete->trigger();
    QTRY_COMPARE(h.server.requests().size(), 3);
    QCOMPARE(h.commands(2), QList<QByteArray>{"DELETE|T2"});
}

QTEST_MAIN(TestCommands)
#include "tst_commands.moc"
