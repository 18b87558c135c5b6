#include "core/torrents/SnapshotBuilder.h"

#include "core/torrents/FieldDisplay.h"
#include "core/torrents/ReplyRows.h"
#include "core/view/SortKey.h"
#include "core/view/TorrentFilter.h"

#include <QCoreApplication>
#include <optional>

namespace tavrin {

namespace {

// Changed rows spanning more than this many are reported as one range, so beyond it the
// rows inside the range need not be compared.
constexpr int manyChangedRows = 256;

// Why the row cannot be applied under the plan, or nothing. A found item keeps its main text,
// so only a new one needs the main text's field.
std::optional<QString> validateRow(const ColumnPlan& plan, qsizetype fieldCount, bool isNew,
                                   int maxSubItemField)
{
    const QList<int>& fields = plan.fields();
    if ((isNew && fields.first() > fieldCount) || maxSubItemField > fieldCount) {
        for (qsizetype k = isNew ? 0 : 1; k < fields.size(); ++k) {
            if (fields.at(k) > fieldCount) {
                return QCoreApplication::translate(
                           "StatusReply", "The row has %1 fields; column \"%2\" shows field %3.")
                    .arg(fieldCount)
                    .arg(plan.keys().at(k))
                    .arg(fields.at(k));
            }
        }
    }
    if (!plan.walkFailure().isEmpty())
        return plan.walkFailure();
    return std::nullopt;
}

QByteArray displayed(QByteArrayView field)
{
    QByteArray out(display::displayedRoom(field), Qt::Uninitialized);
    out.truncate(display::writeDisplayed(out.data(), field) - out.data());
    return out;
}

// Builds one snapshot; the state of a single build.
class Builder {
public:
    Builder(const SnapshotPtr& before, const QByteArray& reply, const ColumnPlan& plan,
            bool withLog)
        : m_before(*before), m_plan(plan), m_withLog(withLog), m_next(new ListSnapshot)
    {
        m_result.change.before = before;
        m_result.logLines = LogBatch(withLog ? reply : QByteArray());
        m_next->reply = reply;
        m_next->plan = plan.key();
        m_next->mainTexts = m_before.mainTexts;
        m_samePlan = m_before.plan == m_next->plan;
        m_prevCount = m_before.rows.size();
        // Room for a few new items; a first fill is counted, so a long one is not moved as it
        // grows (a reply's lines are as many as its rows, or more).
        m_rows.reserve(m_prevCount == 0 ? std::size_t(std::count(reply.begin(), reply.end(), '\n'))
                                        : m_prevCount + m_prevCount / 8 + 16);
        m_rows.assign(m_before.rows.begin(), m_before.rows.end());
        m_state.assign(m_prevCount, 0);
        for (qsizetype k = 1; k < plan.fields().size(); ++k)
            m_maxSubItemField = std::max(m_maxSubItemField, plan.fields().at(k));
        m_readFields = {plan.keptField(KeptField::DownloadSpeed),
                        plan.keptField(KeptField::UploadSpeed), plan.keptField(KeptField::Status),
                        plan.keptField(KeptField::Progress),
                        plan.fields().isEmpty() ? 0 : plan.fields().first()};
    }

    SnapshotBuild run();

private:
    enum : quint8 { Seen = 1, Changed = 2, Updated = 4 };
    enum { DownloadSpeed, UploadSpeed, Status, Progress, MainText };
    using Found = std::array<QByteArrayView, 5>;

