#include "core/view/TorrentViewModel.h"

#include "core/torrents/TorrentListModel.h"

#include <algorithm>

namespace tavrin::view {

TorrentViewModel::TorrentViewModel(TorrentListModel& list, QObject* parent)
    : QAbstractTableModel(parent), m_list(list)
{
    connectList();
}

void TorrentViewModel::connectList()
{
    TorrentListModel* list = &m_list;
    connect(list, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        if (m_changing)
            settle();
        beginResetModel();
    });
    connect(list, &QAbstractItemModel::modelReset, this, [this] {
        m_offered.reset();
        m_removed.clear();
        m_entries.clear();
        m_shown.clear();
        if (!passesThrough()) {
            m_entries.resize(static_cast<std::size_t>(m_list.count()));
            placeAll(true);
        }
        endResetModel();
    });
    connect(list, &QAbstractItemModel::headerDataChanged, this,
            &QAbstractItemModel::headerDataChanged);
    connect(list, &QAbstractItemModel::rowsAboutToBeInserted, this,
            [this](const QModelIndex&, int first, int last) {
                if (passesThrough())
                    beginInsertRows({}, first, last);
                else
                    beginChange();
            });
    connect(list, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) {
                if (passesThrough()) {
                    endInsertRows();
                    return;
                }
                dropRemoved();
                m_entries.insert(m_entries.begin() + first, std::size_t(last - first + 1), Entry{});
            });
    connect(list, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex&, int first, int last) {
                if (passesThrough())
                    beginRemoveRows({}, first, last);
                else
                    beginChange();
            });
    connect(list, &QAbstractItemModel::rowsRemoved, this,
            [this](const QModelIndex&, int first, int last) {
                if (passesThrough()) {
                    endRemoveRows();
                    return;
                }
                // The list removes from its end backwards; anything else is dropped at once.
                if (!m_removed.empty() && last >= m_removed.back().first)
                    dropRemoved();
                m_removed.emplace_back(first, last);
            });
    connect(list, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& topLeft, const QModelIndex& bottomRight) {
                if (passesThrough())
                    Q_EMIT dataChanged(index(topLeft.row(), topLeft.column()),
                                       index(bottomRight.row(), bottomRight.column()));
                else
                    beginChange();
            });
    connect(list, &QAbstractItemModel::layoutAboutToBeChanged, this,
            [this](const QList<QPersistentModelIndex>&, QAbstractItemModel::LayoutChangeHint hint) {
                // The list never moves its rows: passed on, nothing needs mapping.
                if (passesThrough())
                    Q_EMIT layoutAboutToBeChanged({}, hint);
                else
                    beginChange();
            });
    connect(list, &QAbstractItemModel::layoutChanged, this,
            [this](const QList<QPersistentModelIndex>&, QAbstractItemModel::LayoutChangeHint hint) {
                if (passesThrough())
                    Q_EMIT layoutChanged({}, hint);
            });
    connect(list, &TorrentListModel::replyEnded, this, [this] {
        if (m_changing)
            settle();
    });
}

void TorrentViewModel::beginChange()
{
    if (m_changing)
        return;
    m_changing = true;
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    // Selections and the current row follow their torrents, through the list's own indexes.
    m_persistentShown = persistentIndexList();
    m_persistentList.clear();
    m_persistentList.reserve(m_persistentShown.size());
    for (const QModelIndex& shown : std::as_const(m_persistentShown)) {
        const int row = listPosition(shown.row() + 1) - 1;
        m_persistentList.append(row >= 0 ? QPersistentModelIndex(m_list.index(row, shown.column()))
                                         : QPersistentModelIndex());
    }
    // Changes outside a reply settle once the event loop runs again.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_changing)
                settle();
        },
        Qt::QueuedConnection);
}

void TorrentViewModel::settle()
{
    if (!passesThrough())
        placeAll(false);
    endChange();
}

