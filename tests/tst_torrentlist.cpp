// The torrent list in the real main window: columns from the layouts, status replies from a
// loopback server, the log, the error box and the reselection.
#include "columns/ColumnLayout.h"
#include "connection/TorrentListModel.h"
#include "mainwindow/EventLog.h"
#include "mainwindow/frmMain.h"
#include "support/LoopbackServer.h"
#include "support/TestEnvironment.h"

#include <QAction>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QTest>
#include <QTreeView>

using namespace tavrin;
using namespace tavrin::test;

namespace {

QByteArray v3Row(const QByteArray& id, const QMap<int, QByteArray>& fields = {})
{
    QByteArray row;
    for (int f = 1; f <= 22; ++f)
        row += fields.value(f, "f" + QByteArray::number(f)) + '|';
    return row + id;
}

QByteArray reply(const QList<QByteArray>& rows)
{
    QByteArray text = "Torrents";
    for (const QByteArray& row : rows)
        text += '\n' + row;
    return text;
}

struct Harness {
    explicit Harness(const QMap<QString, QString>& stored = {})
    {
        for (auto it = stored.begin(); it != stored.end(); ++it)
            env.settings->write(it.key(), it.value());
        window = std::make_unique<frmMain>(*env.settings, env.prompter, env.clock);
        window->txtHost->setText(QStringLiteral("127.0.0.1"));
        window->txtPort->setText(QString::number(server.port()));
        window->txtUniqueID->setText(QStringLiteral("me"));
        server.setResponder([this](const QByteArray& request) -> std::optional<QByteArray> {
            if (!request.endsWith("QUERY|"))
                return QByteArray();
            return replies.isEmpty() ? QByteArray("Torrents") : replies.takeFirst();
        });
    }

    // One tick of the refresh timer, answered with the next scripted reply.
    void refresh(const QByteArray& text)
    {
        replies.append(text);
        const qsizetype before = server.requests().size();
        window->tmrRefresh_Timer();
        QTRY_COMPARE(server.requests().size(), before + 1);
        QTRY_VERIFY(replies.isEmpty());
        // The list is updated when the server has closed the connection.
        QTRY_VERIFY(window->engine()->receiveBuffer().isEmpty());
        QTest::qWait(20);
    }

    QStringList captions() const { return window->model()->columns(); }

    QByteArray entry(const QByteArray& message) const
    {
        EventLog log(env.clock, const_cast<RecordingPrompter&>(env.prompter));
        return log.timeStamp(env.clock.now()).toLatin1() + ": " + message + "\r\n";
    }

    TestEnvironment env;
    LoopbackServer server;
    QList<QByteArray> replies;
    std::unique_ptr<frmMain> window;
};

} // namespace

class TestTorrentList : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void startsWithTheVersion3Columns();
    void switchingVersionsRebuildsTheColumns();
    void storedLayouts();
    void storedLayoutThatDoesNotParse();
    void repliesFillAndRefreshTheList();
    void oneErrorBoxAtATime();
    void reselectsTheClickedPosition();
    void nonAsciiBytesComeBackUnchanged();
};

void TestTorrentList::startsWithTheVersion3Columns()
{
    Harness h;
    QCOMPARE(h.window->mnuSwitchVersion->text(), QStringLiteral("Switch to Kestrun Version 2"));
    QCOMPARE(h.captions().size(), 21);
    QCOMPARE(h.window->lv->header()->count(), 21);
    QCOMPARE(h.captions().first(), QStringLiteral("FileName"));
    QCOMPARE(h.captions().last(), QStringLiteral("Connections"));
    QVERIFY(!h.captions().contains(QStringLiteral("Seeding Option")));
    const QList<int> twips = {3000, 1000, 1750, 1750, 750, 1440};
    for (int i = 0; i < twips.size(); ++i)
        QCOMPARE(h.window->lv->header()->sectionSize(i), h.window->toPixels(twips.at(i)));
    QVERIFY(!h.window->lv->rootIsDecorated());
    QVERIFY(h.window->lv->uniformRowHeights());
    QCOMPARE(h.window->lv->selectionBehavior(), QAbstractItemView::SelectRows);
}

