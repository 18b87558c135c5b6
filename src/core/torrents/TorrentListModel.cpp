#include "core/torrents/TorrentListModel.h"

#include "core/torrents/FieldDisplay.h"
#include "core/torrents/ReplyRows.h"

namespace tavrin {

TorrentListModel::TorrentListModel(QObject* parent)
    : QAbstractTableModel(parent), m_snapshot(emptySnapshot())
{
}

TorrentListModel::~TorrentListModel() = default;

int TorrentListModel::count() const
{
    if (m_removing)
        return m_removing->count() - m_removedCount;
    return m_snapshot->count() - m_unannounced;
}

int TorrentListModel::mapped(int row) const
{
    if (!m_removing)
        return row;
    // The runs reported so far lie after the rows still to come, the last reported first.
    for (auto run = m_removedRuns.rbegin(); run != m_removedRuns.rend(); ++run) {
        if (row >= run->first)
            row += run->second - run->first + 1;
    }
    return row;
}

QByteArrayView TorrentListModel::rowText(int position) const
{
    return shown().rowText(mapped(position - 1));
}

QByteArray TorrentListModel::torrentId(int position) const
{
    return shown().id(mapped(position - 1)).toByteArray();
}

QByteArrayView TorrentListModel::keptField(int position, KeptField which) const
{
    if (position < 1 || position > count())
        return {};
    const ListSnapshot& list = shown();
    const QByteArrayView text = list.rowText(mapped(position - 1));
    // One walk to the field; a data field only, never the identifier that ends the row.
    std::array<QByteArrayView, 1> field;
    replyrows::fieldsAt(text, std::array<int, 1>{list.plan.keptFields[keptIndex(which)]}, field);
    if (field[0].data() == nullptr || field[0].end() == text.end())
        return {};
    return field[0];
}

TorrentListModel::ViewFields TorrentListModel::viewFields(int row, int sortColumn,
                                                          QByteArray& shown) const
{
    return this->shown().viewFields(mapped(row), sortColumn, shown);
}

TorrentListModel::SpeedTotals TorrentListModel::speedTotals() const
{
    return {m_snapshot->downloadTotal, m_snapshot->uploadTotal};
}

int TorrentListModel::findTorrent(QByteArrayView id) const
{
    if (m_removing)
        return 0; // nobody looks one up while removals are reported
    const int row = m_snapshot->find(id);
    return row >= 0 && row < count() ? row + 1 : 0;
}

QByteArrayView TorrentListModel::cellSource(int row, int column) const
{
    if (column == 0)
        return shownBytes(row, 0); // a kept main text and the row's field look alike
    bool displayed = false;
    return shown().cellSource(mapped(row), column, displayed);
}

QByteArrayView TorrentListModel::shownIn(int row, int column, QByteArray& out) const
{
    bool displayed = false;
    const QByteArrayView source = shown().cellSource(mapped(row), column, displayed);
    if (displayed || source.data() == nullptr)
        return source;
    return display::displayInto(out, source);
}

QByteArrayView TorrentListModel::shownBytes(int row, int column) const
{
    return shownIn(row, column, m_shown);
}

QString TorrentListModel::text(int position, int column) const
{
    const QByteArrayView shownText = shownIn(position - 1, column, m_shown);
    return QString::fromLatin1(shownText.data(), shownText.size());
}

void TorrentListModel::setColumns(const QStringList& captions)
{
    beginResetModel();
    m_captions = captions;
    m_snapshot = emptySnapshot();
    m_unannounced = 0;
    endResetModel();
}

void TorrentListModel::apply(const ListChange& change)
{
    Q_ASSERT(change.before == m_snapshot);
    if (change.after != m_snapshot) {
        if (!change.removed.empty()) {
            // Each run is reported on its own, the last first, so the rows before it keep their
            // places; the rows are read through the runs reported so far, never moved.
            m_removing = m_snapshot.get();
            for (const auto& [first, last] : change.removed) {
                beginRemoveRows({}, first, last);
                m_removedRuns.emplace_back(first, last);
                m_removedCount += last - first + 1;
                endRemoveRows();
            }
        }
        m_snapshot = change.after; // change.before keeps the old list alive until the end
        m_unannounced = change.inserted;
        m_removing = nullptr;
        m_removedRuns.clear();
        m_removedCount = 0;
        // One range, however long: the view repaints what shows of it.
        if (change.changedFirst >= 0)
            Q_EMIT dataChanged(index(change.changedFirst, 0),
                               index(change.changedLast, columnCount() - 1), {Qt::DisplayRole});
        if (change.inserted > 0) {
            const int first = count();
            beginInsertRows({}, first, first + change.inserted - 1);
            m_unannounced = 0;
            endInsertRows();
        }
    }
    Q_EMIT replyEnded();
}

int TorrentListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : count();
}

int TorrentListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_captions.size());
}

QVariant TorrentListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::AccessibleTextRole))
        return {};
    return text(index.row() + 1, index.column());
}

QVariant TorrentListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= m_captions.size())
        return {};
    return m_captions.at(section);
}

} // namespace tavrin
