#pragma once

#include "core/view/RowFacts.h"
#include "core/view/SortKey.h"
#include "core/view/TorrentFilter.h"

#include <QAbstractTableModel>
#include <QList>
#include <QPersistentModelIndex>
#include <memory>
#include <vector>

namespace tavrin {

class TorrentListModel;

namespace view {

// The torrent list as shown: the list's rows, sorted by one column's meaning and narrowed by a
// filter. Without either it is the list itself, row for row, and passes its changes on as they
// come. Sorted or filtered, a reply becomes one layout change: only the rows whose sort key or
// filter match changed are placed again and merged into the rest, which keep their order.
class TorrentViewModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TorrentViewModel(TorrentListModel& list, QObject* parent = nullptr);

    // Sorts by `column` (-1: the server's order). Equal keys keep the server's order.
    void setSort(int column, Qt::SortOrder order);
    int sortColumn() const { return m_choice.sortColumn; }
    Qt::SortOrder sortOrder() const { return m_order; }
    void setFilter(const TorrentFilter& filter);
    const TorrentFilter& filter() const { return m_choice.filter; }

    // The number of rows shown.
    int shownCount() const;
    // The list's 1-based position of the row shown at 1-based `shownPosition`; 0 for none.
    int listPosition(int shownPosition) const;
    // The shown 1-based position of the list's item at `listPosition`; 0 when it is not shown.
    int shownPosition(int listPosition) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    void sort(int column, Qt::SortOrder order) override { setSort(column, order); }

    // The sort column and filter.
    const ViewChoice& choice() const { return m_choice; }
    // Facts of the rows the next reply changes, worked out on another thread: used for the rows
    // they were read from, while the list, the sort column and the filter are still those they
    // were worked out under.
    void offerFacts(std::unique_ptr<ChangedRowFacts> facts) { m_offered = std::move(facts); }
    // What each row's key and match were read from, by row of the list; empty unless the order
    // is settled and sorted or filtered.
    std::vector<RowFacts::Hashes> factHashes() const;

    // What is kept for each of the list's rows while sorted or filtered.
    struct Entry {
        quint64 rowHash = 0;
        RowFacts facts;
        int shownRow = -1; // -1: not shown
        bool fresh = true; // not looked at since it came
    };

private:
    bool passesThrough() const { return m_choice.sortColumn < 0 && !m_choice.filter.isActive(); }
    // The list is about to change: starts one layout change, if none is under way.
    void beginChange();
    // Brings the order up to the list and ends the layout change.
    void settle();
    // Moves the persistent indexes to their torrents' new rows and ends the layout change.
    void endChange();
    // Looks at every row again (a new sort column or filter) and orders them all.
    void reorderAll();
    // Works out a row's key and match, or takes them from the offered facts; true when its
    // place may have changed.
    bool refresh(int row, Entry& entry, bool force, std::size_t& nextOffered);
    bool less(int a, int b) const;
    // Sorts rows into the order shown.
    void sortRows(std::vector<int>& rows) const;
    void placeAll(bool everything);
    void connectList();

    TorrentListModel& m_list;
    // The sort cell and name as shown, when they have to be displayed first.
    RowFacts::Scratch m_scratch;
    Qt::SortOrder m_order = Qt::AscendingOrder;
    ViewChoice m_choice;          // the sort column and the filter
    std::vector<Entry> m_entries; // per row of the list, while sorted or filtered
    std::vector<int> m_shown;     // the list's 0-based rows, in the order shown
    bool m_changing = false;      // a layout change is under way
    // Rows the list removed and m_entries still holds, first..last, each below the one before:
    // dropped in one pass, not one move of the rest per removal.
    std::vector<std::pair<int, int>> m_removed;
    void dropRemoved();
    std::unique_ptr<ChangedRowFacts> m_offered;
    QModelIndexList m_persistentShown;
    QList<QPersistentModelIndex> m_persistentList;
};

} // namespace view
} // namespace tavrin

Q_DECLARE_TYPEINFO(tavrin::view::TorrentViewModel::Entry, Q_RELOCATABLE_TYPE);