void TestTorrentList::switchingVersionsRebuildsTheColumns()
{
    Harness h;
    h.window->ProcessStatusReply(reply({v3Row("A")}));
    QCOMPARE(h.window->model()->count(), 1);

    h.window->mnuSwitchVersion->trigger();
    QCOMPARE(h.captions(), QStringList({"FileName", "Progress", "BT Status", "ETA", "DL Speed",
                                        "UL Speed", "%UL/DL", "#Peers", "#Seeds", "#Copies",
                                        "DL Size", "UL Size", "Peer Avg Progress", "Total Speed"}));
    QCOMPARE(h.window->model()->count(), 0);
    QCOMPARE(h.env.reopenedSettings().value(QStringLiteral("Main/Version3")).toString(),
             QStringLiteral("false"));
    QCOMPARE(h.window->mnuSwitchVersion->text(), QStringLiteral("Switch to Kestrun Version 3"));

    // A version 2 row: 15 data fields; field 6 (the second DL Speed) is never shown.
    QByteArray row;
    for (int f = 1; f <= 15; ++f)
        row += QByteArray::number(f * 1000) + '|';
    h.window->ProcessStatusReply(reply({row + "V2"}));
    QCOMPARE(h.window->model()->text(1, 4), QStringLiteral("5.00Kb/s"));
    QCOMPARE(h.window->model()->text(1, 5), QStringLiteral("7.00Kb/s"));

    h.window->mnuSwitchVersion->trigger();
    QCOMPARE(h.captions().size(), 21);
    QCOMPARE(h.env.reopenedSettings().value(QStringLiteral("Main/Version3")).toString(),
             QStringLiteral("true"));
}

void TestTorrentList::storedLayouts()
{
    pugi::xml_document stored;
    columns::parse(stored, columns::defaultText(true));
    columns::elementsWithKey(stored, QStringLiteral("Connections"))
        .first()
        .attribute("show")
        .set_value("0");
    columns::elementAt(stored, 1).attribute("width").set_value("wide");
    Harness h({{QStringLiteral("Version3Cols"), columns::serialize(stored)},
               {QStringLiteral("Version2Cols"), QString()}});
    QCOMPARE(h.captions().size(), 20);
    QCOMPARE(h.captions().last(), QStringLiteral("Seeding Time"));
    // A width that is not a number gets the standard width.
    QCOMPARE(h.window->lv->header()->sectionSize(0), h.window->toPixels(1440));
    QCOMPARE(h.window->lv->header()->sectionSize(1), h.window->toPixels(1000));

    // An empty stored text is the built-in default.
    h.window->mnuSwitchVersion->trigger();
    QCOMPARE(h.captions().size(), 14);
}

void TestTorrentList::storedLayoutThatDoesNotParse()
{
    Harness h({{QStringLiteral("Version3Cols"), QStringLiteral("<Cols><Col key='A'")}});
    QCOMPARE(h.captions(), QStringList());
    QVERIFY(!h.window->workingDocument().first_child());

    h.refresh(reply({v3Row("A")}));
    QCOMPARE(h.window->model()->count(), 0);
    QCOMPARE(h.env.prompter.texts(), QStringList({"Error - No column has display position 1."}));
    QVERIFY(h.env.logBytes().contains(h.entry("Error - No column has display position 1.")));
}

