#include "core/torrents/StatusReplyProcessor.h"

#include "core/columns/ColumnPlan.h"
#include "core/torrents/TorrentListModel.h"

namespace tavrin {

StatusReplyOutcome StatusReplyProcessor::process(const QByteArray& reply,
                                                 const pugi::xml_document& layout,
                                                 TorrentListModel& model, RequestKind kind,
                                                 int clickedPosition)
{
    if (kind != RequestKind::Status) {
        StatusReplyOutcome outcome{LogBatch(m_withLog ? reply : QByteArray()), {}, 0};
        if (m_withLog)
            outcome.logLines.add("Got Message: ", reply);
        return outcome;
    }
    SnapshotBuild build =
        buildSnapshot(model.snapshot(), reply, ColumnPlan::resolve(layout), m_withLog);
    return applyBuild(std::move(build), model, clickedPosition);
}

StatusReplyOutcome StatusReplyProcessor::process(QByteArrayView reply,
                                                 const pugi::xml_document& layout,
                                                 TorrentListModel& model, RequestKind kind,
                                                 int clickedPosition)
{
    return process(reply.toByteArray(), layout, model, kind, clickedPosition);
}

StatusReplyOutcome StatusReplyProcessor::applyBuild(SnapshotBuild build, TorrentListModel& model,
                                                    int clickedPosition)
{
    StatusReplyOutcome outcome{std::move(build.logLines), build.error, 0};
    model.apply(build.change);
    // A reply that failed, or ended quietly, selects nothing again.
    const bool whole = build.error.isEmpty() && build.change.after != build.change.before;
    if (whole && clickedPosition > 0 && model.count() >= clickedPosition)
        outcome.selectPosition = clickedPosition;
    return outcome;
}

} // namespace tavrin
