// The torrent list: status replies fill and refresh it.
#include "gui/MainWindow.h"

#include "core/log/EventLog.h"
#include "core/platform/Prompter.h"
#include "core/torrents/StatusReplyProcessor.h"
#include "core/torrents/TorrentListModel.h"

#include <QItemSelectionModel>
#include <QTreeView>
#include <optional>

namespace tavrin {

namespace {

// The Tag of the selected item, or nothing.
std::optional<QByteArray> selectedTag(const QTreeView* list, const TorrentListModel* model)
{
    const QModelIndexList rows = list->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return std::nullopt;
    return model->tag(rows.first().row() + 1);
}

} // namespace

void MainWindow::ProcessStatusReply(const QByteArray& reply)
{
    const std::optional<QByteArray> selectedBefore = selectedTag(lv, m_model);
    StatusReplyProcessor processor;
    const StatusReplyOutcome outcome =
        processor.process(reply, m_domColInfo, *m_model, RequestKind::Status, m_clickedPosition);
    // One open of the log per reply; the entries are the same as one write each.
    m_log->writeLogs(outcome.logLines);

    if (!outcome.error.isEmpty()) {
        // A server that keeps sending a bad row must not stack a new box every refresh.
        if (m_replyErrorBoxOpen)
            return;
        m_replyErrorBoxOpen = true;
        m_prompter.showMessage(outcome.error, MessageStyle::Plain, {});
        m_replyErrorBoxOpen = false;
        return;
    }
    if (outcome.selectPosition > 0) {
        lv->selectionModel()->select(m_model->itemIndex(outcome.selectPosition),
                                     QItemSelectionModel::ClearAndSelect |
                                         QItemSelectionModel::Rows);
    } else if (const auto now = selectedTag(lv, m_model); now && now != selectedBefore) {
        // The view moves the selection to a neighbour when the selected item goes; the list
        // selects nothing on its own.
        lv->selectionModel()->clearSelection();
    }
}

} // namespace tavrin