void TorrentViewModel::endChange()
{
    QModelIndexList to;
    to.reserve(m_persistentList.size());
    for (const QPersistentModelIndex& at : std::as_const(m_persistentList)) {
        const int shown = at.isValid() ? shownPosition(at.row() + 1) : 0;
        to.append(shown > 0 ? index(shown - 1, at.column()) : QModelIndex());
    }
    changePersistentIndexList(m_persistentShown, to);
    m_persistentShown.clear();
    m_persistentList.clear();
    m_changing = false;
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void TorrentViewModel::setSort(int column, Qt::SortOrder order)
{
    if (column < 0)
        order = Qt::AscendingOrder;
    if (column == m_choice.sortColumn && order == m_order)
        return;
    if (m_changing)
        settle();
    beginChange();
    m_choice.sortColumn = column;
    m_order = order;
    reorderAll();
}

void TorrentViewModel::setFilter(const TorrentFilter& filter)
{
    if (filter == m_choice.filter)
        return;
    if (m_changing)
        settle();
    beginChange();
    m_choice.filter = filter;
    reorderAll();
}

void TorrentViewModel::reorderAll()
{
    m_offered.reset(); // worked out under the sort or filter this replaces
    m_shown.clear();
    m_removed.clear();
    m_entries.clear();
    if (!passesThrough()) {
        m_entries.resize(static_cast<std::size_t>(m_list.count()));
        placeAll(true);
    }
    endChange();
}

bool TorrentViewModel::refresh(int row, Entry& entry, bool force, std::size_t& nextOffered)
{
    const quint64 rowHash = m_list.rowHashAt(row);
    if (!force && !entry.fresh && rowHash == entry.rowHash)
        return false;
    entry.rowHash = rowHash;
    const bool wasFresh = entry.fresh;
    entry.fresh = false;
    if (m_offered && !force) {
        // Rows come in order: the offered facts are walked alongside.
        const auto& offered = m_offered->rows;
        while (nextOffered < offered.size() && offered[nextOffered].first < row)
            ++nextOffered;
        bool placeChanged = false;
        if (nextOffered < offered.size() && offered[nextOffered].first == row &&
            offered[nextOffered].second == rowHash &&
            m_offered->takeInto(nextOffered, entry.facts, placeChanged))
            return placeChanged || wasFresh;
    }
    // Settling happens between replies, when the list is its snapshot row for row.
    return entry.facts.workOut(*m_list.snapshot(), row, choice(), force || wasFresh, m_scratch) ||
           wasFresh;
}

bool TorrentViewModel::less(int a, int b) const
{
    if (m_choice.sortColumn >= 0) {
        const int c = SortKey::compareInColumn(m_entries[std::size_t(a)].facts.key,
                                               m_entries[std::size_t(b)].facts.key,
                                               m_order == Qt::DescendingOrder);
        if (c != 0)
            return c < 0;
    }
    return a < b; // the server's order
}

void TorrentViewModel::dropRemoved()
{
    if (m_removed.empty())
        return;
    // Ranges come highest first and each lies below the ones before, so all are in the old
    // numbering: keep what lies between them, in order.
    std::size_t to = std::size_t(m_removed.back().first);
    for (auto range = m_removed.rbegin(); range != m_removed.rend(); ++range) {
        const std::size_t keepFrom = std::size_t(range->second) + 1;
        const std::size_t keepTo = std::next(range) != m_removed.rend()
                                       ? std::size_t(std::next(range)->first)
                                       : m_entries.size();
        for (std::size_t from = keepFrom; from < keepTo; ++from)
            m_entries[to++] = std::move(m_entries[from]);
    }
    m_entries.resize(to);
    m_removed.clear();
}

std::vector<RowFacts::Hashes> TorrentViewModel::factHashes() const
{
    std::vector<RowFacts::Hashes> hashes;
    // Only a settled order has an entry, looked at, for every row of the list.
    if (passesThrough() || m_changing || !m_removed.empty() ||
        m_entries.size() != std::size_t(m_list.count()))
        return hashes;
    hashes.reserve(m_entries.size());
    for (const Entry& entry : m_entries)
        hashes.push_back(entry.fresh ? RowFacts::Hashes{} : entry.facts.hashes());
    return hashes;
}

void TorrentViewModel::placeAll(bool everything)
{
    dropRemoved();
    // Facts worked out on another list or under another sort or filter are of no use.
    if (m_offered &&
        (m_offered->list != m_list.snapshot().get() || !(m_offered->choice == choice())))
        m_offered.reset();
    const int count = m_list.count();
    m_entries.resize(static_cast<std::size_t>(count));
    const std::size_t oldShown = m_shown.size();
    // Rows whose place cannot have changed, by their old place; the others are placed again.
    std::vector<int> byOldPlace(oldShown, -1);
    std::vector<int> moved;
    std::size_t nextOffered = 0;
    for (int row = 0; row < count; ++row) {
        Entry& entry = m_entries[std::size_t(row)];
        const bool placeChanged = refresh(row, entry, everything, nextOffered);
        if (!entry.facts.matches)
            continue;
        if (!placeChanged && entry.shownRow >= 0 && std::size_t(entry.shownRow) < oldShown)
            byOldPlace[std::size_t(entry.shownRow)] = row;
        else
            moved.push_back(row);
    }
    std::vector<int> kept;
    kept.reserve(oldShown);
    for (const int row : byOldPlace) {
        if (row >= 0)
            kept.push_back(row);
    }
    const auto order = [this](int a, int b) { return less(a, b); };
    sortRows(moved);
    m_shown.clear();
    m_shown.reserve(kept.size() + moved.size());
    std::merge(kept.begin(), kept.end(), moved.begin(), moved.end(), std::back_inserter(m_shown),
               order);
    m_offered.reset();
    for (Entry& entry : m_entries)
        entry.shownRow = -1;
    for (std::size_t i = 0; i < m_shown.size(); ++i)
        m_entries[std::size_t(m_shown[i])].shownRow = static_cast<int>(i);
}

void TorrentViewModel::sortRows(std::vector<int>& rows) const
{
    if (m_choice.sortColumn < 0) {
        std::sort(rows.begin(), rows.end());
        return;
    }
    // Numbers, the usual keys, are sorted side by side with their rows, away from the entries.
    struct Numbered {
        double number;
        int row;
    };
    std::vector<Numbered> numbers;
    std::vector<int> others;
    numbers.reserve(rows.size());
    for (const int row : rows) {
        const SortKey& key = m_entries[std::size_t(row)].facts.key;
        if (key.kind() == SortKey::Kind::Number)
            numbers.push_back({key.number(), row});
        else
            others.push_back(row);
    }
    const bool down = m_order == Qt::DescendingOrder;
    std::sort(numbers.begin(), numbers.end(), [down](const Numbered& a, const Numbered& b) {
        if (a.number != b.number)
            return down ? a.number > b.number : a.number < b.number;
        return a.row < b.row;
    });
    const auto order = [this](int a, int b) { return less(a, b); };
    std::sort(others.begin(), others.end(), order);
    std::vector<int> numbered;
    numbered.reserve(numbers.size());
    for (const Numbered& n : numbers)
        numbered.push_back(n.row);
    rows.clear();
    std::merge(numbered.begin(), numbered.end(), others.begin(), others.end(),
               std::back_inserter(rows), order);
}

int TorrentViewModel::shownCount() const
{
    return passesThrough() ? m_list.count() : static_cast<int>(m_shown.size());
}

int TorrentViewModel::listPosition(int shownPosition) const
{
    if (shownPosition < 1 || shownPosition > shownCount())
        return 0;
    return passesThrough() ? shownPosition : m_shown[std::size_t(shownPosition - 1)] + 1;
}

int TorrentViewModel::shownPosition(int listPosition) const
{
    if (listPosition < 1 || listPosition > m_list.count())
        return 0;
    if (passesThrough())
        return listPosition;
    if (std::size_t(listPosition) > m_entries.size())
        return 0;
    return m_entries[std::size_t(listPosition - 1)].shownRow + 1;
}

int TorrentViewModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : shownCount();
}

int TorrentViewModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_list.columnCount();
}

QVariant TorrentViewModel::data(const QModelIndex& index, int role) const
{
    const int position = index.isValid() ? listPosition(index.row() + 1) : 0;
    // Between a change of the list and its settling the old order may point past its end.
    if (position < 1 || position > m_list.count())
        return {};
    return m_list.data(m_list.index(position - 1, index.column()), role);
}

QVariant TorrentViewModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    return m_list.headerData(section, orientation, role);
}

} // namespace tavrin::view
