// Replies taken in off the window thread: what may go wrong between the thread that builds the
// next list and the one that shows it. Built again under ThreadSanitizer by scripts/run-tests.sh.
#include "core/columns/ColumnLayout.h"
#include "core/columns/ColumnPlan.h"
#include "core/torrents/TorrentListModel.h"
#include "core/torrents/TorrentListUpdater.h"
#include "core/view/TorrentViewModel.h"
#include "support/StatusRows.h"
#include "support/Waits.h"

#include <QItemSelectionModel>
#include <QSignalSpy>
#include <QTest>

using namespace tavrin;
using test::statusReply;
using test::v3Row;

namespace {

QByteArrayList idsOf(const TorrentListModel& model)
{
    QByteArrayList ids;
    for (int position = 1; position <= model.count(); ++position)
        ids << model.torrentId(position);
    return ids;
}

QByteArrayList rowsOf(const TorrentListModel& model)
{
    QByteArrayList rows;
    for (int position = 1; position <= model.count(); ++position)
        rows << model.rowText(position).toByteArray();
    return rows;
}

// The field of a kept field in a version 3 row.
int v3Field(KeptField which)
{
    pugi::xml_document layout;
    columns::parse(layout, columns::defaultText(true));
    return ColumnPlan::resolve(layout).keptField(which);
}
const int speedField = v3Field(KeptField::DownloadSpeed);
const int nameField = v3Field(KeptField::Name);

// The list's 1-based positions in the order a view shows them.
QList<int> shownOrder(const view::TorrentViewModel& shown)
{
    QList<int> order;
    for (int row = 1; row <= shown.shownCount(); ++row)
        order << shown.listPosition(row);
    return order;
}

// Rows "<prefix>0" .. "<prefix>n-1"; their download speeds tell them apart.
QByteArrayList numbered(const QByteArray& prefix, int n, int speedBase = 0)
{
    QByteArrayList rows;
    for (int i = 0; i < n; ++i)
        rows << v3Row(prefix + QByteArray::number(i),
                      {{speedField, QByteArray::number(speedBase + i)}});
    return rows;
}

struct Fixture {
    Fixture()
    {
        columns::parse(layout, columns::defaultText(true));
        model.setColumns(QStringList(21, QString()));
    }
    void waitUntilIdle() { TRY_VERIFY(!updater.isBusy()); }

    pugi::xml_document layout;
    TorrentListModel model;
    TorrentListUpdater updater{model, layout};
    QSignalSpy applied{&updater, &TorrentListUpdater::applied};
};

} // namespace

