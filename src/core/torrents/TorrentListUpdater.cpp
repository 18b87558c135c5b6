#include "core/torrents/TorrentListUpdater.h"

#include "core/log/EventLog.h"
#include "core/torrents/StatusReplyProcessor.h"
#include "core/torrents/TorrentListModel.h"
#include "core/view/TorrentViewModel.h"


namespace tavrin {

TorrentListUpdater::TorrentListUpdater(TorrentListModel& model, const pugi::xml_document& layout,
                                       EventLog* log, QObject* parent)
    : QObject(parent), m_model(model), m_layout(layout), m_log(log)
{
}

TorrentListUpdater::~TorrentListUpdater()
{
    if (m_thread.isRunning()) {
        m_thread.quit();
        m_thread.wait(); // a build under way holds the list it was built on
    }
}

TorrentListUpdater::Result TorrentListUpdater::apply(const QByteArray& reply)
{
    ++m_ticket; // a reply taken in at once overtakes any still being built
    return conclude(buildSnapshot(m_model.snapshot(), reply, ColumnPlan::resolve(m_layout),
                                  withLog()));
}

void TorrentListUpdater::submit(const QByteArray& reply)
{
    if (m_building) {
        m_waiting = reply; // an older waiting reply is out of date
        return;
    }
    start(reply);
}

void TorrentListUpdater::cancel()
{
    ++m_ticket;
    m_waiting.reset();
}

void TorrentListUpdater::start(const QByteArray& reply)
{
    if (!m_worker) {
        m_worker = new QObject;
        m_worker->moveToThread(&m_thread);
        connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
        m_thread.setObjectName(QStringLiteral("list intake"));
        m_thread.start();
    }
    m_building = true;
    // The layout document belongs to this thread: its plan is worked out here.
    const ColumnPlan plan = ColumnPlan::resolve(m_layout);
    const SnapshotPtr before = m_model.snapshot();
    const bool log = withLog();
    const quint64 ticket = m_ticket;
    QMetaObject::invokeMethod(m_worker, [this, before, reply, plan, log, ticket] {
        SnapshotBuild build = buildSnapshot(before, reply, plan, log);
        // The updater waits for this thread before it goes, so it is still there; what it has
        // not received by then is dropped with it.
        QMetaObject::invokeMethod(
            this,
            [this, build = std::move(build), ticket]() mutable {
                finish(std::move(build), ticket);
            },
            Qt::QueuedConnection);
    });
}

void TorrentListUpdater::finish(SnapshotBuild build, quint64 ticket)
{
    m_building = false;
    // Built on a list that has changed since (emptied, or overtaken) or cancelled: dropped.
    if (ticket == m_ticket && build.change.before == m_model.snapshot()) {
        Q_EMIT aboutToApply();
        const Result result = conclude(std::move(build));
        Q_EMIT applied(result);
    }
    if (m_waiting) {
        const QByteArray next = std::move(*m_waiting);
        m_waiting.reset();
        start(next);
    }
}

TorrentListUpdater::Result TorrentListUpdater::conclude(SnapshotBuild build)
{
    StatusReplyOutcome outcome =
        StatusReplyProcessor::applyBuild(std::move(build), m_model, m_clickedPosition);
    // One open of the log per reply; the entries are the same as one write each.
    if (m_log && !outcome.logLines.isEmpty())
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
