#pragma once

#include "core/columns/ColumnPlan.h"
#include "core/torrents/KeptField.h"
#include "core/torrents/ListSnapshot.h"
#include "core/torrents/SnapshotBuilder.h"

#include <QAbstractTableModel>
#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <vector>

namespace tavrin {

// The rows of the torrent list: one per torrent, identified by its torrent identifier (the last
// field of its row). Positions are 1-based like the list they stand for and turn into Qt's
// 0-based rows only here (itemIndex, positionOf); column 0 is the item's main text and column k
// its sub-item k. Texts are single-byte (Latin-1), as on the wire.
class TorrentListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TorrentListModel(QObject* parent = nullptr);
    ~TorrentListModel() override;

    // Columns: captions in display order. Setting them empties the rows.
    void setColumns(const QStringList& captions);
    QStringList columns() const { return m_captions; }

    int count() const;
    QByteArray torrentId(int position) const;
    // The row the item at `position` was last filled from, identifier included.
    QByteArrayView rowText(int position) const;
    // The text of column `column` of the item at `position`; empty when it has no such cell.
    QString text(int position, int column) const;
    using KeptField = tavrin::KeptField;
    using KeptFields = tavrin::KeptFields;
    // The kept field of the item at `position`, as the server sent it; empty when the row had
    // no such field.
    QByteArrayView keptField(int position, KeptField which) const;
    // What sorting and filtering read of the item at the 0-based `row`, found in one walk.
    using ViewFields = ListSnapshot::ViewFields;
    ViewFields viewFields(int row, int sortColumn, QByteArray& shown) const;
    // The download and upload speeds of all items, in bytes per second: the sum of what their
    // speed fields mean (a plain number of bytes, or a number with its unit).
    struct SpeedTotals {
        double download = 0;
        double upload = 0;
    };
    SpeedTotals speedTotals() const;
    // The hash of the row the item at the 0-based `row` was last filled from: equal hashes, same
    // row text.
    quint64 rowHashAt(int row) const { return rowAt(row).rowHash; }
    // Whether the item at the 0-based `row` is finished (view::isComplete of its fields).
    bool isCompleteAt(int row) const { return rowAt(row).complete; }
    // Position of the first item with this identifier, or 0.
    int findTorrent(QByteArrayView id) const;
    // The model index of the item's first cell, for selecting it in a view.
    QModelIndex itemIndex(int position) const { return index(position - 1, 0); }
    // The 1-based position of the item a model index stands in.
    static int positionOf(const QModelIndex& index) { return index.row() + 1; }

    // The list as it stands; what the next reply is built on.
    const SnapshotPtr& snapshot() const { return m_snapshot; }
    // Moves the list to change.after, reporting the removed, changed and appended rows in turn.
    // change.before must be the list as it stands.
    void apply(const ListChange& change);
    // The 64-bit hash rows are compared by.
    static quint64 rowHash(QByteArrayView row) { return ListSnapshot::rowHash(row); }
    // The text the cell at the 0-based `row` and `column` shows, as single bytes; valid until the
    // next call that reads a cell.
    QByteArrayView shownBytes(int row, int column) const;
    // What the cell at the 0-based `row` and `column` is shown from: its kept text, or the
    // row's field before it is displayed. Equal bytes, equal shown text.
    QByteArrayView cellSource(int row, int column) const;

Q_SIGNALS:
    // A reply has been taken in (whole or up to a failing row): every change it made is out.
    void replyEnded();

public:
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    // The snapshot and row a 0-based row of the list stands for, also while removals are being
    // reported one run at a time.
    const ListSnapshot& shown() const { return m_removing ? *m_removing : *m_snapshot; }
    // The row of shown() that the list's 0-based `row` stands for.
    int mapped(int row) const;
    const ListSnapshot::Row& rowAt(int row) const { return shown().rows[std::size_t(mapped(row))]; }
    QByteArrayView shownIn(int row, int column, QByteArray& out) const;

    QStringList m_captions;
    SnapshotPtr m_snapshot;
    // While removals are reported: the list before them, and the runs reported so far.
    const ListSnapshot* m_removing = nullptr;
    std::vector<std::pair<int, int>> m_removedRuns;
    int m_removedCount = 0;
    // Rows appended by the change being reported, not yet announced.
    int m_unannounced = 0;
    mutable QByteArray m_shown;
};

} // namespace tavrin
