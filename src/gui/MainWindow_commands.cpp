// The list's context menu: prepared from the clicked torrent's fields, its commands sent
// through the session.
#include "gui/MainWindow.h"

#include "core/torrents/TorrentListModel.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QMenu>
#include <QMouseEvent>
#include <QTreeView>

namespace tavrin {

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (lv && watched == lv->viewport() && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        lv_MouseUp(mouse->button(), mouse->position().toPoint());
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::lv_MouseUp(Qt::MouseButton button, const QPoint& pos, bool showMenu)
{
    if (button != Qt::RightButton)
        return;
    const QModelIndex hit = lv->indexAt(pos);
    if (!hit.isValid())
        return;
    const int position = hit.row() + 1;
    m_clickedPosition = position;

    mnuPriority->menuAction()->setVisible(m_bVersion3);
    const QList<QAction*> priorities = {mnPrioHighest, mnPrioHigh, mnPrioNormal, mnPrioLow,
                                        mnPrioLowest};
    for (QAction* action : priorities)
        action->setChecked(false);
    const QString priority = QString::fromLatin1(m_session->priorityAt(position));
    for (QAction* action : priorities) {
        if (action->text() == priority) {
            action->setChecked(true);
            break;
        }
    }
    const bool paused = m_session->statusAt(position) == QByteArrayView("pause");
    mnUnPause->setVisible(paused);
    mnPause->setVisible(!paused);

    lv->selectionModel()->select(hit,
                                 QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    lv->selectionModel()->setCurrentIndex(hit, QItemSelectionModel::NoUpdate);
    // The commands act on this torrent even if a refresh moves the selection meanwhile.
    m_contextTag = m_model->tag(position);
    m_hasContextTag = true;

    if (showMenu)
        mnContext->exec(lv->viewport()->mapToGlobal(pos));
}

void MainWindow::sendForContextTorrent(Session::TorrentCommand command)
{
    if (m_hasContextTag)
        m_session->sendTorrentCommand(command, m_contextTag);
}

void MainWindow::setContextPriority(const QByteArray& code)
{
    if (m_hasContextTag)
        m_session->setPriority(m_contextTag, code);
}

} // namespace tavrin
