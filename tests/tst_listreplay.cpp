// The list's change signals replayed onto a copy of the old list must give the new list: what
// the model does not report as inserted, removed or changed, a view never shows.
#include "core/columns/ColumnLayout.h"
#include "core/torrents/StatusReplyProcessor.h"
#include "core/torrents/TorrentListModel.h"
#include "support/StatusRows.h"

#include <QRandomGenerator>
#include <QTest>
#include <algorithm>

using namespace tavrin;
using test::statusReply;

namespace {

using Snapshot = QList<QStringList>; // per row: the identifier, then every column's text

QStringList rowOf(const TorrentListModel& model, int row)
{
    QStringList texts{QString::fromLatin1(model.torrentId(row + 1))};
    for (int column = 0; column < model.columnCount(); ++column)
        texts << model.text(row + 1, column);
    return texts;
}

Snapshot snapshotOf(const TorrentListModel& model)
{
    Snapshot rows;
    for (int row = 0; row < model.rowCount(); ++row)
        rows << rowOf(model, row);
    return rows;
}

// Keeps a copy of the list up to date from the model's signals alone, as a view would.
struct Replay {
    explicit Replay(TorrentListModel& m) : model(m), rows(snapshotOf(m))
    {
        QObject::connect(&model, &QAbstractItemModel::rowsInserted,
                         [this](const QModelIndex&, int first, int last) {
                             for (int row = first; row <= last; ++row)
                                 rows.insert(row, rowOf(model, row));
                         });
        QObject::connect(&model, &QAbstractItemModel::rowsRemoved,
                         [this](const QModelIndex&, int first, int last) {
                             rows.remove(first, last - first + 1);
                         });
        QObject::connect(&model, &QAbstractItemModel::dataChanged,
                         [this](const QModelIndex& from, const QModelIndex& to) {
                             for (int row = from.row(); row <= to.row(); ++row)
                                 for (int column = from.column(); column <= to.column(); ++column)
                                     rows[row][column + 1] = model.text(row + 1, column);
                         });
        const auto whole = [this] { rows = snapshotOf(model); };
        QObject::connect(&model, &QAbstractItemModel::layoutChanged, whole);
        QObject::connect(&model, &QAbstractItemModel::modelReset, whole);
    }
    TorrentListModel& model;
    Snapshot rows;
};

// Four shown columns over five fields, the fifth sharing the last display position as the
// built-in layouts do; small rows keep tens of thousands of replies quick.
constexpr int fieldCount = 5;
const char* const smallLayout = "<Cols><Col key='Name' index='1' show='1'/>"
                                "<Col key='A' index='2' show='1'/><Col key='B' index='3' show='1'/>"
                                "<Col key='C' index='4' show='1'/><Col key='D' index='4' show='0'/>"
                                "</Cols>";

// A row whose field `changed` (2 to 4; 0 for none) reads `value`, then the identifier.
QByteArray row(const QByteArray& id, int changed = 0, const QByteArray& value = {})
{
    QByteArray text = "n" + id;
    for (int field = 2; field <= fieldCount; ++field)
        text += '|' + (field == changed ? value : "f" + QByteArray::number(field));
    return text + '|' + id;
}

struct List {
    List()
    {
        columns::parse(layout, QString::fromLatin1(smallLayout));
        model.setColumns(QStringList(4, QString()));
    }
    QString apply(const QByteArray& reply)
    {
        return StatusReplyProcessor(false)
            .process(reply, layout, model, RequestKind::Status, 0)
            .error;
    }
    pugi::xml_document layout;
    TorrentListModel model;
};

// A row of torrent `id` at version `version`: each torrent's change lands in another column.
QByteArray rowFor(char id, int version)
{
    return version == 0 ? row(QByteArray(1, id)) : row(QByteArray(1, id), 2 + id % 3, "v");
}

// Every ordered choice of distinct torrents from the pool, the empty one included.
QList<QByteArray> orderedChoices(const QByteArray& pool)
{
    QList<QByteArray> out{QByteArray()};
    for (qsizetype length = 1; length <= pool.size(); ++length) {
        QList<QByteArray> next;
        for (const QByteArray& prefix : out) {
            if (prefix.size() != length - 1)
                continue;
            for (char id : pool)
                if (!prefix.contains(id))
                    next << prefix + id;
        }
        out << next;
    }
    return out;
}

} // namespace

class TestListReplay : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // From every small list to every other, each torrent of the second reply changed or not.
    void everySmallListToEveryOther()
    {
        const QList<QByteArray> choices = orderedChoices("ABC");
        for (const QByteArray& before : choices) {
            for (const QByteArray& after : choices) {
                for (int changed = 0; changed < (1 << after.size()); ++changed) {
                    List list;
                    QByteArrayList first;
                    for (char id : before)
                        first << rowFor(id, 0);
                    QCOMPARE(list.apply(statusReply(first)), QString());
                    Replay replay(list.model);
                    QByteArrayList second;
                    for (qsizetype i = 0; i < after.size(); ++i)
                        second << rowFor(after.at(i), (changed >> i) & 1);
                    QCOMPARE(list.apply(statusReply(second)), QString());
                    if (replay.rows != snapshotOf(list.model))
                        QFAIL(qPrintable("from " + before + " to " + after + " changing " +
                                         QByteArray::number(changed, 2)));
                }
            }
        }
    }

    // Random replies over a larger pool, long enough for changes reported as one layout change.
    void randomLargerLists_data()
    {
        QTest::addColumn<int>("pool");
        QTest::addColumn<quint32>("seed");
        for (const quint32 seed : {1u, 2u, 3u})
            QTest::addRow("60 torrents, seed %u", seed) << 60 << seed;
        QTest::addRow("700 torrents") << 700 << 4u;
    }
    void randomLargerLists()
    {
        QFETCH(int, pool);
        QFETCH(quint32, seed);
        QRandomGenerator random(seed);
        List list;
        Replay replay(list.model);
        QList<int> versions(pool, 0);
        for (int reply = 0; reply < 12; ++reply) {
            QList<int> ids;
            for (int id = 0; id < pool; ++id)
                if (random.bounded(10) < 8)
                    ids << id;
            // Mostly the list's order, now and then shuffled.
            if (random.bounded(4) == 0)
                std::shuffle(ids.begin(), ids.end(), *QRandomGenerator::global());
            QByteArrayList rows;
            for (const int id : ids) {
                if (random.bounded(3) == 0)
                    ++versions[id];
                rows << row("T" + QByteArray::number(id), 2 + (id + versions[id]) % 3,
                            "v" + QByteArray::number(versions[id]));
            }
            QCOMPARE(list.apply(statusReply(rows)), QString());
            QCOMPARE(replay.rows, snapshotOf(list.model));
        }
    }
};

QTEST_GUILESS_MAIN(TestListReplay)
#include "tst_listreplay.moc"
