#include "core/torrents/StatusReplyProcessor.h"

#include "core/columns/ColumnPlan.h"
#include "core/torrents/TorrentListModel.h"

#include <algorithm>
#include <cstring>

namespace tavrin {

namespace {

// The next LF at or after `from`, or the end.
qsizetype lineEnd(QByteArrayView text, qsizetype from)
{
    if (from >= text.size())
        return text.size();
    const void* found =
        std::memchr(text.data() + from, '\n', static_cast<size_t>(text.size() - from));
    return found ? static_cast<const char*>(found) - text.data() : text.size();
}

void splitFields(QByteArrayView row, QList<QByteArrayView>& fields)
{
    fields.clear();
    const char* start = row.data();
    const char* end = start + row.size();
    for (;;) {
        const void* bar = std::memchr(start, '|', static_cast<size_t>(end - start));
        if (!bar) {
            fields.append(QByteArrayView(start, end - start));
            return;
        }
        const char* at = static_cast<const char*>(bar);
        fields.append(QByteArrayView(start, at - start));
        start = at + 1;
    }
}

QByteArrayView lastField(QByteArrayView row)
{
    const qsizetype bar = row.lastIndexOf('|');
    return bar < 0 ? row : row.sliced(bar + 1);
}

} // namespace

void StatusReplyProcessor::log(StatusReplyOutcome& outcome, QByteArrayView prefix,
                               QByteArrayView text) const
{
    if (!m_withLog)
        return;
    QByteArray line;
    line.reserve(prefix.size() + text.size());
    line.append(prefix).append(text);
    outcome.logLines.append(std::move(line));
}

StatusReplyOutcome StatusReplyProcessor::process(QByteArrayView reply,
                                                 const pugi::xml_document& layout,
                                                 TorrentListModel& model, RequestKind kind,
                                                 int clickedPosition)
{
    StatusReplyOutcome outcome;
    log(outcome, "Got Message: ", reply);
    if (kind != RequestKind::Status)
        return outcome;

    const ColumnPlan plan = ColumnPlan::resolve(layout);
    const QList<int>& fields = plan.fields();
    // A plan whose walk fails never applied a row, so it must not match a plan that did.
    QList<int> planKey = fields;
    if (!plan.walkFailure().isEmpty())
        planKey.append(-1);
    model.beginReply(planKey);

    const auto fail = [&](const QString& description) {
        model.endReply();
        outcome.error = QStringLiteral("Error - ") + description;
        if (m_withLog)
            outcome.logLines.append(outcome.error.toLatin1());
        return outcome;
    };

    // Rows are the lines after the first; empty ones are skipped.
    qsizetype start = lineEnd(reply, 0) + 1;
    while (start <= reply.size()) {
        const qsizetype end = lineEnd(reply, start);
        const QByteArrayView row = reply.sliced(start, end - start);
        start = end + 1;
        if (row.isEmpty())
            continue;

        if (m_withLog) {
            log(outcome, "Row: ", row);
            const auto bars = std::count(row.begin(), row.end(), '|');
            log(outcome, "Row contains cols: ", QByteArray::number(static_cast<qint64>(bars)));
        }

        if (plan.start() == ColumnPlan::Start::NoneShown) {
            model.endReply();
            return outcome; // ends quietly: no removal pass, no reselection
        }
        if (plan.start() == ColumnPlan::Start::Fails)
            return fail(plan.startFailure());

        const QByteArrayView id = lastField(row);
        const int position = model.findByTag(id);
        if (position > 0 && model.isUnchanged(position, row)) {
            model.markSeen(position);
            continue;
        }

        // Check the whole row before it touches the list.
        splitFields(row, m_fields);
        const qsizetype fieldCount = m_fields.size();
        m_cells.clear();
        for (qsizetype k = 0; k < fields.size(); ++k) {
            const int field = fields.at(k);
            if (k == 0 && position > 0) {
                m_cells.append(QByteArrayView()); // a found item keeps its main text
                continue;
            }
            if (field > fieldCount) {
                return fail(QStringLiteral("The row has %1 fields; column \"%2\" shows field %3.")
                                .arg(fieldCount)
                                .arg(plan.keys().at(k))
                                .arg(field));
            }
            m_cells.append(m_fields.at(field - 1));
        }
        if (!plan.walkFailure().isEmpty())
            return fail(plan.walkFailure());

        if (position > 0)
            model.updateItem(position, row, m_cells);
        else
            model.addItem(id, row, m_cells);
    }

    model.removeUnseen();
    model.endReply();
    if (clickedPosition > 0 && model.count() >= clickedPosition)
        outcome.selectPosition = clickedPosition;
    return outcome;
}

} // namespace tavrin
