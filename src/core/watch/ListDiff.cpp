#include "core/watch/ListDiff.h"

#include "core/torrents/TorrentListModel.h"

#include <QSet>

namespace tavrin {

namespace {

// The 1-based numbers of the fields that differ between two rows; the identifier is the last.
QList<int> differingFields(QByteArrayView before, QByteArrayView now)
{
    QList<int> fields;
    int number = 1;
    while (!before.isEmpty() || !now.isEmpty()) {
        const qsizetype a = before.indexOf('|');
        const qsizetype b = now.indexOf('|');
        const QByteArrayView fieldBefore = a < 0 ? before : before.first(a);
        const QByteArrayView fieldNow = b < 0 ? now : now.first(b);
        if (fieldBefore != fieldNow)
            fields.append(number);
        before = a < 0 ? QByteArrayView() : before.sliced(a + 1);
        now = b < 0 ? QByteArrayView() : now.sliced(b + 1);
        ++number;
    }
    return fields;
}

} // namespace

std::vector<ListDiff::Change> ListDiff::update(const TorrentListModel& list)
{
    std::vector<Change> changes;
    QHash<QByteArray, QByteArray> rows;
    QList<QByteArray> order;
    rows.reserve(list.count());
    for (int position = 1; position <= list.count(); ++position) {
        QByteArray id = list.torrentId(position);
        const QByteArrayView row = list.rowText(position);
        // A torrent named twice in one reply is one torrent.
        if (rows.contains(id))
            continue;
        const auto before = m_rows.constFind(id);
        if (before == m_rows.cend())
            changes.push_back({Change::Kind::Added, id, {}});
        else if (*before != row)
            changes.push_back({Change::Kind::Changed, id, differingFields(*before, row)});
        order.append(id);
        rows.insert(std::move(id), row.toByteArray());
    }
    for (const QByteArray& id : std::as_const(m_order)) {
        if (!rows.contains(id))
            changes.push_back({Change::Kind::Removed, id, {}});
    }
    m_rows = std::move(rows);
    m_order = std::move(order);
    return changes;
}

} // namespace tavrin
