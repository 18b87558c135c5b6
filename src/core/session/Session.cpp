#include "core/session/Session.h"

#include "core/net/WireProtocol.h"
#include "core/platform/Numbers.h"
#include "core/session/ConnectionFields.h"
#include "core/settings/SettingsKeys.h"
#include "core/settings/SettingsStore.h"
#include "core/torrents/TorrentListModel.h"

#include <QLatin1StringView>
#include <QTimer>
#include <limits>

namespace tavrin {

namespace {

// The longest refresh interval whose milliseconds still fit the timer.
constexpr int maxRefreshSecs = std::numeric_limits<int>::max() / 1000;

bool isActiveStatus(QByteArrayView status)
{
    const QLatin1StringView text(status);
    return text.compare(QLatin1StringView("WORKING"), Qt::CaseInsensitive) == 0 ||
           text.compare(QLatin1StringView("COMPLETED/SEEDING"), Qt::CaseInsensitive) == 0;
}

} // namespace

Session::Session(SettingsStore& settings, const TorrentListModel& model, Options options,
                 QObject* parent)
    : QObject(parent), m_settings(settings), m_model(model), m_options(options),
      m_engine(new RequestEngine(this)), m_refreshTimer(new QTimer(this)),
      m_chainTimer(new QTimer(this))
{
    m_engine->setDeadline(m_options.deadlineMs);
    m_chainTimer->setSingleShot(true);
    // A coarse timer may fire early; the pause between chain steps is at least its figure.
    m_chainTimer->setTimerType(Qt::PreciseTimer);
    // A coarse timer may tick up to 5% early; the refresh interval is the user's figure.
    m_refreshTimer->setTimerType(Qt::PreciseTimer);
    connect(m_refreshTimer, &QTimer::timeout, this, &Session::refresh);
    connect(m_chainTimer, &QTimer::timeout, this, &Session::runChainStep);
    connect(m_engine, &RequestEngine::replyStarted, this, &Session::onReplyStarted);
    connect(m_engine, &RequestEngine::replyCompleted, this, &Session::onReplyCompleted);
    connect(m_engine, &RequestEngine::errorReplyReceived, this, &Session::onErrorReply);
    connect(m_engine, &RequestEngine::socketFailed, this, &Session::onSocketFailed);
}

Session::~Session() = default;

bool Session::chainStepPending() const
{
    return m_chainTimer->isActive();
}

int Session::refreshInterval() const
{
    return m_refreshTimer->interval();
}

int Session::refreshRemainingMs() const
{
    return m_refreshTimer->isActive() ? m_refreshTimer->remainingTime() : -1;
}

QByteArrayView Session::statusAt(int position) const
{
    return m_model.keptField(position, TorrentListModel::KeptField::Status);
}

QByteArrayView Session::priorityAt(int position) const
{
    return m_model.keptField(position, TorrentListModel::KeptField::Priority);
}

int Session::findActiveTorrent(int position) const
{
    const int count = m_model.count();
    while (position <= count && !isActiveStatus(statusAt(position)))
        ++position;
    return position;
}

void Session::connectToServer(const QString& refreshSecs)
{
    // The fields are checked before anything changes, so a typing slip starts nothing.
    if (!fields::port(m_port)) {
        report(fields::badPortText(m_port), MessageStyle::Critical, QStringLiteral("ERROR"));
        return;
    }
    if (!fields::uniqueId(m_uniqueId)) {
        report(fields::badUniqueIdText(m_uniqueId), MessageStyle::Critical,
               QStringLiteral("ERROR"));
        return;
    }
    const auto seconds = toInt32(refreshSecs);
    if (!seconds || *seconds > maxRefreshSecs) {
        report(tr("Refresh (secs): \"%1\" is not a number of seconds from 1 to %2.")
                   .arg(refreshSecs)
                   .arg(maxRefreshSecs),
               MessageStyle::Critical, QStringLiteral("ERROR"));
        return;
    }
    setBusy(true);
    m_settings.write(keys::host, m_host);
    m_settings.write(keys::port, m_port);
    m_settings.write(keys::uniqueId, m_uniqueId);
    m_settings.write(keys::refreshSecs, refreshSecs);
    m_normalIntervalMs = *seconds < 1 ? 1000 : *seconds * 1000;
    m_refreshTimer->setInterval(std::max(m_normalIntervalMs, m_backgroundIntervalMs));
    m_refreshTimer->start();
    setState(State::Polling);
    updateLock();
}

void Session::setBackgroundInterval(int ms)
{
    if (ms == m_backgroundIntervalMs)
        return;
    const bool back = ms < m_backgroundIntervalMs;
    m_backgroundIntervalMs = ms;
    const int interval = std::max(m_normalIntervalMs, ms);
    if (interval == m_refreshTimer->interval())
        return;
    if (!m_refreshTimer->isActive()) {
        m_refreshTimer->setInterval(interval);
        return;
    }
    // Setting the interval starts the wait afresh. In sight again, the list is brought up to
    // date now, then polled at the normal pace.
    m_refreshTimer->setInterval(interval);
    if (back)
        refresh();
}

void Session::addLink(const QString& link)
{
    submit(RequestKind::Single, wire::add(wire::linkBytes(link)));
}

void Session::deleteCompleted()
{
    submit(RequestKind::Single, wire::deleteCompleted());
}

void Session::queueAll()
{
    cancelChain();
    setBusy(true);
    submit(RequestKind::Single, wire::queueAll());
}

void Session::stopAll()
{
    cancelChain();
    setBusy(true);
    submit(RequestKind::Single, wire::stopAll());
}

void Session::sendTorrentCommand(TorrentCommand command, const QByteArray& id)
{
    // A torrent the server calls "ALL" must not make Stop or Delete act on every torrent.
    if (const auto problem = wire::torrentIdProblem(id, wire::IdSource::ServerList, false)) {
        report(*problem, MessageStyle::Critical, QStringLiteral("ERROR"));
        return;
    }
    switch (command) {
    case TorrentCommand::Resume:
        return submit(RequestKind::Single, wire::resume(id));
    case TorrentCommand::Pause:
        return submit(RequestKind::Single, wire::pause(id));
    case TorrentCommand::Stop:
        return submit(RequestKind::Single, wire::stop(id));
    case TorrentCommand::Queue:
        return submit(RequestKind::Single, wire::queue(id));
    case TorrentCommand::Delete:
        return submit(RequestKind::Single, wire::remove(id));
    }
}

void Session::setPriority(const QByteArray& id, const QByteArray& code)
{
    if (const auto problem = wire::torrentIdProblem(id, wire::IdSource::ServerList, true)) {
        report(*problem, MessageStyle::Critical, QStringLiteral("ERROR"));
        return;
    }
    submit(RequestKind::Single, wire::priority(id, code));
}

void Session::startPauseAll()
{
    setBusy(true);
    const int position = findActiveTorrent(1);
    if (position > m_model.count()) {
        report(tr("Nothing to pause!"), MessageStyle::Plain, tr("Pause all"));
        return;
    }
    startChain(RequestKind::PauseAll, wire::pause(m_model.torrentId(position)), position + 1);
}

void Session::startResumeAll()
{
    setBusy(true);
    if (m_model.count() < 1) {
        report(tr("There is no torrent in the list to resume."), MessageStyle::Critical,
               QStringLiteral("ERROR"));
        return;
    }
    startChain(RequestKind::ResumeAll, wire::resume(m_model.torrentId(1)), 2);
}

void Session::startChain(RequestKind kind, const QByteArray& firstCommand, int nextPosition)
{
    cancelChain();
    m_chain = kind;
    m_chainPosition = nextPosition;
    Q_EMIT chainStep(kind, nextPosition - 1, m_model.count());
    enqueue({kind, firstCommand});
}

void Session::cancelChain()
{
    if (!chainRunning())
        return;
    m_chainTimer->stop();
    m_chain = RequestKind::Status;
    setBusy(false);
    // Ticks were held while the chain ran; polling goes on from here.
    if (m_state == State::Polling)
        m_refreshTimer->start();
    Q_EMIT chainEnded();
}

void Session::submit(RequestKind kind, const QByteArray& command)
{
    cancelChain();
    enqueue({kind, command});
}

void Session::enqueue(const Request& request)
{
    // A status query may give way to the user's command; the next tick asks again.
    if (m_current && m_current->kind == RequestKind::Status) {
        m_engine->abandon();
        m_current.reset();
    }
    m_queue.append(request);
    sendNext();
}

void Session::refresh()
{
    if (m_state != State::Polling || m_boxOpen || chainRunning())
        return;
    // A status query in flight is never abandoned by a tick: its reply may be slow.
    if (m_current) {
        if (m_current->kind != RequestKind::Status)
            m_tickHeld = true;
        return;
    }
    send({RequestKind::Status, wire::query()});
}

void Session::sendNext()
{
    if (m_current || m_boxOpen || m_chainTimer->isActive())
        return;
    if (!m_queue.isEmpty()) {
        send(m_queue.takeFirst());
        return;
    }
    if (m_tickHeld) {
        m_tickHeld = false;
        if (m_state == State::Polling && !chainRunning())
            send({RequestKind::Status, wire::query()});
    }
}

void Session::send(const Request& request)
{
    const auto port = fields::port(m_port);
    if (!port) {
        stopAndReport(Failure::BadField, fields::badPortText(m_port));
        return;
    }
    const auto uniqueId = fields::uniqueId(m_uniqueId);
    if (!uniqueId) {
        stopAndReport(Failure::BadField, fields::badUniqueIdText(m_uniqueId));
        return;
    }
    m_current = request;
    Q_EMIT commandSent(request.command);
    m_engine->startRequest(request.command, m_host, *port, *uniqueId);
}

void Session::queryStatus()
{
    submit(RequestKind::Status, wire::query());
}

void Session::onReplyStarted()
{
    if (m_current && chainRunning() && m_current->kind == m_chain)
        m_chainTimer->start(m_options.chainDelayMs);
}

void Session::onReplyCompleted(const QByteArray& reply)
{
    if (!m_current)
        return;
    const RequestKind kind = m_current->kind;
    m_current.reset();
    if (kind == RequestKind::Status) {
        const bool first = !m_listShown;
        m_listShown = true;
        updateLock();
        if (first)
            Q_EMIT listAreaShown();
        Q_EMIT statusReplyArrived(reply);
        setBusy(false);
    } else if (chainRunning() && kind == m_chain && reply.isEmpty()) {
        // The next step runs on the data of a reply; a reply without any ends the chain.
        cancelChain();
    } else if (kind == RequestKind::Single) {
        // No status reply will follow to clear the pointer.
        if (m_state != State::Polling && !chainRunning())
            setBusy(false);
        Q_EMIT commandReplied(reply);
    }
    sendNext();
}

void Session::onErrorReply(const QByteArray& message)
{
    stopAndReport(Failure::ErrorReply, QStringLiteral("ERROR: ") + QString::fromLatin1(message));
}

void Session::onSocketFailed(const QString& description, bool refused)
{
    stopAndReport(refused ? Failure::Refused : Failure::SocketError,
                  QStringLiteral("SOCKET ERROR: ") + description);
}

void Session::runChainStep()
{
    if (!chainRunning())
        return;
    // The step ends the previous exchange, whether or not the server has closed it.
    m_engine->abandon();
    m_current.reset();
    const int count = m_model.count();
    if (m_chain == RequestKind::PauseAll && m_chainPosition <= count)
        m_chainPosition = findActiveTorrent(m_chainPosition);
    if (m_chainPosition > count) {
        endChain();
        return;
    }
    const QByteArray id = m_model.torrentId(m_chainPosition);
    Q_EMIT chainStep(m_chain, m_chainPosition, count);
    ++m_chainPosition;
    send({m_chain, m_chain == RequestKind::PauseAll ? wire::pause(id) : wire::resume(id)});
}

void Session::endChain()
{
    m_chain = RequestKind::Status;
    // Polling resumes one interval after the chain's own status query.
    if (m_state == State::Polling)
        m_refreshTimer->start();
    setBusy(false);
    Q_EMIT chainEnded();
    send({RequestKind::Status, wire::query()});
}

void Session::stopAndReport(Failure failure, const QString& text)
{
    shutDown();
    setState(State::Stopped);
    updateLock();
    setBusy(false);
    Q_EMIT failed(failure, text);
    // A refused connection is told by nothing but the stopped polling.
    if (failure == Failure::Refused)
        return;
    if (failure == Failure::SocketError && m_quietNetworkFailures)
        Q_EMIT logEntry(text);
    else
        report(text, MessageStyle::Critical, QStringLiteral("ERROR"));
}

void Session::shutDown()
{
    m_refreshTimer->stop();
    m_chainTimer->stop();
    const bool chainWasRunning = chainRunning();
    m_chain = RequestKind::Status;
    if (chainWasRunning)
        Q_EMIT chainEnded();
    m_engine->abandon();
    m_current.reset();
    m_queue.clear();
    m_tickHeld = false;
}

void Session::report(const QString& text, MessageStyle style, const QString& title, Logging logging)
{
    if (logging == Logging::Write)
        Q_EMIT logEntry(text);
    // A box already open is the one the user sees; closing it must not uncover a stale one.
    if (m_boxOpen)
        return;
    m_boxOpen = true;
    Q_EMIT message(text, style, title);
    m_boxOpen = false;
    sendNext();
}

void Session::setState(State state)
{
    if (state == m_state)
        return;
    m_state = state;
    Q_EMIT stateChanged(state);
}

void Session::setBusy(bool busy)
{
    if (busy == m_busy)
        return;
    m_busy = busy;
    Q_EMIT busyChanged(busy);
}

void Session::updateLock()
{
    if (fieldsLocked() == m_locked)
        return;
    m_locked = fieldsLocked();
    Q_EMIT fieldsLockedChanged(m_locked);
}

} // namespace tavrin
