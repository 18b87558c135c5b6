// The list as shown: sorted by meaning and filtered, kept in order across replies by placing
// only the rows that changed, with one layout change per reply; the status filter's words.
#include "core/columns/ColumnLayout.h"
#include "core/torrents/StatusReplyProcessor.h"
#include "core/torrents/TorrentListModel.h"
#include "core/view/TorrentViewModel.h"

#include <QItemSelectionModel>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>

using namespace tavrin;
using view::SortKey;
using view::StatusFilter;
using view::TorrentFilter;
using view::TorrentViewModel;

namespace {

// Columns: name, size, status, progress (the last position is never shown, so a spare one
// follows); a row is those four fields and the identifier.
const QString layoutText = QStringLiteral(
    "<Cols><Col key='FileName' index='1' show='1'/><Col key='Size' index='2' show='1'/>"
    "<Col key='BT Status' index='3' show='1'/><Col key='Progress' index='4' show='1'/>"
    "<Col key='Spare' index='5' show='0'/></Cols>");

struct Torrent {
    QByteArray id, name, size, status, progress;
};

struct Fixture {
    Fixture()
    {
        columns::parse(layout, layoutText);
        model.setColumns({"FileName", "Size", "BT Status", "Progress"});
    }
    void apply(const QList<Torrent>& torrents)
    {
        QByteArray reply = "Torrents";
        for (const Torrent& t : torrents)
            reply += '\n' + t.name + '|' + t.size + '|' + t.status + '|' + t.progress + '|' + t.id;
        StatusReplyProcessor processor(false);
        const StatusReplyOutcome outcome =
            processor.process(reply, layout, model, RequestKind::Status, 0);
        QVERIFY2(outcome.error.isEmpty(), qPrintable(outcome.error));
    }
    QByteArrayList shownIds() const
    {
        QByteArrayList ids;
        for (int shown = 1; shown <= view.shownCount(); ++shown)
            ids << model.torrentId(view.listPosition(shown));
        return ids;
    }
    // What the view must show: the list's items in server order, filtered, then sorted stably
    // by the column's meaning with nothing-to-sort-by last.
    QByteArrayList expectedIds() const
    {
        QList<int> positions;
        for (int p = 1; p <= model.count(); ++p) {
            const QByteArray name = model.text(p, 0).toLatin1();
            const QByteArray status = model.text(p, 2).toLatin1();
            const QByteArray progress = model.text(p, 3).toLatin1();
            if (view.filter().matches(name, status, progress))
                positions << p;
        }
        const int column = view.sortColumn();
        if (column >= 0) {
            const bool down = view.sortOrder() == Qt::DescendingOrder;
            std::stable_sort(positions.begin(), positions.end(), [&](int a, int b) {
                const SortKey ka = SortKey::of(model.text(a, column));
                const SortKey kb = SortKey::of(model.text(b, column));
                const bool am = ka.kind() == SortKey::Kind::Missing;
                const bool bm = kb.kind() == SortKey::Kind::Missing;
                if (am || bm)
                    return !am && bm;
                const int c = SortKey::compare(ka, kb);
                return down ? c > 0 : c < 0;
            });
        }
        QByteArrayList ids;
        for (const int p : positions)
            ids << model.torrentId(p);
        return ids;
    }

    pugi::xml_document layout;
    TorrentListModel model;
    TorrentViewModel view{model};
};

const QByteArrayList sizes = {"512 KB", "700 MB", "1.74 GB", "3 B", "-", "", "12", "700 MB"};
const QByteArrayList statuses = {"WORKING", "pause", "COMPLETED/SEEDING", "STOP", "QUEUE"};

Torrent randomTorrent(QRandomGenerator& random, int id)
{
    const auto pick = [&](const QByteArrayList& from) {
        return from.at(random.bounded(int(from.size())));
    };
    return {"T" + QByteArray::number(id),
            (random.bounded(2) ? "file" : "Movie ") + QByteArray::number(random.bounded(20)),
            pick(sizes), pick(statuses), QByteArray::number(random.bounded(3) * 50) + ".0%"};
}

} // namespace

