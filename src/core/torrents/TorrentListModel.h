#pragma once

#include "core/torrents/TagIndex.h"

#include <QAbstractTableModel>
#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

namespace tavrin {

// The rows of the torrent list: one per torrent, identified by its Tag (the torrent
// identifier). Positions are 1-based like the list they stand for; column 0 is the item's
// main text and column k its sub-item k. Texts are single-byte (Latin-1), as on the wire.
class TorrentListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TorrentListModel(QObject* parent = nullptr);
    ~TorrentListModel() override;

    // Columns: captions in display order. Setting them empties the rows.
    void setColumns(const QStringList& captions);
    QStringList columns() const { return m_captions; }

    int count() const { return static_cast<int>(m_rows.size()); }
    QByteArray tag(int position) const;
    // The text of column `column` of the item at `position`; empty when it has no such cell.
    QString text(int position, int column) const;
    // Data field `fieldNumber` (1-based) of the status row the item was last filled from, found
    // whether or not a column shows it; empty when the row has no such data field.
    QByteArrayView field(int position, int fieldNumber) const;
    // The number of sub-items the item at `position` has.
    int subItemCount(int position) const;
    // Position of the first item with this Tag, or 0.
    int findByTag(QByteArrayView tag) const;
    // The model index of the item's first cell, for selecting it in a view.
    QModelIndex itemIndex(int position) const { return index(position - 1, 0); }

    int appendItem(const QString& text);
    void setTag(int position, const QByteArray& tag);
    // Appends empty sub-items up to `subItem`, then sets its text when it differs.
    void setSubItemText(int position, int subItem, const QString& text);
    void removeItems(int position, int count);
    void clearItems();

    // What the status reply processor uses. A reply starts with beginReply; the plan is the
    // field number of each shown column ([0] main text, [k] sub-item k).
    void beginReply(const QList<int>& plan);
    // True when the item was last filled from exactly this row under the same plan.
    bool isUnchanged(int position, QByteArrayView row) const;
    void markSeen(int position);
    // A new item from a checked row; cells are views into `row`: [0] main text, [k] sub-item k.
    int addItem(QByteArrayView tag, QByteArrayView row, const QList<QByteArrayView>& cells);
    // The sub-items of an existing item from a checked row; cells[0] is not used, the main text
    // stays. A field whose raw text is unchanged is not converted again, and only cells whose
    // displayed text changes are reported.
    void updateItem(int position, QByteArrayView row, const QList<QByteArrayView>& cells);
    // Removes every item whose Tag was not seen in this reply, adjacent items in one batch.
    void removeUnseen();
    // Ends a reply: items added since the last update show up, consecutive ones in one batch.
    void endReply() { flushAdded(); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Spans into a row's buffers; public only so the row type can be declared relocatable.
    struct Cell {
        static constexpr quint32 unknown = 0xFFFFFFFFu;
        quint32 rawOffset = unknown; // into Row::raw; unknown: not filled from a row
        quint32 rawLength = 0;
        quint32 shownOffset = 0; // into Row::shown
        quint32 shownLength = 0;
    };
    struct Row {
        QByteArray tag;
        QByteArray raw;         // the row text the cells were last filled from
        QByteArray shown;       // the displayed texts of all cells, one after another
        QList<Cell> cells;      // [0] main text, [k] sub-item k
        quint32 generation = 0; // the plan raw was applied under; 0: none
        quint32 seen = 0;       // the last reply that named this Tag
    };

private:
    bool seenInReply(int row) const;
    void rebuildIndex();
    void emitChanged(int row, const QList<int>& columns);

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
    QByteArrayView tagOf(int row) const { return rowAt(row).tag; }
    void flushAdded();
    int indexed(QByteArrayView tag) const;

    // Tag -> 0-based row of the first item carrying it.
    TagIndex m_index;
    QList<int> m_plan;
    quint32 m_generation = 1;
    quint32 m_reply = 0;
    QByteArray m_scratch;
    QList<int> m_changed;
};

} // namespace tavrin

Q_DECLARE_TYPEINFO(tavrin::TorrentListModel::Cell, Q_PRIMITIVE_TYPE);
Q_DECLARE_TYPEINFO(tavrin::TorrentListModel::Row, Q_RELOCATABLE_TYPE);