void TestTorrentList::repliesFillAndRefreshTheList()
{
    Harness h;
    const QByteArray first = reply({v3Row("A", {{2, "1750"}}), v3Row("B"), v3Row("C")});
    h.refresh(first);
    TorrentListModel* model = h.window->model();
    QCOMPARE(model->count(), 3);
    QCOMPARE(model->tag(2), QByteArray("B"));
    QCOMPARE(model->text(1, 1), QStringLiteral("1.75Kb/s"));
    QCOMPARE(h.window->lv->model()->data(h.window->lv->model()->index(0, 1)).toString(),
             QStringLiteral("1.75Kb/s"));
    QVERIFY(h.env.logBytes().endsWith(
        h.entry("Got Message: " + first) + h.entry("Row: " + v3Row("A", {{2, "1750"}})) +
        h.entry("Row contains cols: 22") + h.entry("Row: " + v3Row("B")) +
        h.entry("Row contains cols: 22") + h.entry("Row: " + v3Row("C")) +
        h.entry("Row contains cols: 22")));

    // B vanished, C's progress changed, D is new.
    h.refresh(reply({v3Row("A", {{2, "1750"}}), v3Row("C", {{2, "250"}}), v3Row("D")}));
    QCOMPARE(model->count(), 3);
    QCOMPARE(model->tag(2), QByteArray("C"));
    QCOMPARE(model->text(2, 1), QStringLiteral(".25Kb/s"));
    QCOMPARE(model->tag(3), QByteArray("D"));
    QVERIFY(h.env.prompter.messages.isEmpty());
}

void TestTorrentList::oneErrorBoxAtATime()
{
    Harness h;
    h.window->ProcessStatusReply(reply({v3Row("A")}));
    const QByteArray bad = reply({v3Row("A"), "short|row"});
    const QByteArray error = "Error - The row has 2 fields; column \"BT Status\" shows field 3.";
    int nested = 0;
    // While the box is open, the next refresh fails the same way.
    h.env.prompter.onMessage = [&] {
        if (nested++ == 0)
            h.window->ProcessStatusReply(bad);
    };
    h.window->ProcessStatusReply(bad);
    QCOMPARE(h.env.prompter.messages.size(), 1);
    QCOMPARE(h.env.prompter.messages.at(0).text, QString::fromLatin1(error));
    QCOMPARE(h.env.prompter.messages.at(0).style, MessageStyle::Plain);
    QCOMPARE(h.env.prompter.messages.at(0).title, QString());
    QCOMPARE(h.env.logBytes().count(error), 2);
    QCOMPARE(h.window->model()->count(), 1);

    // Once it is closed, the next failure opens a box again.
    h.window->ProcessStatusReply(bad);
    QCOMPARE(h.env.prompter.messages.size(), 2);
}

void TestTorrentList::reselectsTheClickedPosition()
{
    Harness h;
    h.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(h.window.get()));
    h.refresh(reply({v3Row("A"), v3Row("B"), v3Row("C")}));
    QTreeView* lv = h.window->lv;
    const QPoint third = lv->visualRect(lv->model()->index(2, 0)).center();
    h.window->lv_MouseUp(Qt::RightButton, third, false);
    QCOMPARE(h.window->clickedPosition(), 3);

    lv->selectionModel()->select(lv->model()->index(0, 0),
                                 QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    h.refresh(reply({v3Row("A"), v3Row("B"), v3Row("C"), v3Row("D")}));
    QModelIndexList rows = lv->selectionModel()->selectedRows();
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows.at(0).row(), 2);

    // With fewer items than the clicked position nothing is selected by the refresh.
    lv->selectionModel()->clearSelection();
    h.refresh(reply({v3Row("A"), v3Row("B")}));
    QVERIFY(lv->selectionModel()->selectedRows().isEmpty());
}

void TestTorrentList::nonAsciiBytesComeBackUnchanged()
{
    Harness h;
    h.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(h.window.get()));
    const QByteArray id("\xe9t\xe9\xff");
    const QByteArray row = v3Row(id, {{1, "caf\xe9.iso"}});
    h.refresh(reply({row}));
    QCOMPARE(h.window->model()->tag(1), id);
    QCOMPARE(h.window->model()->text(1, 0), QString::fromLatin1("caf\xe9.iso"));
    QVERIFY(h.env.logBytes().contains(h.entry("Row: " + row)));

    QTreeView* lv = h.window->lv;
    h.window->lv_MouseUp(Qt::RightButton, lv->visualRect(lv->model()->index(0, 0)).center(), false);
    h.window->mnStop->trigger();
    QTRY_COMPARE(h.server.requests().size(), 2);
    QCOMPARE(h.server.requests().last().bytes, "ID|me\nSTOP|" + id);
}

QTEST_MAIN(TestTorrentList)
#include "tst_torrentlist.moc"