class TestTorrentView : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Random replies that add, remove and change torrents, under each way of showing them: the
    // order is a stable sort of the list, and the selected torrent stays selected while shown.
    void orderAndSelectionAcrossReplies_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<bool>("descending");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("status");
        QTest::newRow("server order, name filter") << -1 << false << "MOVIE" << 0;
        QTest::newRow("size ascending") << 1 << false << "" << 0;
        QTest::newRow("size descending") << 1 << true << "" << 0;
        QTest::newRow("name, natural order") << 0 << false << "" << 0;
        QTest::newRow("status, filtered to paused")
            << 2 << false << "" << int(StatusFilter::Paused);
        QTest::newRow("progress, completed, name filter")
            << 3 << true << "file1" << int(StatusFilter::Completed);
    }
    void orderAndSelectionAcrossReplies()
    {
        QFETCH(int, column);
        QFETCH(bool, descending);
        QFETCH(QString, name);
        QFETCH(int, status);
        for (quint32 seed = 1; seed <= 20; ++seed) {
            Fixture f;
            QItemSelectionModel selection(&f.view);
            QRandomGenerator random(seed);
            QList<Torrent> torrents;
            int nextId = 0;
            for (int i = 0; i < 12; ++i)
                torrents << randomTorrent(random, nextId++);
            f.apply(torrents);
            f.view.setSort(column, descending ? Qt::DescendingOrder : Qt::AscendingOrder);
            f.view.setFilter({name, StatusFilter(status)});
            QCOMPARE(f.shownIds(), f.expectedIds());
            for (int step = 0; step < 25; ++step) {
                QByteArray selected;
                if (f.view.shownCount() > 0) {
                    const int row = random.bounded(f.view.shownCount());
                    selection.select(f.view.index(row, 0), QItemSelectionModel::ClearAndSelect |
                                                               QItemSelectionModel::Rows);
                    selected = f.model.torrentId(f.view.listPosition(row + 1));
                }
                // Change, remove and add some.
                for (Torrent& t : torrents) {
                    if (random.bounded(3) == 0)
                        t = {t.id, t.name, sizes.at(random.bounded(int(sizes.size()))),
                             statuses.at(random.bounded(int(statuses.size()))),
                             random.bounded(2) ? "100.0%" : "50.0%"};
                }
                for (int n = random.bounded(3); n > 0 && !torrents.isEmpty(); --n)
                    torrents.removeAt(random.bounded(int(torrents.size())));
                for (int n = random.bounded(3); n > 0; --n)
                    torrents.insert(random.bounded(int(torrents.size()) + 1),
                                    randomTorrent(random, nextId++));
                f.apply(torrents);
                QCOMPARE(f.shownIds(), f.expectedIds());
                const QModelIndexList rows = selection.selectedRows();
                const int shownAt =
                    selected.isEmpty() ? 0 : f.view.shownPosition(f.model.findTorrent(selected));
                QCOMPARE(rows.size(), shownAt > 0 ? 1 : 0);
                if (shownAt > 0)
                    QCOMPARE(rows.first().row(), shownAt - 1);
            }
        }
    }

    // Sorted, a reply is one layout change whatever it adds, removes or changes; a reply that
    // changes nothing is no change at all. In the server's order the list's own signals pass.
    void oneLayoutChangePerReply()
    {
        Fixture f;
        QList<Torrent> torrents;
        for (int i = 0; i < 400; ++i)
            torrents << Torrent{"T" + QByteArray::number(i), "n", QByteArray::number(i % 7),
                                "WORKING", "1%"};
        f.apply(torrents);
        f.view.setSort(1, Qt::AscendingOrder);
        QSignalSpy layouts(&f.view, &QAbstractItemModel::layoutChanged);
        QSignalSpy inserted(&f.view, &QAbstractItemModel::rowsInserted);
        QSignalSpy removed(&f.view, &QAbstractItemModel::rowsRemoved);
        f.apply(torrents);
        QCOMPARE(layouts.size(), 0);
        for (int i = 0; i < 400; i += 2)
            torrents[i].size = QByteArray::number(i % 5);
        torrents.remove(10, 30);
        torrents << Torrent{"new", "n", "1", "WORKING", "1%"};
        f.apply(torrents);
        QCOMPARE(layouts.size(), 1);
        QCOMPARE(inserted.size(), 0);
        QCOMPARE(removed.size(), 0);
        QCOMPARE(f.shownIds(), f.expectedIds());

        f.view.setSort(-1, Qt::AscendingOrder);
        torrents.removeFirst();
        f.apply(torrents);
        QCOMPARE(removed.size(), 1);
        QCOMPARE(f.shownIds(), f.expectedIds());
    }

    // The status filter reads the status word and the progress, never a column's caption.
    void statusFilter_data()
    {
        QTest::addColumn<int>("filter");
        QTest::addColumn<QByteArray>("status");
        QTest::addColumn<QByteArray>("progress");
        QTest::addColumn<bool>("matches");
        const auto row = [](const char* name, StatusFilter f, const char* s, const char* p,
                            bool m) {
            QTest::newRow(name) << int(f) << QByteArray(s) << QByteArray(p) << m;
        };
        row("all takes anything", StatusFilter::All, "??", "", true);
        row("downloading", StatusFilter::Downloading, "WORKING", "40.0%", true);
        row("downloading, any case", StatusFilter::Downloading, "working", "40.0%", true);
        row("a finished one is not downloading", StatusFilter::Downloading, "WORKING", "100.0%",
            false);
        row("seeding", StatusFilter::Seeding, "COMPLETED/SEEDING", "100.0%", true);
        row("seeding is not paused", StatusFilter::Paused, "COMPLETED/SEEDING", "100.0%", false);
        row("completed by its progress", StatusFilter::Completed, "pause", "100.0%", true);
        row("completed by its status", StatusFilter::Completed, "COMPLETED/SEEDING", "", true);
        row("completed in any case, after blanks", StatusFilter::Completed, " \tCompleted", "",
            true);
        row("completed by a status that only starts alike", StatusFilter::Completed, "COMPLETE", "",
            false);
        row("a byte one bit off is not a letter", StatusFilter::Completed, "C\x0fMPLETED", "",
            false);
        row("not completed below 100", StatusFilter::Completed, "WORKING", "99.9%", false);
        row("no progress, not completed", StatusFilter::Completed, "WORKING", "-", false);
        row("paused", StatusFilter::Paused, "pause", "3%", true);
        row("Paused too", StatusFilter::Paused, "Paused", "3%", true);
        row("stopped", StatusFilter::Stopped, "STOP", "3%", true);
        row("queued", StatusFilter::Queued, "QUEUE", "3%", true);
        row("queued is not stopped", StatusFilter::Stopped, "QUEUE", "3%", false);
        row("error", StatusFilter::Error, "ERROR: disk full", "3%", true);
        row("no error", StatusFilter::Error, "WORKING", "3%", false);
    }
    void statusFilter()
    {
        QFETCH(int, filter);
        QFETCH(QByteArray, status);
        QFETCH(QByteArray, progress);
        QFETCH(bool, matches);
        QCOMPARE(view::statusMatches(StatusFilter(filter), status, progress), matches);
    }

    // The name filter: a part of the name, in any case; the empty text takes every torrent.
    void nameFilter_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArrayList>("shown");
        QTest::newRow("empty") << "" << QByteArrayList{"A", "B", "C"};
        QTest::newRow("any case") << "UBUNTU" << QByteArrayList{"A", "C"};
        QTest::newRow("a part") << "22.04" << QByteArrayList{"C"};
        QTest::newRow("none") << "arch" << QByteArrayList{};
    }
    void nameFilter()
    {
        QFETCH(QString, text);
        QFETCH(QByteArrayList, shown);
        Fixture f;
        f.apply({{"A", "ubuntu-20.04.iso", "1 GB", "WORKING", "1%"},
                 {"B", "debian.iso", "1 GB", "WORKING", "1%"},
                 {"C", "Ubuntu-22.04.iso", "1 GB", "WORKING", "1%"}});
        f.view.setFilter({text, StatusFilter::All});
        QCOMPARE(f.shownIds(), shown);
    }
};

QTEST_GUILESS_MAIN(TestTorrentView)
#include "tst_torrentview.moc"
