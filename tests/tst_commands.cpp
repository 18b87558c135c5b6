// The bulk commands, the pause-all and resume-all chains and the context menu, through the real
// window against a loopback server that records every request.
#include "core/torrents/TorrentListModel.h"
#include "gui/MainWindow.h"
#include "support/WindowHarness.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

using namespace tavrin;
using namespace tavrin::test;

namespace {

struct Torrent {
    QByteArray id;
    QByteArray status;
    QByteArray priority = "Normal";
};

// A row in the version 3 layout: 22 data fields, then the identifier.
QByteArray row(const Torrent& t)
{
    QList<QByteArray> fields{"file-" + t.id, "50%", t.status, t.priority};
    while (fields.size() < 22)
        fields.append("f" + QByteArray::number(fields.size() + 1));
    fields.append(t.id);
    return fields.join('|');
}

MainWindowOptions options(int chainDelayMs)
{
    MainWindowOptions o;
    o.chainDelayMs = chainDelayMs;
    return o;
}

struct Harness : WindowHarness {
    explicit Harness(int chainDelayMs = 20, bool version3 = true)
        : WindowHarness({{QStringLiteral("Version3"), version3 ? "true" : "false"}},
                        options(chainDelayMs))
    {
        window->txtUniqueID->setText(QStringLiteral("u"));
        server.setResponder([this](const QByteArray& request) -> std::optional<QByteArray> {
            if (request.endsWith("QUERY|")) {
                QByteArray reply = "Torrents\n";
                for (const Torrent& t : torrents)
                    reply += row(t) + '\n';
                return reply;
            }
            return errorFor.value(request, "Feedback\nOK\n");
        });
    }

    // Fills the list with a status reply, as a timer tick would.
    void refresh()
    {
        const qsizetype before = server.requests().size();
        window->tmrRefresh_Timer();
        QTRY_COMPARE(server.requests().size(), before + 1);
        QTRY_COMPARE(window->model()->count(), static_cast<int>(torrents.size()));
        QTest::qWait(10);
    }

    QPoint rowCenter(int position) const
    {
        return window->lv->visualRect(window->model()->index(position - 1, 0)).center();
    }

    QList<Torrent> torrents;
    QMap<QByteArray, QByteArray> errorFor;
};

} // namespace

class TestCommands : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void singleCommands_data();
    void singleCommands();
    void pauseAllPausesActiveTorrentsAtRealSpacing();
    void pauseAllWithNothingActive();
    void unPauseAllResumesEveryTorrent();
    void unPauseAllOnEmptyList();
    void chainIsAbandoned_data();
    void chainIsAbandoned();
    void errorReplyEndsChain();
    void longChainKeepsOrder();
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
    QCOMPARE(h.window->engine()->requestKind(), RequestKind::Single);
    QCOMPARE(h.env.prompter.waitPointer(), busy);
    QCOMPARE(h.window->txtAddLink->text(), link);
    // The reply of a command leaves the list alone.
    QTest::qWait(50);
    QCOMPARE(h.window->model()->count(), 1);
}

void TestCommands::pauseAllPausesActiveTorrentsAtRealSpacing()
{
    Harness h(500);
    h.torrents = {{"T1", "WORKING"}, {"T2", "pause"}, {"T3", "completed/seeding"}};
    h.refresh();
    h.window->cmdPauseAll->click();
    QVERIFY(h.env.prompter.waitPointer());
    QTRY_COMPARE_WITH_TIMEOUT(h.server.requests().size(), 4, 5000);
    QCOMPARE(h.commands(1), (QList<QByteArray>{"PAUSE|T1", "PAUSE|T3", "QUERY|"}));
    const auto& r = h.server.requests();
    QVERIFY(r.at(2).atMs - r.at(1).atMs >= 495);
    QVERIFY(r.at(3).atMs - r.at(2).atMs >= 495);
    QTRY_VERIFY(!h.env.prompter.waitPointer());
    QCOMPARE(h.window->engine()->requestKind(), RequestKind::Status);
}

void TestCommands::pauseAllWithNothingActive()
{
    Harness h;
    h.torrents = {{"T1", "pause"}, {"T2", "WORKING "}, {"T3", "STOP"}};
    h.refresh();
    h.window->cmdPauseAll->click();
    QCOMPARE(h.env.prompter.messages.size(), 1);
    QCOMPARE(h.env.prompter.messages.first().text, QStringLiteral("Nothing to pause!"));
    QCOMPARE(h.env.prompter.messages.first().title, QStringLiteral("Pause all"));
    QCOMPARE(h.env.prompter.messages.first().style, MessageStyle::Plain);
    QTest::qWait(100);
    QCOMPARE(h.server.requests().size(), 1);
    QVERIFY(h.env.prompter.waitPointer());
    QCOMPARE(h.window->engine()->requestKind(), RequestKind::Status);
}

