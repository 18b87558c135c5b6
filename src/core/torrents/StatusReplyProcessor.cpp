#include "core/torrents/StatusReplyProcessor.h"

#include "core/columns/ColumnPlan.h"
#include "core/torrents/ReplyRows.h"
#include "core/torrents/TorrentListModel.h"

#include <optional>

namespace tavrin {

StatusReplyOutcome StatusReplyProcessor::process(const QByteArray& reply,
                                                 const pugi::xml_document& layout,
                                                 TorrentListModel& model, RequestKind kind,
                                                 int clickedPosition)
{
    // The log refers to the reply's own bytes instead of copying them.
    StatusReplyOutcome outcome{LogBatch(m_withLog ? reply : QByteArray()), {}, 0};
    run(reply, layout, model, kind, clickedPosition, outcome);
    return outcome;
}

StatusReplyOutcome StatusReplyProcessor::process(QByteArrayView reply,
                                                 const pugi::xml_document& layout,
                                                 TorrentListModel& model, RequestKind kind,
                                                 int clickedPosition)
{
    StatusReplyOutcome outcome;
    run(reply, layout, model, kind, clickedPosition, outcome);
    return outcome;
}

namespace {

// Why the row cannot be applied under the plan, or nothing. A found item keeps its main text,
// so only a new one needs the main text's field.
std::optional<QString> validateRow(const ColumnPlan& plan, qsizetype fieldCount, bool isNew,
                                   int maxSubItemField)
{
    const QList<int>& fields = plan.fields();
    if ((isNew && fields.first() > fieldCount) || maxSubItemField > fieldCount) {
        for (qsizetype k = isNew ? 0 : 1; k < fields.size(); ++k) {
            if (fields.at(k) > fieldCount) {
                return QStringLiteral("The row has %1 fields; column \"%2\" shows field %3.")
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

} // namespace

void StatusReplyProcessor::run(QByteArrayView reply, const pugi::xml_document& layout,
                               TorrentListModel& model, RequestKind kind, int clickedPosition,
                               StatusReplyOutcome& outcome)
{
    if (m_withLog)
        outcome.logLines.add("Got Message: ", reply);
    if (kind != RequestKind::Status)
        return;

    const ColumnPlan plan = ColumnPlan::resolve(layout);
    const QList<int>& fields = plan.fields();
    model.beginReply(plan.key());
    int maxSubItemField = 0;
    for (qsizetype k = 1; k < fields.size(); ++k)
        maxSubItemField = std::max(maxSubItemField, fields.at(k));

    const auto fail = [&](const QString& description) {
        outcome.error = QStringLiteral("Error - ") + description;
        if (m_withLog)
            outcome.logLines.add({}, outcome.error.toLatin1());
    };

    // Rows are the lines after the first; empty ones are skipped. A failing row, or a layout
    // that shows no column, ends the reply there.
    replyrows::RowReader rows(reply);
    for (QByteArrayView row; rows.next(row);) {
        if (row.isEmpty())
            continue;
        const qsizetype fieldCount = replyrows::countBars(row) + 1;
        if (m_withLog) {
            outcome.logLines.add("Row: ", row);
            outcome.logLines.add("Row contains cols: ", static_cast<qint64>(fieldCount - 1));
        }
        if (plan.start() == ColumnPlan::Start::NoneShown) {
            model.endReply(); // ends quietly: no removal pass, no reselection
            return;
        }
        if (plan.start() == ColumnPlan::Start::Fails) {
            fail(plan.startFailure());
            break;
        }

        const QByteArrayView id = replyrows::lastField(row);
        const int position = model.findTorrent(id);
        const quint64 hash = TorrentListModel::rowHash(row);
        if (position > 0 && model.isUnchanged(position, hash)) {
            model.markSeen(position);
            continue;
        }
        if (const auto failure = validateRow(plan, fieldCount, position == 0, maxSubItemField)) {
            fail(*failure);
            break;
        }

        // Kept fields are data fields: never the identifier after the last bar.
        std::array<int, keptFieldCount> keptNumbers = plan.keptFields();
        for (int& number : keptNumbers) {
            if (number >= fieldCount)
                number = 0;
        }
        // The list keeps status and priority and the speeds' meaning; the rest it looks up.
        keptNumbers[keptIndex(KeptField::Name)] = 0;
        keptNumbers[keptIndex(KeptField::Progress)] = 0;
        KeptFields keptFields;
        replyrows::fieldsAt(row, keptNumbers, keptFields);
        if (position > 0)
            model.updateItem(position, row, hash, keptFields);
        else
            model.addItem(row, hash, id, replyrows::fieldAt(row, fields.first()), keptFields);
    }
    if (!outcome.error.isEmpty()) {
        model.endReply();
        return;
    }

    model.removeUnseen();
    model.endReply();
    if (clickedPosition > 0 && model.count() >= clickedPosition)
        outcome.selectPosition = clickedPosition;
}

} // namespace tavrin
