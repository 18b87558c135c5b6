#include "core/torrents/TorrentListUpdater.h"

#include "core/log/EventLog.h"
#include "core/torrents/StatusReplyProcessor.h"
#include "core/torrents/TorrentListModel.h"
#include "core/view/TorrentViewModel.h"

#ifdef Q_OS_LINUX
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace tavrin {

TorrentListUpdater::TorrentListUpdater(TorrentListModel& model, const pugi::xml_document& layout,
                                       EventLog* log, QObject* parent)
    : QObject(parent), m_model(model), m_layout(layout), m_log(log)
{
}

TorrentListUpdater::~TorrentListUpdater()
{
    if (!m_intake.joinable())
        return;
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    m_intake.join(); // a build under way ends first; what it posted goes with this object
}

TorrentListUpdater::Result TorrentListUpdater::apply(const QByteArray& reply)
{
    ++m_ticket; // a reply taken in at once overtakes any still being built
    return conclude(
        buildSnapshot(m_model.snapshot(), reply, ColumnPlan::resolve(m_layout), withLog()));
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
    if (!m_intake.joinable())
        m_intake = std::thread([this] { intakeLoop(); });
    m_building = true;
    // The layout document belongs to this thread: its plan is worked out here.
    Job job{m_model.snapshot(), reply, ColumnPlan::resolve(m_layout), withLog(), m_ticket, {}, {}};
    if (m_view && (m_view->sortColumn() >= 0 || m_view->filter().isActive())) {
        job.choice = m_view->choice();
        job.hashes = m_view->factHashes();
    }
    {
        const std::lock_guard lock(m_mutex);
        m_job = std::move(job);
    }
    m_wake.notify_one();
}

void TorrentListUpdater::intakeLoop()
{
#ifdef Q_OS_LINUX
    // Yields to the window thread, so the window is not kept waiting while a list is taken in
    // (the nice value is per thread on Linux).
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), getpriority(PRIO_PROCESS, 0) + 5);
#endif
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_job.has_value() || m_stopping; });
        if (m_stopping)
            return;
        Job job = std::move(*m_job);
        m_job.reset();
        lock.unlock();
        const quint64 ticket = job.ticket;
        SnapshotBuild build = buildSnapshot(job.before, job.reply, job.plan, job.withLog);
        std::unique_ptr<view::ChangedRowFacts> facts;
        if (job.choice && build.change.after != build.change.before)
            facts = view::changedRowFacts(build.change, *job.choice, job.hashes);
        job = {}; // the list it was built on is not held longer than needed
        lock.lock();
        m_built = Built{std::move(build), std::move(facts), ticket};
        // Named, so that the call is queued by Qt alone; collect() takes the build under the lock.
        QMetaObject::invokeMethod(this, "collect", Qt::QueuedConnection);
    }
}

void TorrentListUpdater::collect()
{
    std::optional<Built> built;
    {
        const std::lock_guard lock(m_mutex);
        built.swap(m_built);
    }
    if (!built)
        return;
    m_building = false;
    // Built on a list that has changed since (emptied, or overtaken) or cancelled: dropped.
    if (built->ticket == m_ticket && built->build.change.before == m_model.snapshot()) {
        Q_EMIT aboutToApply();
        if (m_view && built->facts)
            m_view->offerFacts(std::move(built->facts));
        const Result result = conclude(std::move(built->build));
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