void TestCommands::unPauseAllResumesEveryTorrent()
{
    Harness h;
    h.torrents = {{"T1", "pause"}, {"T2", "WORKING"}, {"T3", "STOP"}};
    h.refresh();
    h.window->cmdUnPauseAll->click();
    QTRY_COMPARE(h.server.requests().size(), 5);
    QCOMPARE(h.commands(1), (QList<QByteArray>{"RESUME|T1", "RESUME|T2", "RESUME|T3", "QUERY|"}));
    QTRY_VERIFY(!h.env.prompter.waitPointer());
}

void TestCommands::unPauseAllOnEmptyList()
{
    Harness h;
    h.refresh();
    h.window->cmdUnPauseAll->click();
    QCOMPARE(h.env.prompter.messages.size(), 1);
    QCOMPARE(h.env.prompter.messages.first().title, QStringLiteral("ERROR"));
    QCOMPARE(h.env.prompter.messages.first().style, MessageStyle::Critical);
    QTest::qWait(100);
    QCOMPARE(h.server.requests().size(), 1);
    QCOMPARE(h.window->engine()->requestKind(), RequestKind::ResumeAll);
}

void TestCommands::chainIsAbandoned_data()
{
    QTest::addColumn<QString>("by");
    QTest::addColumn<QByteArray>("command");
    QTest::newRow("timer tick") << "tick" << QByteArray("QUERY|");
    QTest::newRow("queue all") << "cmdQueueAll" << QByteArray("QUEUE|ALL");
    QTest::newRow("add") << "cmdAddLink" << QByteArray("ADD|");
}

void TestCommands::chainIsAbandoned()
{
    QFETCH(QString, by);
    QFETCH(QByteArray, command);
    Harness h(300);
    h.torrents = {{"T1", "WORKING"}, {"T2", "WORKING"}};
    h.refresh();
    h.window->cmdPauseAll->click();
    // Act while the next step waits for its moment.
    QTRY_VERIFY(h.window->chainStepPending());
    if (by == QLatin1String("tick"))
        h.window->tmrRefresh_Timer();
    else
        h.window->findChild<QAbstractButton*>(by)->click();
    QVERIFY(!h.window->chainStepPending());
    QTest::qWait(500);
    QCOMPARE(h.commands(1), (QList<QByteArray>{"PAUSE|T1", command}));
}

void TestCommands::errorReplyEndsChain()
{
    Harness h;
    h.torrents = {{"T1", "pause"}, {"T2", "pause"}};
    h.errorFor.insert("ID|u\nRESUME|T1", "Feedback\nError=busy");
    h.refresh();
    h.window->tmrRefresh->start(60000);
    h.window->cmdUnPauseAll->click();
    QTRY_COMPARE(h.env.prompter.messages.size(), 1);
    QCOMPARE(h.env.prompter.messages.first().text, QStringLiteral("ERROR: busy"));
    QVERIFY(!h.window->tmrRefresh->isActive());
    QTest::qWait(200);
    QCOMPARE(h.commands(1), QList<QByteArray>{"RESUME|T1"});
    QCOMPARE(h.window->engine()->requestKind(), RequestKind::ResumeAll);
}

void TestCommands::longChainKeepsOrder()
{
    Harness h(1);
    QList<QByteArray> expected;
    for (int i = 1; i <= 200; ++i) {
        const QByteArray id = "T" + QByteArray::number(i);
        h.torrents.append({id, i % 2 ? "WORKING" : "pause"});
        if (i % 2)
            expected.append("PAUSE|" + id);
    }
    expected.append("QUERY|");
    h.refresh();
    h.window->cmdPauseAll->click();
    // The click returns at once: the chain runs from the event loop.
    QVERIFY(h.server.requests().size() <= 2);
    QTRY_COMPARE_WITH_TIMEOUT(h.server.requests().size(), 1 + expected.size(), 20000);
    QCOMPARE(h.commands(1), expected);
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
    Harness h(20, version3);
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
    QTest::qWait(50);
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
    QCOMPARE(h.window->engine()->requestKind(), RequestKind::Single);
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
