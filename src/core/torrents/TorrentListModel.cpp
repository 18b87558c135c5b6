#include "core/torrents/TorrentListModel.h"

#include "core/torrents/FieldDisplay.h"

#include <cstring>

#define XXH_INLINE_ALL
#include <xxhash.h>

namespace tavrin {

namespace {

// Changed rows spanning more than this many are reported as a layout change.
constexpr int manyRows = 256;

quint32 cellEnd(const QByteArray& data, qsizetype cell)
{
    quint32 end = 0;
    std::memcpy(&end, data.constData() + cell * sizeof end, sizeof end);
    return end;
}

// Most cells are a few bytes long, too short to be worth a call to memcmp or memcpy: up to 16
// bytes are compared and copied as two overlapping words.
quint64 word(const char* at)
{
    quint64 w;
    std::memcpy(&w, at, sizeof w);
    return w;
}

quint32 halfWord(const char* at)
{
    quint32 w;
    std::memcpy(&w, at, sizeof w);
    return w;
}

bool same(QByteArrayView a, QByteArrayView b)
{
    const qsizetype n = a.size();
    if (n != b.size())
        return false;
    const char* x = a.data();
    const char* y = b.data();
    if (n >= 8 && n <= 16)
        return word(x) == word(y) && word(x + n - 8) == word(y + n - 8);
    if (n >= 4 && n < 8)
        return halfWord(x) == halfWord(y) && halfWord(x + n - 4) == halfWord(y + n - 4);
    if (n < 4)
        return n == 0 || (x[0] == y[0] && x[n / 2] == y[n / 2] && x[n - 1] == y[n - 1]);
    return std::memcmp(x, y, static_cast<size_t>(n)) == 0;
}

void copy(char* to, QByteArrayView text)
{
    const qsizetype n = text.size();
    const char* from = text.data();
    if (n >= 8 && n <= 16) {
        const quint64 head = word(from);
        const quint64 tail = word(from + n - 8);
        std::memcpy(to, &head, sizeof head);
        std::memcpy(to + n - 8, &tail, sizeof tail);
    } else if (n >= 4 && n < 8) {
        const quint32 head = halfWord(from);
        const quint32 tail = halfWord(from + n - 4);
        std::memcpy(to, &head, sizeof head);
        std::memcpy(to + n - 4, &tail, sizeof tail);
    } else if (n > 0 && n < 4) {
        to[0] = from[0];
        to[n / 2] = from[n / 2];
        to[n - 1] = from[n - 1];
    } else if (n > 16) {
        std::memcpy(to, from, static_cast<size_t>(n));
    }
}

// Builds a row's buffer in place: the cell ends, the texts one after another, then the tail
// (kept fields and Tag). The room for the texts and tail is reserved up front, so each cell
// is written once, straight where it stays.
class RowWriter {
public:
    RowWriter(QByteArray& out, qsizetype cells, qsizetype room) : m_out(out)
    {
        const qsizetype head = cells * qsizetype(sizeof(quint32));
        out.resize(head + room);
        m_ends = out.data();
        m_texts = m_ends + head;
        m_at = m_texts;
        m_cellStart = m_texts;
    }
    char* at() const { return m_at; }
    // The text written since the last cell ended.
    QByteArrayView current(char* end) const { return {m_cellStart, end - m_cellStart}; }
    void put(QByteArrayView text)
    {
        copy(m_at, text);
        m_at += text.size();
    }
    // Ends the cell at `end` (what was written since the last one).
    void endCell(char* end)
    {
        m_at = end;
        const auto offset = static_cast<quint32>(m_at - m_texts);
        std::memcpy(m_ends + m_cells++ * sizeof offset, &offset, sizeof offset);
        m_cellStart = m_at;
    }
    void endCell() { endCell(m_at); }
    // The buffer as written, tail included.
    QByteArrayView written() const { return {m_out.constData(), m_at - m_out.constData()}; }

private:
    QByteArray& m_out;
    char* m_ends;
    char* m_texts;
    char* m_at;
    char* m_cellStart;
    qsizetype m_cells = 0;
};

void putTail(RowWriter& writer, QByteArrayView tag, TorrentListModel::KeptFields kept)
{
    writer.put(kept.status);
    writer.put(kept.priority);
    writer.put(tag);
}

qsizetype tailRoom(QByteArrayView tag, TorrentListModel::KeptFields kept)
{
    return tag.size() + kept.status.size() + kept.priority.size();
}

// Stores what the writer built as the row's buffer, in place when the size is the same.
void store(QByteArray& data, QByteArrayView built)
{
    if (data.size() == built.size())
        std::memcpy(data.data(), built.data(), static_cast<size_t>(built.size()));
    else
        data = built.toByteArray(); // exactly its size
}

} // namespace

TorrentListModel::TorrentListModel(QObject* parent) : QAbstractTableModel(parent) {}

quint64 TorrentListModel::rowHash(QByteArrayView row)
{
    // Every row of every reply is hashed: a hash built for speed on long keys.
    return XXH3_64bits(row.data(), static_cast<size_t>(row.size()));
}

TorrentListModel::~TorrentListModel() = default;

QByteArrayView TorrentListModel::tagIn(const Row& row)
{
    return QByteArrayView(row.data).last(row.tagLength);
}

QByteArrayView TorrentListModel::tailIn(const Row& row)
{
    return QByteArrayView(row.data).last(row.tagLength + row.statusLength + row.priorityLength);
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
    const int rows = static_cast<int>(m_rows.size() + m_pending.size());
    // With every Tag distinct, a match is the first item carrying it.
    if (m_nextRow < rows && m_index.size() == rows && same(tagOf(m_nextRow), tag))
        return ++m_nextRow;
    const int row = indexed(tag);
    m_nextRow = row + 1;
    return row + 1;
}

void TorrentListModel::setSubItemText(int position, int subItem, const QString& text)
{
    Row& row = m_rows[position - 1];
    const QByteArray wanted = text.toLatin1();
    if (subItem < static_cast<int>(row.cells) && same(shownIn(row, subItem), wanted))
        return;
    const qsizetype cells = std::max<qsizetype>(row.cells, subItem + 1);
    RowWriter writer(m_scratch, cells, row.data.size() + wanted.size());
    for (qsizetype k = 0; k < cells; ++k) {
        if (k == subItem)
            writer.put(wanted);
        else if (k < row.cells)
            writer.put(shownIn(row, k));
        writer.endCell();
    }
    writer.put(tailIn(row));
    store(row.data, writer.written());
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

bool TorrentListModel::isUnchanged(int position, quint64 rowHash) const
{
    const Row& item = rowAt(position - 1);
    return item.generation == m_generation && item.rowHash == rowHash;
}

void TorrentListModel::markSeen(int position)
{
    rowAt(position - 1).seen = m_reply;
}

int TorrentListModel::addItem(QByteArrayView tag, quint64 rowHash,
                              std::span<const QByteArrayView> cells, KeptFields kept)
{
    qsizetype room = tailRoom(tag, kept);
    for (const QByteArrayView cell : cells)
        room += display::displayedRoom(cell);
    RowWriter writer(m_scratch, static_cast<qsizetype>(cells.size()), room);
    for (const QByteArrayView cell : cells)
        writer.endCell(display::writeDisplayed(writer.at(), cell));
    putTail(writer, tag, kept);

    Row item;
    item.data = writer.written().toByteArray(); // exactly its size
    item.rowHash = rowHash;
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

void TorrentListModel::updateItem(int position, quint64 rowHash,
                                  std::span<const QByteArrayView> cells, KeptFields kept)
{
    flushAdded();
    Row& item = m_rows[position - 1];
    const auto wanted = static_cast<qsizetype>(cells.size());
    const qsizetype total = std::max<qsizetype>(item.cells, wanted);

    qsizetype room = item.data.size() + tailRoom({}, kept);
    for (qsizetype k = 1; k < wanted; ++k)
        room += display::displayedRoom(cells[k]);
    RowWriter writer(m_scratch, total, room);
    int firstChanged = -1;
    // Shown texts that came from this plan's fields (none was typed in since).
    const bool sameShape = item.generation == m_generation;
    for (qsizetype k = 0; k < total; ++k) {
        const QByteArrayView before = k < item.cells ? shownIn(item, k) : QByteArrayView();
        if (k == 0 || k >= wanted) {
            // The main text is never updated; sub-items beyond the plan keep their text.
            writer.put(before);
        } else if (sameShape && k < item.cells && same(cells[k], before)) {
            // A field equal to its shown text is not a number (a number shows with a unit
            // after it), so it shows unchanged: no need to convert it again.
            writer.put(before);
        } else {
            char* end = display::writeDisplayed(writer.at(), cells[k]);
            if (firstChanged < 0 && (k >= item.cells || !same(writer.current(end), before)))
                firstChanged = static_cast<int>(k);
            writer.endCell(end);
            continue;
        }
        writer.endCell();
    }
    const QByteArrayView tail = tailIn(item);
    const bool keptChanged =
        !same(tail.first(item.statusLength), kept.status) ||
        !same(tail.sliced(item.statusLength, item.priorityLength), kept.priority);
    if (firstChanged >= 0 || total != item.cells || keptChanged) {
        putTail(writer, tagIn(item), kept);
        store(item.data, writer.written());
        item.cells = static_cast<quint32>(total);
        item.statusLength = static_cast<quint32>(kept.status.size());
        item.priorityLength = static_cast<quint32>(kept.priority.size());
    }
    item.rowHash = rowHash;
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
