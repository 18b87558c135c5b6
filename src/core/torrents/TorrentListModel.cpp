#include "core/torrents/TorrentListModel.h"

#include "core/torrents/FieldDisplay.h"

#include <cstring>

namespace tavrin {

namespace {

QByteArrayView shownText(const TorrentListModel::Row& row, const TorrentListModel::Cell& cell)
{
    return QByteArrayView(row.shown.constData() + cell.shownOffset, cell.shownLength);
}

// Replaces the buffer's bytes without giving up its capacity, so refreshes rarely allocate.
void assign(QByteArray& target, QByteArrayView source)
{
    target.resize(source.size());
    if (!source.isEmpty())
        std::memcpy(target.data(), source.data(), static_cast<size_t>(source.size()));
}

quint32 offsetIn(QByteArrayView whole, QByteArrayView part)
{
    return static_cast<quint32>(part.data() - whole.data());
}

} // namespace

TorrentListModel::TorrentListModel(QObject* parent) : QAbstractTableModel(parent) {}

TorrentListModel::~TorrentListModel() = default;

void TorrentListModel::setColumns(const QStringList& captions)
{
    beginResetModel();
    m_captions = captions;
    m_rows.clear();
    m_index.clear();
    endResetModel();
}

QByteArray TorrentListModel::tag(int position) const
{
    return m_rows.at(position - 1).tag;
}

QByteArrayView TorrentListModel::field(int position, int fieldNumber) const
{
    if (position < 1 || position > count() || fieldNumber < 1)
        return {};
    QByteArrayView rest(m_rows.at(position - 1).raw);
    for (int k = 1;; ++k) {
        const qsizetype bar = rest.indexOf('|');
        // The piece after the last bar is the identifier, not a data field.
        if (bar < 0)
            return {};
        if (k == fieldNumber)
            return rest.first(bar);
        rest = rest.sliced(bar + 1);
    }
}

QString TorrentListModel::text(int position, int column) const
{
    const Row& row = m_rows.at(position - 1);
    if (column < 0 || column >= row.cells.size())
        return {};
    const QByteArrayView shown = shownText(row, row.cells.at(column));
    return QString::fromLatin1(shown.data(), shown.size());
}

int TorrentListModel::subItemCount(int position) const
{
    return static_cast<int>(m_rows.at(position - 1).cells.size()) - 1;
}

int TorrentListModel::findByTag(QByteArrayView tag) const
{
    return indexed(tag) + 1;
}

int TorrentListModel::appendItem(const QString& text)
{
    Row row;
    row.shown = text.toLatin1();
    row.cells.append(Cell{Cell::unknown, 0, 0, static_cast<quint32>(row.shown.size())});
    const int at = count();
    beginInsertRows({}, at, at);
    m_rows.append(std::move(row));
    m_index.insert(QByteArrayView(), at, [this](int r) { return tagOf(r); });
    endInsertRows();
    return at + 1;
}

void TorrentListModel::setTag(int position, const QByteArray& tag)
{
    m_rows[position - 1].tag = tag;
    rebuildIndex();
}

void TorrentListModel::setSubItemText(int position, int subItem, const QString& text)
{
    Row& row = m_rows[position - 1];
    while (row.cells.size() <= subItem)
        row.cells.append(Cell{Cell::unknown, 0, static_cast<quint32>(row.shown.size()), 0});
    const QByteArray wanted = text.toLatin1();
    if (shownText(row, row.cells.at(subItem)) == QByteArrayView(wanted))
        return;
    QByteArray shown;
    shown.reserve(row.shown.size() + wanted.size());
    for (qsizetype k = 0; k < row.cells.size(); ++k) {
        Cell& cell = row.cells[k];
        const QByteArrayView part = k == subItem ? QByteArrayView(wanted) : shownText(row, cell);
        cell.shownOffset = static_cast<quint32>(shown.size());
        cell.shownLength = static_cast<quint32>(part.size());
        shown.append(part);
    }
    row.cells[subItem].rawOffset = Cell::unknown;
    row.shown = shown;
    // The item no longer shows exactly what its row text says.
    row.generation = 0;
    emitChanged(position - 1, {subItem});
}

void TorrentListModel::removeItems(int position, int count)
{
    if (count <= 0)
        return;
    beginRemoveRows({}, position - 1, position + count - 2);
    m_rows.remove(position - 1, count);
    rebuildIndex();
    endRemoveRows();
}

void TorrentListModel::clearItems()
{
    beginResetModel();
    m_rows.clear();
    m_index.clear();
    endResetModel();
}

void TorrentListModel::beginReply(const QList<int>& plan)
{
    if (plan != m_plan) {
        m_plan = plan;
        if (++m_generation == 0)
            ++m_generation;
    }
    if (++m_reply == 0)
        ++m_reply;
}

bool TorrentListModel::isUnchanged(int position, QByteArrayView row) const
{
    const Row& item = rowAt(position - 1);
    return item.generation == m_generation && QByteArrayView(item.raw) == row;
}

void TorrentListModel::markSeen(int position)
{
    rowAt(position - 1).seen = m_reply;
}

int TorrentListModel::addItem(QByteArrayView tag, QByteArrayView row,
                              const QList<QByteArrayView>& cells)
{
    Row item;
    item.tag = tag.toByteArray();
    item.raw = row.toByteArray();
    item.shown.reserve(row.size() + cells.size() * 8);
    item.cells.resize(cells.size());
    for (qsizetype k = 0; k < cells.size(); ++k) {
        Cell& cell = item.cells[k];
        cell.rawOffset = offsetIn(row, cells.at(k));
        cell.rawLength = static_cast<quint32>(cells.at(k).size());
        cell.shownOffset = static_cast<quint32>(item.shown.size());
        display::appendDisplayed(item.shown, cells.at(k));
        cell.shownLength = static_cast<quint32>(item.shown.size()) - cell.shownOffset;
    }
    item.generation = m_generation;
    item.seen = m_reply;

    const int at = static_cast<int>(m_rows.size() + m_pending.size());
    m_pending.append(std::move(item));
    m_index.insert(tagOf(at), at, [this](int r) { return tagOf(r); });
    return at + 1;
}

void TorrentListModel::flushAdded()
{
    if (m_pending.isEmpty())
        return;
    const int first = count();
    beginInsertRows({}, first, first + static_cast<int>(m_pending.size()) - 1);
    m_rows.append(std::move(m_pending));
    m_pending.clear();
    endInsertRows();
}

void TorrentListModel::updateItem(int position, QByteArrayView row,
                                  const QList<QByteArrayView>& cells)
{
    flushAdded();
    Row& item = m_rows[position - 1];
    const qsizetype wanted = cells.size();
    while (item.cells.size() < wanted)
        item.cells.append(Cell{Cell::unknown, 0, 0, 0});

    m_scratch.clear();
    m_changed.clear();
    for (qsizetype k = 0; k < item.cells.size(); ++k) {
        Cell& cell = item.cells[k];
        const QByteArrayView before = shownText(item, cell);
        const auto start = static_cast<quint32>(m_scratch.size());
        if (k == 0 || k >= wanted) {
            // The main text is never updated; sub-items beyond the plan keep their text.
            m_scratch.append(before);
            cell.rawOffset = Cell::unknown;
        } else {
            const QByteArrayView field = cells.at(k);
            const bool sameRaw =
                cell.rawOffset != Cell::unknown &&
                QByteArrayView(item.raw.constData() + cell.rawOffset, cell.rawLength) == field;
            if (sameRaw) {
                m_scratch.append(before);
            } else {
                display::appendDisplayed(m_scratch, field);
                if (QByteArrayView(m_scratch).sliced(start) != before)
                    m_changed.append(static_cast<int>(k));
            }
            cell.rawOffset = offsetIn(row, field);
            cell.rawLength = static_cast<quint32>(field.size());
        }
        cell.shownOffset = start;
        cell.shownLength = static_cast<quint32>(m_scratch.size()) - start;
    }
    assign(item.shown, m_scratch);
    assign(item.raw, row);
    item.generation = m_generation;
    item.seen = m_reply;
    if (!m_changed.isEmpty())
        emitChanged(position - 1, m_changed);
}

bool TorrentListModel::seenInReply(int row) const
{
    const Row& item = m_rows.at(row);
    if (item.seen == m_reply)
        return true;
    // A later item with the same Tag stays when the first one carrying it was seen.
    const int first = indexed(item.tag);
    return first >= 0 && first != row && m_rows.at(first).seen == m_reply;
}

void TorrentListModel::removeUnseen()
{
    flushAdded();
    bool removed = false;
    // From the end, so the positions still to be looked at do not move.
    for (int last = count() - 1; last >= 0;) {
        if (seenInReply(last)) {
            --last;
            continue;
        }
        int first = last;
        while (first > 0 && !seenInReply(first - 1))
            --first;
        beginRemoveRows({}, first, last);
        m_rows.remove(first, last - first + 1);
        endRemoveRows();
        removed = true;
        last = first - 1;
    }
    if (removed)
        rebuildIndex();
}

int TorrentListModel::indexed(QByteArrayView tag) const
{
    return m_index.find(tag, [this](int r) { return tagOf(r); });
}

void TorrentListModel::rebuildIndex()
{
    m_index.rebuild(count(), [this](int r) { return tagOf(r); });
}

void TorrentListModel::emitChanged(int row, const QList<int>& columns)
{
    const int limit = columnCount();
    qsizetype i = 0;
    while (i < columns.size()) {
        const int first = columns.at(i);
        int last = first;
        while (i + 1 < columns.size() && columns.at(i + 1) == last + 1)
            last = columns.at(++i);
        ++i;
        if (first >= limit)
            break;
        Q_EMIT dataChanged(index(row, first), index(row, std::min(last, limit - 1)),
                           {Qt::DisplayRole});
    }
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
