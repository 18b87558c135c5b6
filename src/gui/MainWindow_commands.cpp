// Commands on all torrents, the pause-all and resume-all chains, and the list's context menu.
#include "gui/MainWindow.h"

#include "core/torrents/TorrentListModel.h"
#include "core/net/WireProtocol.h"
#include "core/platform/Prompter.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QTimer>
#include <QTreeView>

namespace tavrin {

namespace {
// Columns read as the torrent's status and priority: the third and the fourth shown.
constexpr int statusColumn = 2;
constexpr int priorityColumn = 3;
} // namespace

int MainWindow::FindActiveTorrent(int position) const
{
    const int count = m_model->count();
    while (position <= count) {
        const QString status = m_model->text(position, statusColumn).toUpper();
        if (status == QLatin1String("WORKING") || status == QLatin1String("COMPLETED/SEEDING"))
            break;
        ++position;
    }
    return position;
}

void MainWindow::cmdAddLink_Click()
{
    StartRequest(RequestKind::Single, wire::add(txtAddLink->text().toLatin1()));
}

void MainWindow::cmdDeleteCompleted_Click()
{
    StartRequest(RequestKind::Single, wire::deleteCompleted());
}

void MainWindow::cmdQueueAll_Click()
{
    m_prompter.setWaitPointer(true);
    StartRequest(RequestKind::Single, wire::queueAll());
}

void MainWindow::cmdStopAll_Click()
{
    m_prompter.setWaitPointer(true);
    StartRequest(RequestKind::Single, wire::stopAll());
}

void MainWindow::cmdPauseAll_Click()
{
    m_prompter.setWaitPointer(true);
    const int position = FindActiveTorrent(1);
    if (position > m_model->count()) {
        m_prompter.showMessage(QStringLiteral("Nothing to pause!"), MessageStyle::Plain,
                               QStringLiteral("Pause all"));
        return;
    }
    m_chainPosition = position + 1;
    StartRequest(RequestKind::PauseAll, wire::pause(m_model->tag(position)));
}

void MainWindow::cmdUnPauseAll_Click()
{
    m_prompter.setWaitPointer(true);
    Winsock1->setRequestKind(RequestKind::ResumeAll);
    m_chainPosition = 2;
    if (m_model->count() < 1) {
        m_prompter.showMessage(QStringLiteral("There is no torrent in the list to resume."),
                               MessageStyle::Critical, QStringLiteral("ERROR"));
        return;
    }
    StartRequest(RequestKind::ResumeAll, wire::resume(m_model->tag(1)));
}

void MainWindow::runChainStep()
{
    // An error reply ends the chain where it stands.
    if (Winsock1->errorRecognised())
        return;
    const RequestKind kind = Winsock1->requestKind();
    const int count = m_model->count();
    if (kind == RequestKind::ResumeAll) {
        if (m_chainPosition > count) {
            endChain();
            return;
        }
        const QByteArray tag = m_model->tag(m_chainPosition);
        ++m_chainPosition;
        StartRequest(RequestKind::ResumeAll, wire::resume(tag));
    } else if (kind == RequestKind::PauseAll) {
        if (m_chainPosition <= count)
            m_chainPosition = FindActiveTorrent(m_chainPosition);
        if (m_chainPosition > count) {
            endChain();
            return;
        }
        const QByteArray tag = m_model->tag(m_chainPosition);
        ++m_chainPosition;
        StartRequest(RequestKind::PauseAll, wire::pause(tag));
    }
}

void MainWindow::endChain()
{
    StartRequest(RequestKind::Status, wire::query());
    m_prompter.setWaitPointer(false);
}

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
    const QString priority = m_model->text(position, priorityColumn);
    for (QAction* action : priorities) {
        if (action->text() == priority) {
            action->setChecked(true);
            break;
        }
    }
    const bool paused = m_model->text(position, statusColumn) == QLatin1String("pause");
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

void MainWindow::sendForContextTorrent(QByteArray (*command)(QByteArrayView))
{
    if (m_hasContextTag)
        StartRequest(RequestKind::Single, command(m_contextTag));
}

void MainWindow::mnUnPause_Click()
{
    sendForContextTorrent(wire::resume);
}

void MainWindow::mnPause_Click()
{
    sendForContextTorrent(wire::pause);
}

void MainWindow::mnStop_Click()
{
    sendForContextTorrent(wire::stop);
}

void MainWindow::mnQueue_Click()
{
    sendForContextTorrent(wire::queue);
}

void MainWindow::mnDelete_Click()
{
    sendForContextTorrent(wire::remove);
}

void MainWindow::SetPriority(const QByteArray& code)
{
    if (m_hasContextTag)
        StartRequest(RequestKind::Single, wire::priority(m_contextTag, code));
}

} // namespace tavrin