    void fail(const QString& description)
    {
        m_result.error = QCoreApplication::translate("StatusReply", "Error - ") + description;
        if (m_withLog)
            m_result.logLines.add({}, m_result.error.toLatin1());
    }
    // The row of the previous list carrying this identifier, or -1.
    int findBefore(QByteArrayView id)
    {
        if (m_nextBefore < m_before.count() && m_before.hasId(m_nextBefore, id)) {
            // Replies keep the list's order: the old rows a few ahead are the ones read next,
            // at their start (the main text) and end (the identifier), out of the cache by now.
            if (const std::size_t ahead = std::size_t(m_nextBefore) + 4;
                ahead < m_before.rows.size()) {
                const QByteArrayView text = m_before.rowText(m_before.rows[ahead]);
                __builtin_prefetch(text.data());
                __builtin_prefetch(text.data() + text.size() - 1);
            }
            return m_nextBefore++;
        }
        const int row = m_before.find(id);
        m_nextBefore = row + 1;
        return row;
    }
    // The item's row text: in the previous list's buffers until this reply reached it.
    QByteArrayView textOf(const ListSnapshot::Row& item, bool fromBefore) const
    {
        return fromBefore ? m_before.rowText(item) : rowInReply(item);
    }
    QByteArrayView rowInReply(const ListSnapshot::Row& item) const
    {
        return QByteArrayView(m_next->reply).sliced(item.at, item.length);
    }
    // Keeps the item's main text over a new row: the row's own main field while it stays the
    // same, else the text the item showed.
    void keepMainText(ListSnapshot::Row& item, bool fromBefore, const Found& found);
    void fill(ListSnapshot::Row& item, QByteArrayView row, quint64 hash, QByteArrayView id,
              const Found& found) const;
    // Whether a sub-item the plan shows reads differently in the new row than in the item's.
    bool showsDifferently(QByteArrayView old, QByteArrayView row);
    // Whether the item's change must be reported: only the ends of the changed range matter,
    // and only until the range is long, so a row inside it is not compared.
    bool reportChange(int before, QByteArrayView old, QByteArrayView row);
    void finish();
    void settleUnreached();
    void compose();

