#include "core/torrents/TorrentListModel.h"

#include "core/torrents/FieldDisplay.h"

#include <cstring>
#include <functional>
#include <string_view>

namespace tavrin {

namespace {

// Changed rows spanning more than this many are reported as a layout change.
constexpr int manyRows = 256;

quint64 rowHash(QByteArrayView row)
{
    return std::hash<std::string_view>{}(std::string_view(row.data(), row.size()));
}

quint32 cellEnd(const QByteArray& data, qsizetype cell)
{
    quint32 end = 0;
    std::memcpy(&end, data.constData() + cell * sizeof end, sizeof end);
    return end;
}

// Builds a row's buffer: the cell ends, the texts, the tail (kept fields and Tag). `texts`
// holds the texts one after another and `ends` where each ends.
void compose(QByteArray& out, std::span<const quint32> ends, std::string_view texts,
             std::string_view tail)
{
    const auto head = qsizetype(ends.size() * sizeof(quint32));
    out.resize(head + qsizetype(texts.size() + tail.size()));
    char* at = out.data();
    if (head)
        std::memcpy(at, ends.data(), static_cast<size_t>(head));
    if (!texts.empty())
        std::memcpy(at + head, texts.data(), texts.size());
    if (!tail.empty())
        std::memcpy(at + head + texts.size(), tail.data(), tail.size());
}

void append(std::string& out, QByteArrayView text)
{
    out.append(text.data(), static_cast<std::size_t>(text.size()));
}

} // namespace

TorrentListModel::TorrentListModel(QObject* parent) : QAbstractTableModel(parent) {}

TorrentListModel::~TorrentListModel() = default;

QByteArrayView TorrentListModel::tagIn(const Row& row)
{
    return QByteArrayView(row.data).last(row.tagLength);
}

QByteArrayView TorrentListModel::tailIn(const Row& row)
{
    return QByteArrayView(row.data).last(row.tagLength + row.statusLength + row.priorityLength);
}

void TorrentListModel::composeTail(QByteArrayView tag, KeptFields kept)
{
    m_scratchTail.clear();
    append(m_scratchTail, kept.status);
    append(m_scratchTail, kept.priority);
    append(m_scratchTail, tag);
}

QByteArrayView TorrentListModel::keptField(int position, KeptField which) const
{
    if (position < 1 || position > count())
        return {};
    const Row& row = m_rows.at(position - 1);
    const QByteArrayView tail = tailIn(row);
    return which == KeptField::Status ? tail.first(row.statusLength)
                                      : tail.sliced(row.statusLength, row.priorityLength);
}

QByteArrayView TorrentListModel::shownIn(const Row& row, qsizetype cell)
{
    const qsizetype head = row.cells * qsizetype(sizeof(quint32));
    const quint32 start = cell == 0 ? 0 : cellEnd(row.data, cell - 1);
    return QByteArrayView(row.data).sliced(head + start, cellEnd(row.data, cell) - start);
}

void TorrentListModel::setColumns(const QStringList& captions)
{
    beginResetModel();
    m_dirty = {};
    m_captions = captions;
    m_rows.clear();
    m_index.clear();
    endResetModel();
}

QByteArray TorrentListModel::tag(int position) const
{
    return tagIn(m_rows.at(position - 1)).toByteArray();
}

QString TorrentListModel::text(int position, int column) const
{
    const Row& row = m_rows.at(position - 1);
    if (column < 0 || column >= static_cast<int>(row.cells))
        return {};
    const QByteArrayView shown = shownIn(row, column);
    return QString::fromLatin1(shown.data(), shown.size());
}

int TorrentListModel::subItemCount(int position) const
{
    return static_cast<int>(m_rows.at(position - 1).cells) - 1;
}

int TorrentListModel::findByTag(QByteArrayView tag) const
{
    return indexed(tag) + 1;
}

void TorrentListModel::setSubItemText(int position, int subItem, const QString& text)
{
    Row& row = m_rows[position - 1];
    const QByteArray wanted = text.toLatin1();
    if (subItem < static_cast<int>(row.cells) && shownIn(row, subItem) == QByteArrayView(wanted))
        return;
    const qsizetype cells = std::max<qsizetype>(row.cells, subItem + 1);
    std::vector<quint32> ends;
    std::string texts;
    for (qsizetype k = 0; k < cells; ++k) {
        if (k == subItem)
            append(texts, wanted);
        else if (k < row.cells)
            append(texts, shownIn(row, k));
        ends.push_back(static_cast<quint32>(texts.size()));
    }
    const QByteArray tail = tailIn(row).toByteArray();
    compose(row.data, ends, texts, std::string_view(tail.constData(), size_t(tail.size())));
    row.cells = static_cast<quint32>(cells);
    // The item no longer shows exactly what its row text says.
    row.generation = 0;
    noteChanged(position - 1, subItem);
    flushChanged();
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
    return item.generation == m_generation && item.rowHash == rowHash(row);
}

void TorrentListModel::markSeen(int position)
{
    rowAt(position - 1).seen = m_reply;
}

int TorrentListModel::addItem(QByteArrayView tag, QByteArrayView row,
                              std::span<const QByteArrayView> cells, KeptFields kept)
{
    m_scratchText.clear();
    m_ends.clear();
    for (const QByteArrayView cell : cells) {
        display::appendDisplayed(m_scratchText, cell);
        m_ends.push_back(static_cast<quint32>(m_scratchText.size()));
    }
    Row item;
    composeTail(tag, kept);
    compose(m_scratch, m_ends, m_scratchText, m_scratchTail);
    item.data = QByteArray(m_scratch.constData(), m_scratch.size()); // exactly its size
    item.rowHash = rowHash(row);
    item.cells = static_cast<quint32>(cells.size());
    item.tagLength = static_cast<quint32>(tag.size());
    item.statusLength = static_cast<quint32>(kept.status.size());
    item.priorityLength = static_cast<quint32>(kept.priority.size());
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
    flushChanged();
    const int first = count();
    beginInsertRows({}, first, first + static_cast<int>(m_pending.size()) - 1);
    if (m_rows.isEmpty())
        m_rows.swap(m_pending); // no second copy of a whole first fill
    else
        m_rows.append(std::move(m_pending));
    m_pending = QList<Row>();
    endInsertRows();
}

void TorrentListModel::updateItem(int position, QByteArrayView row,
                                  std::span<const QByteArrayView> cells, KeptFields kept)
{
    flushAdded();
    Row& item = m_rows[position - 1];
    const auto wanted = static_cast<qsizetype>(cells.size());
    const qsizetype total = std::max<qsizetype>(item.cells, wanted);

    m_scratchText.clear();
    m_ends.clear();
    int firstChanged = -1;
    // Shown texts that came from this plan's fields (none was typed in since).
    const bool sameShape = item.generation == m_generation;
    for (qsizetype k = 0; k < total; ++k) {
        const QByteArrayView before = k < item.cells ? shownIn(item, k) : QByteArrayView();
        const qsizetype start = m_scratchText.size();
        if (k == 0 || k >= wanted) {
            // The main text is never updated; sub-items beyond the plan keep their text.
            append(m_scratchText, before);
        } else if (sameShape && k < item.cells && cells[k] == before) {
            // A field equal to its shown text is not a number (a number shows with a unit
            // after it), so it shows unchanged: no need to convert it again.
            append(m_scratchText, before);
        } else {
            display::appendDisplayed(m_scratchText, cells[k]);
            const QByteArrayView after(m_scratchText.data() + start,
                                       qsizetype(m_scratchText.size()) - start);
            if (after != before || k >= item.cells) {
                if (firstChanged < 0)
                    firstChanged = static_cast<int>(k);
            }
        }
        m_ends.push_back(static_cast<quint32>(m_scratchText.size()));
    }
    const bool keptChanged = keptField(position, KeptField::Status) != kept.status ||
                             keptField(position, KeptField::Priority) != kept.priority;
    if (firstChanged >= 0 || total != item.cells || keptChanged) {
        composeTail(tagIn(item), kept);
        compose(m_scratch, m_ends, m_scratchText, m_scratchTail);
        // Same size: overwrite in place, so a refresh rarely allocates.
        if (item.data.size() == m_scratch.size())
            std::memcpy(item.data.data(), m_scratch.constData(), m_scratch.size());
        else
            item.data = QByteArray(m_scratch.constData(), m_scratch.size());
        item.cells = static_cast<quint32>(total);
        item.statusLength = static_cast<quint32>(kept.status.size());
        item.priorityLength = static_cast<quint32>(kept.priority.size());
    }
    item.rowHash = rowHash(row);
    item.generation = m_generation;
    item.seen = m_reply;
    if (firstChanged >= 0)
        noteChanged(position - 1, firstChanged);
}

void TorrentListModel::removeUnseen()
{
    flushAdded();
    flushChanged();
    bool removed = false;
    // From the end, so the positions still to be looked at do not move.
    for (int last = count() - 1; last >= 0;) {
        if (m_rows.at(last).seen == m_reply) {
            --last;
            continue;
        }
        int first = last;
        while (first > 0 && m_rows.at(first - 1).seen != m_reply)
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

void TorrentListModel::noteChanged(int row, int firstColumn)
{
    if (firstColumn >= columnCount())
        return; // only sub-items beyond the columns changed: nothing shows it
    if (m_dirty.first < 0) {
        m_dirty = {row, row};
        return;
    }
    m_dirty.first = std::min(m_dirty.first, row);
    m_dirty.last = std::max(m_dirty.last, row);
}

void TorrentListModel::flushChanged()
{
    const Dirty dirty = m_dirty;
    m_dirty = {};
    if (dirty.first < 0)
        return;
    if (dirty.last - dirty.first >= manyRows) {
        // A tree view measures each row of a changed range to find what to repaint; after a
        // layout change it lays the rows out once and repaints what shows. Nothing moves.
        Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
        Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
        return;
    }
    Q_EMIT dataChanged(index(dirty.first, 0), index(dirty.last, columnCount() - 1),
                       {Qt::DisplayRole});
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
