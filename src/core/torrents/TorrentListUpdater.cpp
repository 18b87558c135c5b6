#include "core/torrents/TorrentListUpdater.h"

#include "core/log/EventLog.h"
#include "core/torrents/StatusReplyProcessor.h"
#include "core/view/TorrentViewModel.h"

namespace tavrin {

TorrentListUpdater::Result TorrentListUpdater::apply(const QByteArray& reply)
{
    StatusReplyProcessor processor(m_log != nullptr && m_logReplies);
    StatusReplyOutcome outcome =
        processor.process(reply, m_layout, m_model, RequestKind::Status, m_clickedPosition);
    // One open of the log per reply; the entries are the same as one write each.
    if (m_log && m_logReplies)
        m_log->writeLogs(std::move(outcome.logLines));
    // Without the replies' text, a bad row is still an error the log keeps.
    else if (m_log && !outcome.error.isEmpty())
        m_log->writeLog(outcome.error);
    int select = outcome.selectPosition;
    if (m_view && select > m_view->shownCount())
        select = 0;
    return {outcome.error, select};
}

} // namespace tavrin