    const ListSnapshot& m_before;
    const ColumnPlan& m_plan;
    bool m_withLog;
    std::shared_ptr<ListSnapshot> m_next;
    SnapshotBuild m_result;
    bool m_samePlan = false;
    int m_maxSubItemField = 0;
    // The fields each row is read for: download and upload speed, status, progress (data fields
    // only), and the main text's.
    std::array<int, 5> m_readFields{};
    int m_nextBefore = 0;
    // The previous list's items, updated in place, then the items new in this reply.
    std::vector<ListSnapshot::Row> m_rows;
    std::size_t m_prevCount = 0;
    std::vector<quint8> m_state; // per item of the previous list: Seen, Updated, Changed
    TorrentIdIndex m_addedIndex; // identifier -> the k-th new item
    int m_dirtyFirst = -1;       // rows of the previous list reported changed, first..last
    int m_dirtyLast = -1;
    std::vector<QByteArrayView> m_oldFields;
    std::vector<QByteArrayView> m_newFields;
    QByteArray m_oldShown;
    QByteArray m_newShown;
};

bool Builder::showsDifferently(QByteArrayView old, QByteArrayView row)
{
    replyrows::splitFields(old, m_oldFields);
    replyrows::splitFields(row, m_newFields);
    const QList<int>& fields = m_plan.fields();
    for (qsizetype k = 1; k < fields.size(); ++k) {
        const std::size_t at = std::size_t(fields.at(k) - 1);
        const QByteArrayView was = at < m_oldFields.size() ? m_oldFields[at] : QByteArrayView();
        const QByteArrayView now = m_newFields[at];
        if (was == now)
            continue;
        const QByteArrayView shownWas = display::displayInto(m_oldShown, was);
        const QByteArrayView shownNow = display::displayInto(m_newShown, now);
        if (shownWas != shownNow)
            return true;
    }
    return false;
}

bool Builder::reportChange(int before, QByteArrayView old, QByteArrayView row)
{
    const bool inside = m_dirtyFirst >= 0 && ((m_dirtyFirst <= before && before <= m_dirtyLast) ||
                                              m_dirtyLast - m_dirtyFirst >= manyChangedRows);
    if (!inside && m_samePlan && !showsDifferently(old, row))
        return false;
    m_dirtyFirst = m_dirtyFirst < 0 ? before : std::min(m_dirtyFirst, before);
    m_dirtyLast = std::max(m_dirtyLast, before);
    return true;
}

void Builder::keepMainText(ListSnapshot::Row& item, bool fromBefore, const Found& found)
{
    if (item.mainText != 0)
        return; // already its own text
    // Compared by the hash the item was filled with, so the old row is read only when it changed.
    // A main field past the row's end is not found and not the same.
    if ((m_samePlan || !fromBefore) && found[MainText].data() != nullptr &&
        item.mainHash == ListSnapshot::rowHash(found[MainText]))
        return;
    const ColumnPlan::Key& filledUnder = fromBefore ? m_before.plan : m_next->plan;
    const QByteArrayView old =
        replyrows::fieldAt(textOf(item, fromBefore), filledUnder.fields.first());
    m_next->mainTexts.push_back(displayed(old));
    item.mainText = static_cast<quint32>(m_next->mainTexts.size());
}

void Builder::fill(ListSnapshot::Row& item, QByteArrayView row, quint64 hash, QByteArrayView id,
                   const Found& found) const
{
    item.at = static_cast<quint32>(row.data() - m_next->reply.constData());
    item.length = static_cast<quint32>(row.size());
    item.rowHash = hash;
    item.idLength = static_cast<quint32>(id.size());
    item.idHead = ListSnapshot::idHead(id);
    item.mainHash = found[MainText].data() ? ListSnapshot::rowHash(found[MainText]) : 0;
    item.downloadSpeed = static_cast<float>(view::bytesPerSecond(found[DownloadSpeed]));
    item.uploadSpeed = static_cast<float>(view::bytesPerSecond(found[UploadSpeed]));
    item.complete = view::isComplete(found[Status], found[Progress]);
}

SnapshotBuild Builder::run()
{
    if (m_withLog)
        m_result.logLines.add("Got Message: ", m_next->reply);
    const auto addedId = [this](int r) {
        const ListSnapshot::Row& item = m_rows[m_prevCount + std::size_t(r)];
        return rowInReply(item).last(item.idLength);
    };

    // Rows are the lines after the first; empty ones are skipped. A failing row, or a layout
    // that shows no column, ends the reply there.
    replyrows::RowReader rows(m_next->reply);
    for (QByteArrayView row; rows.next(row);) {
        if (row.isEmpty())
            continue;
        // The identifier ends the row; the rest is read only from a row that changed.
        const QByteArrayView id = replyrows::lastField(row);
        if (m_withLog) {
            m_result.logLines.add("Row: ", row);
            m_result.logLines.add("Row contains cols: ", replyrows::countBars(row));
        }
        if (m_plan.start() == ColumnPlan::Start::NoneShown) {
            // Ends quietly: the list stays as it was, nothing removed.
            m_result.change.after = m_result.change.before;
            return std::move(m_result);
        }
        if (m_plan.start() == ColumnPlan::Start::Fails) {
            fail(m_plan.startFailure());
            break;
        }

        const quint64 hash = ListSnapshot::rowHash(row);
        const int before = findBefore(id);
        const int added = before < 0 ? m_addedIndex.find(id, addedId) : -1;
        ListSnapshot::Row* item = before >= 0  ? &m_rows[std::size_t(before)]
                                  : added >= 0 ? &m_rows[m_prevCount + std::size_t(added)]
                                               : nullptr;
        const bool fromBefore = before >= 0 && !(m_state[std::size_t(before)] & Seen);
        const bool sameText = item && item->rowHash == hash && (m_samePlan || !fromBefore);
        if (sameText) {
            // The same bytes: only where they are changes, so the old reply can go.
            item->at = static_cast<quint32>(row.data() - m_next->reply.constData());
            if (before >= 0)
                m_state[std::size_t(before)] |= Seen;
            continue;
        }
        const qsizetype fieldCount = replyrows::countBars(row) + 1;
        if (const auto failure =
                validateRow(m_plan, fieldCount, item == nullptr, m_maxSubItemField)) {
            fail(*failure);
            break;
        }
        Found found;
        replyrows::fieldsAt(row, m_readFields, found);
        // Kept fields are data fields: never the identifier after the last bar.
        for (int k : {DownloadSpeed, UploadSpeed, Status, Progress}) {
            if (found[std::size_t(k)].end() == row.end())
                found[std::size_t(k)] = {};
        }
        if (item) {
            keepMainText(*item, fromBefore, found);
            const bool changed =
                before >= 0 && reportChange(before, textOf(*item, fromBefore), row);
            fill(*item, row, hash, id, found);
            if (before >= 0)
                m_state[std::size_t(before)] |= changed ? Seen | Updated | Changed : Seen | Updated;
            continue;
        }
        ListSnapshot::Row fresh;
        fill(fresh, row, hash, id, found);
        m_rows.push_back(fresh);
        const int at = static_cast<int>(m_rows.size() - m_prevCount) - 1;
        m_addedIndex.insert(id, at, addedId);
    }
    finish();
    return std::move(m_result);
}

void Builder::settleUnreached()
{
    // Items a failing reply did not reach keep their row: copied, as the old reply goes.
    qsizetype room = 0;
    for (std::size_t r = 0; r < m_prevCount; ++r) {
        if (!(m_state[r] & Seen))
            room += m_rows[r].length;
    }
    m_next->carry.reserve(room);
    for (std::size_t r = 0; r < m_prevCount; ++r) {
        if (m_state[r] & Seen)
            continue;
        ListSnapshot::Row& item = m_rows[r];
        if (!m_samePlan && item.mainText == 0 && !m_before.plan.fields.isEmpty()) {
            m_next->mainTexts.push_back(displayed(m_before.mainField(item)));
            item.mainText = static_cast<quint32>(m_next->mainTexts.size());
        }
        const QByteArrayView text = m_before.rowText(item);
        item.at = static_cast<quint32>(m_next->carry.size()) | ListSnapshot::inCarry;
        m_next->carry.append(text);
    }
}

void Builder::compose()
{
    ListChange& change = m_result.change;
    const bool removing = m_result.error.isEmpty();
    // The items that stay move up over those that go, in place; the new ones follow.
    std::size_t kept = 0;
    for (std::size_t r = 0; r < m_prevCount; ++r) {
        if (removing && !(m_state[r] & Seen)) {
            // Runs are found front to back and reported last first.
            if (!change.removed.empty() && change.removed.back().second == int(r) - 1)
                change.removed.back().second = int(r);
            else
                change.removed.emplace_back(int(r), int(r));
            continue;
        }
        if (m_state[r] & Changed) {
            if (change.changedFirst < 0)
                change.changedFirst = int(kept);
            change.changedLast = int(kept);
        }
        m_rows[kept++] = m_rows[r];
    }
    std::reverse(change.removed.begin(), change.removed.end());
    change.inserted = static_cast<int>(m_rows.size() - m_prevCount);
    if (kept < m_prevCount) {
        std::copy(m_rows.begin() + std::ptrdiff_t(m_prevCount), m_rows.end(),
                  m_rows.begin() + std::ptrdiff_t(kept));
        m_rows.resize(kept + std::size_t(change.inserted));
    }
    m_next->rows = std::move(m_rows);
}

void Builder::finish()
{
    if (!m_result.error.isEmpty()) {
        // A reply that failed before it changed anything leaves the list as it was.
        const bool changedAny = m_rows.size() > m_prevCount ||
                                std::any_of(m_state.begin(), m_state.end(),
                                            [](quint8 state) { return state & Updated; });
        if (!changedAny) {
            m_result.change.after = m_result.change.before;
            return;
        }
        settleUnreached();
    }
    compose();
    ListSnapshot& next = *m_next;
    ListChange& change = m_result.change;

    // Main texts no item refers to any more are dropped.
    if (!next.mainTexts.empty()) {
        std::vector<QByteArray> kept;
        for (ListSnapshot::Row& item : next.rows) {
            if (item.mainText == 0)
                continue;
            kept.push_back(next.mainTexts[item.mainText - 1]);
            item.mainText = static_cast<quint32>(kept.size());
        }
        next.mainTexts.swap(kept);
    }
    for (const ListSnapshot::Row& item : next.rows) {
        next.downloadTotal += item.downloadSpeed;
        next.uploadTotal += item.uploadSpeed;
    }
    // Items that stay where they were keep their index.
    if (change.removed.empty() && change.inserted == 0 && m_before.index) {
        next.index = m_before.index;
    } else if (m_prevCount == 0) {
        // A first fill: the new items are the rows, in the order they were indexed.
        next.index = std::make_shared<TorrentIdIndex>(std::move(m_addedIndex));
    } else {
        auto index = std::make_shared<TorrentIdIndex>();
        const ListSnapshot* snapshot = m_next.get();
        index->rebuild(next.count(), [snapshot](int r) { return snapshot->id(r); });
        next.index = std::move(index);
    }
    change.after = std::move(m_next);
}

} // namespace

SnapshotBuild buildSnapshot(const SnapshotPtr& before, const QByteArray& reply,
                            const ColumnPlan& plan, bool withLog)
{
    return Builder(before, reply, plan, withLog).run();
}

SnapshotPtr emptySnapshot()
{
    static const SnapshotPtr empty = std::make_shared<const ListSnapshot>();
    return empty;
}

} // namespace tavrin
