// The torrent list in the real main window: the version switch, status replies from a
// loopback server, the log, the error box and the reselection.
#include "support/StatusRows.h"
#include "support/Waits.h"
#include "support/WindowHarness.h"

#include <QHeaderView>

using namespace tavrin;
using namespace tavrin::test;

namespace {

struct Harness : WindowHarness {
    explicit Harness(const QString& storedV3 = {})
        : WindowHarness({{QStringLiteral("Version3Cols"), storedV3}})
    {
        server.setResponder([this](const QByteArray& request) -> std::optional<QByteArray> {
            return request.endsWith("QUERY|") ? next : QByteArray();
        });
        connectAs(QStringLiteral("me"));
    }
    // One tick of the refresh timer, answered with this reply.
    void refresh(const QByteArray& text)
    {
        next = text;
        WindowHarness::refresh();
    }
    // A reply handed to the window as if it had just arrived, while a box may be open.
    void apply(const QByteArray& reply) { takeIn(reply); }
    bool sectionIsTwips(int section, double twips) const
    {
        return list()->header()->sectionSize(section) == TwipsScale(*window).toPixels(twips);
    }
    QByteArray next;
};

} // namespace

class TestTorrentList : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void versionSwitchEmptiesTheList()
    {
        Harness h;
        h.refresh(statusReply({v3Row("A")}));
        action(*h.window, "Switch to Kestrun Version 2")->trigger();
        QCOMPARE(h.model().columns().size(), 14);
        QCOMPARE(h.model().count(), 0);
        QCOMPARE(h.env.reopenedSettings().value("Main/Version3").toString(), QString("false"));
    }

    void repliesFillTheListAndReselect()
    {
        Harness h;
        h.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(h.window.get()));
        QVERIFY(h.sectionIsTwips(0, 3000));
        // Bytes beyond ASCII come back unchanged, in the list, the log and the next command.
        const QByteArray id("\xe9t\xe9\xff");
        const QByteArrayList rows = {v3Row("A"), v3Row("B"), v3Row(id, {{1, "\xe9"}})};
        h.refresh(statusReply(rows));
        const QAbstractItemModel& model = h.shown();
        QCOMPARE(model.data(model.index(2, 0)).toString(), QString::fromLatin1("\xe9"));
        TRY_VERIFY(h.env.logBytes().contains(": Row: " + rows[2] + "\r\n"));
        h.openMenu(3);
        h.menuItem("stopAction")->trigger();
        TRY_COMPARE(h.server.requests().size(), 2);
        QCOMPARE(h.server.requests().last().bytes, "ID|me\nSTOP|" + id);

        // The refresh selects the position of the menu's row again.
        QItemSelectionModel* selection = h.list()->selectionModel();
        selection->select(model.index(0, 0),
                          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        h.refresh(statusReply(rows + QByteArrayList{v3Row("D")}));
        QCOMPARE(selection->selectedRows(), QModelIndexList({model.index(2, 0)}));
        // With fewer items than that, the selected item's removal leaves nothing selected.
        h.refresh(statusReply({v3Row("A"), v3Row("B")}));
        QCOMPARE(h.model().count(), 2);
        QVERIFY(selection->selectedRows().isEmpty());
    }

    void oneErrorBoxAtATime()
    {
        Harness h(QStringLiteral("<Cols><Col key='A'"));
        QCOMPARE(h.model().columns(), QStringList());
        const QString error = QStringLiteral("Error - No column has display position 1.");
        // While the box is open, the next refresh fails the same way.
        int nested = 0;
        h.env.prompter.onMessage = [&] {
            if (nested++ == 0)
                h.apply(statusReply({v3Row("B")}));
        };
        h.refresh(statusReply({v3Row("A")}));
        QCOMPARE(h.env.prompter.texts(), QStringList({error}));
        QCOMPARE(h.env.prompter.messages.at(0).style, MessageStyle::Plain);
        TRY_COMPARE(h.env.logBytes().count(": " + error.toLatin1() + "\r\n"), 2);
        QCOMPARE(h.model().count(), 0);
        // Once it is closed, the next failure opens a box again.
        h.apply(statusReply({v3Row("A")}));
        QCOMPARE(h.env.prompter.messages.size(), 2);
    }
};

QTEST_MAIN(TestTorrentList)
#include "tst_torrentlist.moc"
