#include "core/torrents/TorrentListModel.h"

#include "core/torrents/FieldDisplay.h"
#include "core/torrents/ReplyRows.h"
#include "core/view/SortKey.h"

#include <cstring>

#define XXH_INLINE_ALL
#include <xxhash.h>

namespace tavrin {

namespace {

// Changed rows spanning more than this many are reported as a layout change.
constexpr int manyRows = 256;

// A buffer keeps the end of the main text and of each stored sub-item; sub-items shown from the
// row (1 to firstStored - 1) store nothing and keep no end, which saves four bytes each.
qsizetype endSlots(qsizetype cells, qsizetype firstStored)
{
    return 1 + cells - firstStored;
}

// Where a cell's end is kept: a sub-item shown from the row ends where the main text does.
qsizetype slotOf(qsizetype cell, qsizetype firstStored)
{
    return cell < firstStored ? 0 : 1 + cell - firstStored;
}

quint32 endAt(const QByteArray& data, qsizetype slot)
{
    quint32 end = 0;
    std::memcpy(&end, data.constData() + slot * sizeof end, sizeof end);
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

bool equalBytes(QByteArrayView a, QByteArrayView b)
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

void copyBytes(char* to, QByteArrayView text)
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

// Builds a row's buffer in place: the cell ends, the stored texts one after another, then the
// row text. The room for the texts and tail is reserved up front, so each cell
// is written once, straight where it stays.
class RowWriter {
public:
    // `firstStored`: the first sub-item the buffer stores; those before it show the row.
    RowWriter(QByteArray& out, qsizetype cells, qsizetype firstStored, qsizetype room)
        : m_out(out), m_firstStored(firstStored)
    {
        const qsizetype head = endSlots(cells, firstStored) * qsizetype(sizeof(quint32));
        out.resize(head + room);
        m_ends = out.data();
        m_texts = m_ends + head;
        m_at = m_texts;
    }
    char* at() const { return m_at; }
    void put(QByteArrayView text)
    {
        copyBytes(m_at, text);
        m_at += text.size();
    }
    // Ends the cell at `end` (what was written since the last one).
    void endCell(char* end)
    {
        m_at = end;
        const qsizetype cell = m_cells++;
        if (cell > 0 && cell < m_firstStored)
            return; // shown from the row: nothing stored, no end kept
        const auto offset = static_cast<quint32>(m_at - m_texts);
        std::memcpy(m_ends + slotOf(cell, m_firstStored) * sizeof offset, &offset, sizeof offset);
    }
    void endCell() { endCell(m_at); }
    // The buffer as written, tail included.
    QByteArrayView written() const { return {m_out.constData(), m_at - m_out.constData()}; }

private:
    QByteArray& m_out;
    qsizetype m_firstStored;
    char* m_ends;
    char* m_texts;
    char* m_at;
    qsizetype m_cells = 0;
};

// Stores what the writer built as the row's buffer, in place when the size is the same.
void store(QByteArray& data, QByteArrayView built)
{
    if (data.size() == built.size())
        std::memcpy(data.data(), built.data(), static_cast<size_t>(built.size()));
    else
        data = built.toByteArray(); // exactly its size
}

// Replaces what follows the first `kept` bytes of data with `tail`. A few bytes of room are
// kept so numbers growing by a digit do not reallocate the buffer every time.
void replaceTail(QByteArray& data, qsizetype kept, QByteArrayView tail)
{
    const qsizetype size = kept + tail.size();
    if (size > data.capacity())
        data.reserve(size + 16);
    data.resize(size);
    std::memcpy(data.data() + kept, tail.data(), static_cast<size_t>(tail.size()));
}

// Writes the displayed value of a field into `out`, returning a view of it.
QByteArrayView displayInto(QByteArray& out, QByteArrayView field)
{
    const qsizetype room = display::displayedRoom(field);
    if (out.size() < room)
        out.resize(room);
    return {out.data(), display::writeDisplayed(out.data(), field)};
}

quint32 offsetIn(QByteArrayView row, QByteArrayView field)
{
    return field.isEmpty() ? 0 : static_cast<quint32>(field.data() - row.data());
}

} // namespace

TorrentListModel::TorrentListModel(QObject* parent) : QAbstractTableModel(parent) {}

quint64 TorrentListModel::rowHash(QByteArrayView row)
{
    // Every row of every reply is hashed: a hash built for speed on long keys.
    return XXH3_64bits(row.data(), static_cast<size_t>(row.size()));
}

TorrentListModel::~TorrentListModel() = default;

QByteArrayView TorrentListModel::idIn(const Row& row)
{
    return QByteArrayView(row.data).last(row.idLength);
}

QByteArrayView TorrentListModel::rowTextIn(const Row& row)
{
    return QByteArrayView(row.data).last(row.rowLength);
}

QByteArrayView TorrentListModel::keptField(int position, KeptField which) const
{
    if (position < 1 || position > count())
        return {};
    const Row& row = m_rows.at(position - 1);
    const std::size_t k = keptIndex(which);
    if (k < row.keptAt.size())
        return rowTextIn(row).sliced(row.keptAt[k], row.keptLength[k]);
    // One walk to the field; a data field only, never the identifier that ends the row.
    const QByteArrayView text = rowTextIn(row);
    std::array<QByteArrayView, 1> field;
    replyrows::fieldsAt(text, std::array<int, 1>{m_plan.keptFields[k]}, field);
    if (field[0].data() == nullptr || field[0].end() == text.end())
        return {};
    return field[0];
}

QByteArrayView TorrentListModel::cellSource(int row, int column) const
{
    const Row& item = m_rows.at(row);
    if (column < 0 || column >= static_cast<int>(item.cells))
        return {};
    if (column == 0 || column >= static_cast<int>(item.firstStoredSubItem))
        return storedIn(item, column);
    return replyrows::fieldAt(rowTextIn(item), m_plan.fields.at(column));
}

TorrentListModel::SpeedTotals TorrentListModel::speedTotals() const
{
    SpeedTotals totals;
    for (const Row& row : m_rows) {
        totals.download += row.downloadSpeed;
        totals.upload += row.uploadSpeed;
    }
    return totals;
}

QByteArrayView TorrentListModel::storedIn(const Row& row, qsizetype cell)
{
    const qsizetype head = endSlots(row.cells, row.firstStoredSubItem) * qsizetype(sizeof(quint32));
    const quint32 start = cell == 0 ? 0 : endAt(row.data, slotOf(cell - 1, row.firstStoredSubItem));
    const quint32 end = endAt(row.data, slotOf(cell, row.firstStoredSubItem));
    return QByteArrayView(row.data).sliced(head + start, end - start);
}

QByteArrayView TorrentListModel::shownIn(const Row& row, qsizetype cell, QByteArray& out) const
{
    if (cell == 0 || cell >= row.firstStoredSubItem)
        return storedIn(row, cell);
    return displayInto(out, replyrows::fieldAt(rowTextIn(row), m_plan.fields.at(cell)));
}

void TorrentListModel::storeAll(Row& row)
{
    if (row.firstStoredSubItem <= 1)
        return;
    qsizetype room = row.data.size();
    for (qsizetype k = 1; k < row.firstStoredSubItem; ++k)
        room += display::displayedRoom(replyrows::fieldAt(rowTextIn(row), m_plan.fields.at(k)));
    RowWriter writer(m_scratch, row.cells, 1, room);
    for (qsizetype k = 0; k < row.cells; ++k) {
        if (k > 0 && k < row.firstStoredSubItem) {
            const QByteArrayView field = replyrows::fieldAt(rowTextIn(row), m_plan.fields.at(k));
            writer.endCell(display::writeDisplayed(writer.at(), field));
        } else {
            writer.put(storedIn(row, k));
            writer.endCell();
        }
    }
    writer.put(rowTextIn(row));
    store(row.data, writer.written());
    row.firstStoredSubItem = 1;
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

QByteArray TorrentListModel::torrentId(int position) const
{
    return idIn(m_rows.at(position - 1)).toByteArray();
}

QByteArrayView TorrentListModel::shownBytes(int row, int column) const
{
    const Row& item = m_rows.at(row);
    if (column < 0 || column >= static_cast<int>(item.cells))
        return {};
    return shownIn(item, column, m_shown);
}

QString TorrentListModel::text(int position, int column) const
{
    const Row& row = m_rows.at(position - 1);
    if (column < 0 || column >= static_cast<int>(row.cells))
        return {};
    const QByteArrayView shown = shownIn(row, column, m_shown);
    return QString::fromLatin1(shown.data(), shown.size());
}

int TorrentListModel::findTorrent(QByteArrayView id) const
{
    const int rows = static_cast<int>(m_rows.size() + m_pending.size());
    // With every identifier distinct, a match is the first item carrying it.
    if (m_nextRow < rows && m_index.size() == rows && equalBytes(idOf(m_nextRow), id)) {
        // The next row's item is likely wanted next: fetch its identifier and row text meanwhile.
        if (++m_nextRow < m_rows.size()) {
            const Row& next = m_rows.at(m_nextRow);
            const char* end = next.data.constData() + next.data.size();
            __builtin_prefetch(end - next.idLength);
            // A changed row is copied over the old one: every line of it is written.
            for (const char* line = end - next.rowLength; line < end; line += 64)
                __builtin_prefetch(line, 1);
        }
        return m_nextRow;
    }
    const int row = indexed(id);
    m_nextRow = row + 1;
    return row + 1;
}

void TorrentListModel::setSubItemText(int position, int subItem, const QString& text)
{
    Row& row = m_rows[position - 1];
    const QByteArray wanted = text.toLatin1();
    if (subItem < static_cast<int>(row.cells) && equalBytes(shownIn(row, subItem, m_shown), wanted))
        return;
    storeAll(row);
    const qsizetype cells = std::max<qsizetype>(row.cells, subItem + 1);
    RowWriter writer(m_scratch, cells, 1, row.data.size() + wanted.size());
    for (qsizetype k = 0; k < cells; ++k) {
        if (k == subItem)
            writer.put(wanted);
        else if (k < row.cells)
            writer.put(storedIn(row, k));
        writer.endCell();
    }
    writer.put(rowTextIn(row));
    store(row.data, writer.written());
    row.cells = static_cast<quint32>(cells);
    // The item no longer shows exactly what its row text says.
    row.generation = 0;
    noteChanged(position - 1, subItem);
    flushChanged();
}

void TorrentListModel::beginReply(const ColumnPlan::Key& plan)
{
    if (!(plan == m_plan)) {
        // Cells shown from the row follow the plan, so they keep what the old one showed.
        for (Row& row : m_rows)
            storeAll(row);
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

void TorrentListModel::recordFilledRow(Row& item, QByteArrayView row, quint64 rowHash,
                                       const KeptFields& kept) const
{
    item.rowLength = static_cast<quint32>(row.size());
    for (std::size_t k = 0; k < item.keptAt.size(); ++k) {
        item.keptAt[k] = offsetIn(row, kept[k]);
        item.keptLength[k] = static_cast<quint32>(kept[k].size());
    }
    item.downloadSpeed =
        static_cast<float>(view::bytesPerSecond(kept[keptIndex(KeptField::DownloadSpeed)]));
    item.uploadSpeed =
        static_cast<float>(view::bytesPerSecond(kept[keptIndex(KeptField::UploadSpeed)]));
    item.rowHash = rowHash;
    item.generation = m_generation;
    item.seen = m_reply;
}

int TorrentListModel::addItem(QByteArrayView row, quint64 rowHash, QByteArrayView id,
                              QByteArrayView mainText, KeptFields kept)
{
    const auto cells = static_cast<qsizetype>(m_plan.fields.size());
    RowWriter writer(m_scratch, cells, cells, display::displayedRoom(mainText) + row.size());
    writer.endCell(display::writeDisplayed(writer.at(), mainText));
    for (qsizetype k = 1; k < cells; ++k)
        writer.endCell(); // shown from the row
    writer.put(row);

    Row item;
    item.data = writer.written().toByteArray(); // exactly its size
    item.cells = static_cast<quint32>(cells);
    item.firstStoredSubItem = item.cells;
    item.idLength = static_cast<quint32>(id.size());
    recordFilledRow(item, row, rowHash, kept);

    const int at = static_cast<int>(m_rows.size() + m_pending.size());
    m_pending.append(std::move(item));
    m_index.insert(idOf(at), at, [this](int r) { return idOf(r); });
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

int TorrentListModel::firstChangedColumn(const Row& item, QByteArrayView row)
{
    replyrows::splitFields(row, m_newFields);
    const auto wanted = static_cast<qsizetype>(m_plan.fields.size());
    // Sub-items beyond the plan keep their text; beyond the columns nothing shows them.
    const qsizetype last = std::min<qsizetype>(wanted, columnCount());
    if (item.firstStoredSubItem > 1)
        replyrows::splitFields(rowTextIn(item), m_oldFields);
    for (qsizetype k = 1; k < last; ++k) {
        if (k >= item.cells)
            return static_cast<int>(k);
        const QByteArrayView field = m_newFields[m_plan.fields.at(k) - 1];
        QByteArrayView before;
        if (k < item.firstStoredSubItem) {
            const QByteArrayView old = m_oldFields[m_plan.fields.at(k) - 1];
            if (equalBytes(old, field))
                continue;
            before = displayInto(m_before, old);
        } else {
            before = storedIn(item, k);
        }
        if (!equalBytes(displayInto(m_after, field), before))
            return static_cast<int>(k);
    }
    return -1;
}

void TorrentListModel::updateItem(int position, QByteArrayView row, quint64 rowHash,
                                  KeptFields kept)
{
    flushAdded();
    Row& item = m_rows[position - 1];
    // Only the ends of the changed range matter, and only until the range is long: a row inside
    // it need not be compared.
    const int at = position - 1;
    const bool insideReportedRange =
        m_dirty.first >= 0 &&
        ((m_dirty.first <= at && at <= m_dirty.last) || m_dirty.last - m_dirty.first >= manyRows);
    const int changed = insideReportedRange ? -1 : firstChangedColumn(item, row);

    const auto wanted = static_cast<quint32>(m_plan.fields.size());
    if (item.firstStoredSubItem == wanted && item.cells == wanted) {
        // The usual refresh: the cells shown from the row are all the plan's, so only the row
        // text is replaced.
        replaceTail(item.data, item.data.size() - item.rowLength, row);
    } else {
        // Cells shown from the row never reach beyond the plan, so those kept here are stored.
        Q_ASSERT(item.firstStoredSubItem <= wanted);
        const quint32 total = std::max(item.cells, wanted);
        RowWriter writer(m_scratch, total, wanted, item.data.size() + row.size());
        for (quint32 k = 0; k < total; ++k) {
            if (k == 0 || k >= wanted)
                writer.put(storedIn(item, k)); // the main text and sub-items beyond the plan
            writer.endCell();
        }
        writer.put(row);
        store(item.data, writer.written());
        item.cells = total;
        item.firstStoredSubItem = wanted;
    }
    recordFilledRow(item, row, rowHash, kept);
    if (changed >= 0)
        noteChanged(at, changed);
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

int TorrentListModel::indexed(QByteArrayView id) const
{
    return m_index.find(id, [this](int r) { return idOf(r); });
}

void TorrentListModel::rebuildIndex()
{
    m_index.rebuild(count(), [this](int r) { return idOf(r); });
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