class TestListIntake : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // While one reply is taken in, a second waits and a third replaces it: the list goes from
    // the first straight to the third, and never holds rows of two replies.
    void newerReplyReplacesTheWaitingOne()
    {
        Fixture f;
        const QByteArray first = statusReply(numbered("a", 500));
        const QByteArray second = statusReply(numbered("b", 300));
        const QByteArray third = statusReply(numbered("a", 200, 7000) + numbered("c", 50));
        QSignalSpy ended(&f.model, &TorrentListModel::replyEnded);
        f.updater.submit(first);
        f.updater.submit(second);
        f.updater.submit(third);
        f.waitUntilIdle();
        QCOMPARE(f.applied.size(), 2);
        QCOMPARE(ended.size(), 2);
        QCOMPARE(rowsOf(f.model), numbered("a", 200, 7000) + numbered("c", 50));
    }

    // A disconnection in the middle: what was being taken in never reaches the list.
    void cancelDropsWhatIsUnderWay()
    {
        Fixture f;
        f.updater.apply(statusReply(numbered("a", 100)));
        f.updater.submit(statusReply(numbered("b", 100)));
        f.updater.submit(statusReply(numbered("c", 100)));
        f.updater.cancel();
        f.waitUntilIdle();
        QCOMPARE(f.applied.size(), 0);
        QCOMPARE(rowsOf(f.model), numbered("a", 100));
        f.updater.submit(statusReply(numbered("d", 3)));
        f.waitUntilIdle();
        QCOMPARE(idsOf(f.model), QByteArrayList({"d0", "d1", "d2"}));
    }

    // New columns empty the list while a reply is built on the old one: the reply is dropped,
    // and the next one fills the list under the new layout.
    void columnsChangedWhileBuilding()
    {
        Fixture f;
        f.updater.apply(statusReply(numbered("a", 100)));
        f.updater.submit(statusReply(numbered("a", 100, 50)));
        f.model.setColumns(QStringList(21, QString()));
        f.waitUntilIdle();
        QCOMPARE(f.applied.size(), 0);
        QCOMPARE(f.model.count(), 0);
        columns::elementAt(f.layout, 2).attribute("show").set_value("0");
        f.updater.submit(statusReply({v3Row("x")}));
        f.waitUntilIdle();
        QCOMPARE(f.model.text(1, 1), QStringLiteral("f3"));
    }

    // The selection and the order of the list as shown, after replies that remove rows before
    // the selected one, change others and append new ones, sorted and in the server's order.
    void selectionAndOrderAfterEachReply_data()
    {
        QTest::addColumn<bool>("sorted");
        QTest::newRow("server's order") << false;
        QTest::newRow("sorted by DL Speed") << true;
    }
    void selectionAndOrderAfterEachReply()
    {
        QFETCH(bool, sorted);
        Fixture f;
        const int sortColumn =
            sorted ? int(ColumnPlan::resolve(f.layout).fields().indexOf(speedField)) : -1;
        view::TorrentViewModel shown(f.model);
        shown.setSort(sortColumn, Qt::DescendingOrder);
        f.updater.setView(&shown);
        QItemSelectionModel selection(&shown);
        f.updater.apply(statusReply(numbered("t", 40)));
        const auto select = [&](const QByteArray& id) {
            const int at = shown.shownPosition(f.model.findTorrent(id));
            selection.select(shown.index(at - 1, 0),
                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        };
        const auto selected = [&] {
            const QModelIndexList rows = selection.selectedRows();
            return rows.size() == 1 ? f.model.torrentId(shown.listPosition(rows.first().row() + 1))
                                    : QByteArray("(none)");
        };
        select("t20");

        // Every third torrent goes, the rest change speed (in whole kilobytes, which the list
        // shows apart), two come at the end.
        QByteArrayList rows;
        for (int i = 0; i < 40; ++i) {
            if (i % 3 != 0)
                rows << v3Row("t" + QByteArray::number(i),
                              {{speedField, QByteArray::number((i * 7) % 40 * 1000)}});
        }
        rows << v3Row("n1", {{speedField, "99000"}}) << v3Row("n2", {{speedField, "1000"}});
        f.updater.submit(statusReply(rows));
        f.waitUntilIdle();
        QCOMPARE(selected(), QByteArray("t20"));
        QCOMPARE(f.model.count(), 28);
        QCOMPARE(f.model.torrentId(f.model.count()), QByteArray("n2"));
        const auto speedShownAt = [&](int row) {
            return f.model.rowText(shown.listPosition(row))
                .toByteArray()
                .split('|')
                .at(speedField - 1)
                .toInt();
        };
        for (int row = 2; row <= shown.shownCount(); ++row) {
            if (sorted)
                QVERIFY2(speedShownAt(row - 1) >= speedShownAt(row), QByteArray::number(row));
            else
                QCOMPARE(shown.listPosition(row), row);
        }
        // The selected torrent goes: nothing else is selected in its place by the list.
        rows.removeIf([](const QByteArray& row) { return row.endsWith("|t20"); });
        f.updater.submit(statusReply(rows));
        f.waitUntilIdle();
        QCOMPARE(f.model.findTorrent("t20"), 0);
    }

    // Sorted or filtered, the changed rows' keys and matches are worked out while the reply is
    // taken in: the order must be the one a view made afresh shows, also where only a speed
    // changed (the key or match the row had stays) and where the sort or filter changed while
    // the reply was being built (what was worked out under the old one is not used).
    void changedRowsAsAFreshViewShowsThem_data()
    {
        QTest::addColumn<QString>("sortBy");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("sortNext");
        QTest::addColumn<QString>("filterNext");
        QTest::newRow("by name") << "name"
                                 << ""
                                 << "name"
                                 << "";
        QTest::newRow("by speed") << "speed"
                                  << ""
                                  << "speed"
                                  << "";
        QTest::newRow("filtered") << ""
                                  << "k1"
                                  << ""
                                  << "k1";
        QTest::newRow("by name, filtered") << "name"
                                           << "k2"
                                           << "name"
                                           << "k2";
        QTest::newRow("sort changed while building") << "name"
                                                     << ""
                                                     << "speed"
                                                     << "";
        QTest::newRow("filter changed while building") << "speed"
                                                       << "k1"
                                                       << "speed"
                                                       << "k3";
    }
    void changedRowsAsAFreshViewShowsThem()
    {
        QFETCH(QString, sortBy);
        QFETCH(QString, filter);
        QFETCH(QString, sortNext);
        QFETCH(QString, filterNext);
        Fixture f;
        const QList<int> fields = ColumnPlan::resolve(f.layout).fields();
        const auto columnOf = [&](const QString& what) {
            return what.isEmpty() ? -1
                                  : int(fields.indexOf(what == "name" ? nameField : speedField));
        };
        const auto row = [](int i, int nameAt, int speed) {
            return v3Row(
                "t" + QByteArray::number(i),
                {{nameField, "k" + QByteArray::number(nameAt % 5) + "-" + QByteArray::number(i)},
                 {speedField, QByteArray::number(speed)}});
        };
        view::TorrentViewModel shown(f.model);
        shown.setSort(columnOf(sortBy), Qt::DescendingOrder);
        shown.setFilter({filter, view::StatusFilter::All});
        f.updater.setView(&shown);
        QByteArrayList rows;
        for (int i = 0; i < 60; ++i)
            rows << row(i, i, i * 1000);
        f.updater.apply(statusReply(rows));

        // Every fifth goes, every third is renamed, all change speed, three come at the end.
        rows.clear();
        for (int i = 0; i < 60; ++i) {
            if (i % 5 != 2)
                rows << row(i, i % 3 == 0 ? i + 1 : i, (i * 37) % 60 * 1000);
        }
        for (int i = 60; i < 63; ++i)
            rows << row(i, i, i * 500);
        f.updater.submit(statusReply(rows));
        shown.setSort(columnOf(sortNext), Qt::DescendingOrder);
        shown.setFilter({filterNext, view::StatusFilter::All});
        f.waitUntilIdle();
        QCOMPARE(f.applied.size(), 1);

        view::TorrentViewModel fresh(f.model);
        fresh.setSort(columnOf(sortNext), Qt::DescendingOrder);
        fresh.setFilter({filterNext, view::StatusFilter::All});
        QCOMPARE(shownOrder(shown), shownOrder(fresh));
    }

    // A reply that fails part way keeps the rows it did not reach as they were, and the list
    // built on it takes the next reply as any other.
    void unreachedRowsSurviveTheirReply()
    {
        Fixture f;
        f.updater.apply(statusReply(numbered("a", 5)));
        const auto result = f.updater.apply(statusReply(
            {v3Row("a1", {{speedField, "50"}}), "short|a2", v3Row("a3", {{speedField, "70"}})}));
        QVERIFY(!result.error.isEmpty());
        QByteArrayList expected = numbered("a", 5);
        expected[1] = v3Row("a1", {{speedField, "50"}});
        QCOMPARE(rowsOf(f.model), expected);
        f.updater.submit(statusReply(numbered("a", 5, 1000)));
        f.waitUntilIdle();
        QCOMPARE(rowsOf(f.model), numbered("a", 5, 1000));
    }
};

QTEST_GUILESS_MAIN(TestListIntake)
#include "tst_listintake.moc"
