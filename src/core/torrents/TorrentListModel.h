#pragma once

#include "core/columns/ColumnPlan.h"
#include "core/torrents/KeptField.h"
#include "core/torrents/TorrentIdIndex.h"

#include <QAbstractTableModel>
#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
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

    int count() const { return static_cast<int>(m_rows.size()); }
    QByteArray torrentId(int position) const;
    // The row the item at `position` was last filled from, identifier included.
    QByteArrayView rowText(int position) const { return rowTextIn(m_rows.at(position - 1)); }
    // The text of column `column` of the item at `position`; empty when it has no such cell.
    QString text(int position, int column) const;
    using KeptField = tavrin::KeptField;
    using KeptFields = tavrin::KeptFields;
    // The kept field of the item at `position`, as the server sent it; empty when the row had
    // no such field.
    QByteArrayView keptField(int position, KeptField which) const;
    // The download and upload speeds of all items, in bytes per second: the sum of what their
    // speed fields mean (a plain number of bytes, or a number with its unit).
    struct SpeedTotals {
        double download = 0;
        double upload = 0;
    };
    SpeedTotals speedTotals() const;
    // The hash of the row the item at the 0-based `row` was last filled from: equal hashes, same
    // row text.
    quint64 rowHashAt(int row) const { return m_rows.at(row).rowHash; }
    // Position of the first item with this identifier, or 0.
    int findTorrent(QByteArrayView id) const;
    // The model index of the item's first cell, for selecting it in a view.
    QModelIndex itemIndex(int position) const { return index(position - 1, 0); }
    // The 1-based position of the item a model index stands in.
    static int positionOf(const QModelIndex& index) { return index.row() + 1; }

    // Appends empty sub-items up to `subItem`, then sets its text when it differs. A reply that
    // names the item again replaces it.
    void setSubItemText(int position, int subItem, const QString& text);

    // What the status reply processor uses. A reply starts with beginReply under the plan's key:
    // its fields are the field number each shown column takes from a row ([0] main text, [k]
    // sub-item k).
    void beginReply(const ColumnPlan::Key& plan);
    // The 64-bit hash rows are compared by.
    static quint64 rowHash(QByteArrayView row);
    // True when the item was last filled from a row with this hash under the same plan.
    bool isUnchanged(int position, quint64 rowHash) const;
    void markSeen(int position);
    // A new item from a checked row (every field the plan names is there). Identifier, main text
    // and kept fields are views into the row.
    int addItem(QByteArrayView row, quint64 rowHash, QByteArrayView id, QByteArrayView mainText,
                KeptFields kept = {});
    // An existing item from a checked row that ends with its identifier; the main text stays. Items
    // whose shown texts change are reported by the end of the reply in one range of whole rows from
    // the first to the last of them (a layout change when it is long).
    void updateItem(int position, QByteArrayView row, quint64 rowHash, KeptFields kept = {});
    // Removes every item whose identifier was not seen in this reply, adjacent items in one batch.
    void removeUnseen();
    // Ends a reply: items added since the last update show up, consecutive ones in one batch.
    void endReply()
    {
        flushAdded();
        flushChanged();
        Q_EMIT replyEnded();
    }
    // The text the cell at the 0-based `row` and `column` shows, as single bytes; valid until the
    // next call that reads a cell.
    QByteArrayView shownBytes(int row, int column) const;
    // What the cell at the 0-based `row` and `column` is shown from: its stored text, or the
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

    // One item, in one buffer: the end offsets of the stored texts (as 32-bit numbers), the
    // stored texts one after another, then the row text it was last filled from, which ends
    // with the identifier. Cells 1 to firstStoredSubItem - 1 are shown from the row's fields when
    // asked for (so a refresh only copies the row) and store nothing, not even an end; the
    // others, the main text among them, store their text. Public only so the type can be declared
    // relocatable.
    struct Row {
        QByteArray data;
        quint64 rowHash = 0; // of the row text
        quint32 cells = 0;   // [0] main text, [k] sub-item k
        quint32 firstStoredSubItem =
            1; // cells 1 to firstStoredSubItem - 1 show fields of the row under the plan
        quint32 rowLength = 0; // the row text is the last rowLength bytes of data
        quint32 idLength = 0;  // the identifier is the last idLength bytes of the row text
        // The kept fields, as offsets into the row text.
        // Status and priority, read by the chains and the menu, are kept; the other kept fields
        // are looked up in the row text when asked for.
        std::array<quint32, 2> keptAt{};
        std::array<quint32, 2> keptLength{};
        float downloadSpeed = 0; // what the speed fields mean, in bytes per second
        float uploadSpeed = 0;
        quint32 generation = 0; // the plan the row was applied under; 0: none
        quint32 seen = 0;       // the last reply that named this identifier
    };

private:
    void rebuildIndex();
    // Widens the range of changed rows to take in the row.
    void noteChanged(int row, int firstColumn);
    void flushChanged();

    QStringList m_captions;
    QList<Row> m_rows;
    QList<Row> m_pending;
    // Rows added in this reply wait in m_pending, so a run of new items is inserted at once.
    Row& rowAt(int row)
    {
        return row < m_rows.size() ? m_rows[row] : m_pending[row - m_rows.size()];
    }
    const Row& rowAt(int row) const
    {
        return row < m_rows.size() ? m_rows.at(row) : m_pending.at(row - m_rows.size());
    }
    QByteArrayView idOf(int row) const { return idIn(rowAt(row)); }
    static QByteArrayView idIn(const Row& row);
    static QByteArrayView rowTextIn(const Row& row);
    // The text a cell stores (empty for a cell shown from the row).
    static QByteArrayView storedIn(const Row& row, qsizetype cell);
    // Writes the text the cell shows into `out` and returns a view of it.
    QByteArrayView shownIn(const Row& row, qsizetype cell, QByteArray& out) const;
    // Records that the item's buffer now ends with this row, applied in this reply.
    void recordFilledRow(Row& item, QByteArrayView row, quint64 rowHash,
                         const KeptFields& kept) const;
    // Makes every cell of the item store its text, as the current plan shows it.
    void storeAll(Row& row);
    // The first shown column whose text the row's fields would change, or -1.
    int firstChangedColumn(const Row& item, QByteArrayView row);
    void flushAdded();
    int indexed(QByteArrayView id) const;

    // identifier -> 0-based row of the first item carrying it.
    TorrentIdIndex m_index;
    // Replies list the torrents in the list's order, so the row after the last one found is
    // looked at first.
    mutable int m_nextRow = 0;
    ColumnPlan::Key m_plan; // m_plan.fields: the field number each cell shows
    quint32 m_generation = 1;
    quint32 m_reply = 0;
    QByteArray m_scratch;
    std::vector<QByteArrayView> m_oldFields;
    std::vector<QByteArrayView> m_newFields;
    QByteArray m_before;
    QByteArray m_after;
    mutable QByteArray m_shown;
    // Changed rows not yet reported, first..last; first < 0: none.
    struct Dirty {
        int first = -1;
        int last = -1;
    };
    Dirty m_dirty;
};

} // namespace tavrin

Q_DECLARE_TYPEINFO(tavrin::TorrentListModel::Row, Q_RELOCATABLE_TYPE);
