#include "connection/TorrentListModel.h"

namespace tavrin {

TorrentListModel::TorrentListModel(QObject* parent) : QAbstractTableModel(parent) {}

void TorrentListModel::setColumns(const QStringList& captions)
{
    beginResetModel();
    m_captions = captions;
    m_rows.clear();
    endResetModel();
}

QByteArray TorrentListModel::tag(int position) const
{
    return m_rows.at(position - 1).tag;
}

QString TorrentListModel::text(int position, int column) const
{
    const Row& row = m_rows.at(position - 1);
    return column < row.cells.size() ? row.cells.at(column) : QString();
}

int TorrentListModel::findByTag(QByteArrayView tag) const
{
    for (int i = 0; i < m_rows.size(); ++i) {
        if (m_rows.at(i).tag == tag)
            return i + 1;
    }
    return 0;
}

int TorrentListModel::appendItem(const QString& text)
{
    const int row = count();
    beginInsertRows({}, row, row);
    m_rows.append(Row{{}, {text}});
    endInsertRows();
    return row + 1;
}

void TorrentListModel::setTag(int position, const QByteArray& tag)
{
    m_rows[position - 1].tag = tag;
}

void TorrentListModel::setSubItemText(int position, int subItem, const QString& text)
{
    Row& row = m_rows[position - 1];
    while (row.cells.size() <= subItem)
        row.cells.append(QString());
    if (row.cells.at(subItem) == text)
        return;
    row.cells[subItem] = text;
    const QModelIndex cell = index(position - 1, subItem);
    Q_EMIT dataChanged(cell, cell, {Qt::DisplayRole});
}

void TorrentListModel::removeItems(int position, int count)
{
    if (count <= 0)
        return;
    beginRemoveRows({}, position - 1, position + count - 2);
    m_rows.remove(position - 1, count);
    endRemoveRows();
}

void TorrentListModel::clearItems()
{
    beginResetModel();
    m_rows.clear();
    endResetModel();
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
