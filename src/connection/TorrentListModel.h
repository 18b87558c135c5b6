#pragma once

#include <QAbstractTableModel>
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

namespace tavrin {

// The rows of the torrent list: one per torrent, identified by its Tag (the torrent
// identifier). Positions are 1-based like the list they stand for; column 0 is the item's
// main text and column k its sub-item k.
class TorrentListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TorrentListModel(QObject* parent = nullptr);

    // Columns: captions in display order. Setting them empties the rows.
    void setColumns(const QStringList& captions);
    QStringList columns() const { return m_captions; }

    int count() const { return static_cast<int>(m_rows.size()); }
    QByteArray tag(int position) const;
    // The text of column `column` of the item at `position`; empty when it has no such cell.
    QString text(int position, int column) const;
    // Position of the first item with this Tag, or 0.
    int findByTag(QByteArrayView tag) const;

    int appendItem(const QString& text);
    void setTag(int position, const QByteArray& tag);
    void setSubItemText(int position, int subItem, const QString& text);
    void removeItems(int position, int count);
    void clearItems();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    struct Row {
        QByteArray tag;
        QList<QString> cells; // [0] main text, [k] sub-item k
    };

    QStringList m_captions;
    QList<Row> m_rows;
};

} // namespace tavrin
