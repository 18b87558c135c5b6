// The torrent list in the real main window: columns from the layouts, status replies from a
// loopback server, the log, the error box and the reselection.
#include "core/columns/ColumnLayout.h"
#include "core/session/Session.h"
#include "core/torrents/TorrentListModel.h"
#include "gui/MainWindow.h"
#include "support/LoopbackServer.h"
#include "support/StatusRows.h"
#include "support/TestEnvironment.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>

using namespace tavrin;
using namespace tavrin::test;

namespace {

struct Harness {
    explicit Harness(const QString& storedV3 = {})
    {
        env.settings->write(QStringLiteral("Version3Cols"), storedV3);
        window = std::make_unique<MainWindow>(*env.settings, env.prompter, env.clock);
        window->txtHost->setText(QStringLiteral("127.0.0.1"));
        window->txtPort->setText(QString::number(server.port()));
        window->txtUniqueID->setText(QStringLiteral("me"));
        server.setResponder([this](const QByteArray& request) -> std::optional<QByteArray> {
            return request.endsWith("QUERY|") ? next : QByteArray();
        });
        // Polling runs, but only the test's own refreshes ask.
        window->txtRefreshSecs->setText(QStringLiteral("3600"));
        window->cmdConnect->click();
    }
    // One tick of the refresh timer, answered with this reply.
    void refresh(const QByteArray& text)
    {
        next = text;
        QSignalSpy done(window->session(), &Session::statusReplyArrived);
        window->session()->refresh();
        QTRY_COMPARE(done.size(), 1);
    }
    TestEnvironment env;
    LoopbackServer server;
    QByteArray next;
    std::unique_ptr<MainWindow> window;
};

} // namespace

class TestTorrentList : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void columnsFollowTheLayoutAndVersion();
    void repliesFillTheListAndReselect();
    void oneErrorBoxAtATime();
};

void TestTorrentList::columnsFollowTheLayoutAndVersion()
{
    // The stored version 3 layout hides Connections and has a width that is not a number.
    Harness h(QString(columns::defaultText(true))
                  .replace("'Connections' index='21' show='1'", "'Connections' index='21' show='0'")
                  .replace("width='3000'", "width='wide'"));
    QCOMPARE(h.window->model()->columns().size(), 20);
    QCOMPARE(h.window->model()->columns().last(), QStringLiteral("Seeding Time"));
    QCOMPARE(h.window->lv->header()->sectionSize(0), h.window->toPixels(1440));
    QCOMPARE(h.window->lv->header()->sectionSize(1), h.window->toPixels(1000));
    h.window->ProcessStatusReply(statusReply({v3Row("A")}));
    // Switching empties the list.
    h.window->mnuSwitchVersion->trigger();
    QCOMPARE(h.window->model()->columns().size(), 14);
    QCOMPARE(h.window->model()->count(), 0);
    QCOMPARE(h.env.reopenedSettings().value("Main/Version3").toString(), QString("false"));
    h.window->mnuSwitchVersion->trigger();
    QCOMPARE(h.window->model()->columns().size(), 20);
}

void TestTorrentList::repliesFillTheListAndReselect()
{
    Harness h;
    h.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(h.window.get()));
    QTreeView* lv = h.window->lv;
    QCOMPARE(lv->header()->sectionSize(0), h.window->toPixels(3000));
    // Bytes beyond ASCII come back unchanged, in the list, the log and the next command.
    const QByteArray id("\xe9t\xe9\xff");
    const QByteArrayList rows = {v3Row("A", {{2, "1750"}}), v3Row("B"), v3Row(id, {{1, "\xe9"}})};
    h.refresh(statusReply(rows));
    QCOMPARE(lv->model()->data(lv->model()->index(0, 1)).toString(), QStringLiteral("1.75Kb/s"));
    QCOMPARE(lv->model()->data(lv->model()->index(2, 0)).toString(), QString::fromLatin1("\xe9"));
    QVERIFY(h.env.logBytes().contains(": Row: " + rows[2] + "\r\n"));
    h.window->lv_MouseUp(Qt::RightButton, lv->visualRect(lv->model()->index(2, 0)).center(), false);
    QCOMPARE(h.window->clickedPosition(), 3);
    h.window->mnStop->trigger();
    QTRY_COMPARE(h.server.requests().size(), 2);
    QCOMPARE(h.server.requests().last().bytes, "ID|me\nSTOP|" + id);

    // The refresh selects the clicked position again.
    lv->selectionModel()->select(lv->model()->index(0, 0),
                                 QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    h.refresh(statusReply(rows + QByteArrayList{v3Row("D")}));
    QCOMPARE(lv->selectionModel()->selectedRows(), QModelIndexList({lv->model()->index(2, 0)}));
    // With fewer items than that, the selected item's removal leaves nothing selected.
    h.refresh(statusReply({v3Row("A"), v3Row("B")}));
    QCOMPARE(h.window->model()->count(), 2);
    QVERIFY(lv->selectionModel()->selectedRows().isEmpty());
}

void TestTorrentList::oneErrorBoxAtATime()
{
    Harness h(QStringLiteral("<Cols><Col key='A'"));
    QCOMPARE(h.window->model()->columns(), QStringList());
    const QString error = QStringLiteral("Error - No column has display position 1.");
    // While the box is open, the next refresh fails the same way.
    int nested = 0;
    h.env.prompter.onMessage = [&] {
        if (nested++ == 0)
            h.window->ProcessStatusReply(statusReply({v3Row("B")}));
    };
    h.refresh(statusReply({v3Row("A")}));
    QCOMPARE(h.env.prompter.texts(), QStringList({error}));
    QCOMPARE(h.env.prompter.messages.at(0).style, MessageStyle::Plain);
    QCOMPARE(h.env.logBytes().count(": " + error.toLatin1() + "\r\n"), 2);
    QCOMPARE(h.window->model()->count(), 0);
    // Once it is closed, the next failure opens a box again.
    h.window->ProcessStatusReply(statusReply({v3Row("A")}));
    QCOMPARE(h.env.prompter.messages.size(), 2);
}

QTEST_MAIN(TestTorrentList)
#include "tst_torrentlist.moc"
