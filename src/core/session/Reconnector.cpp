#include "core/session/Reconnector.h"

#include "core/platform/Clock.h"
#include "core/session/Session.h"

#include <QTimer>
#include <algorithm>

namespace tavrin {

namespace {

constexpr int firstDelayMs = 2000;
constexpr int longestDelayMs = 60000;
// More wall-clock time than this beyond what passed means a sleep, not a slow tick.
constexpr qint64 sleepSlackMs = 5000;

} // namespace

Reconnector::Reconnector(Session& session, const Clock& clock, std::function<QString()> refreshSecs,
                         QObject* parent)
    : QObject(parent), m_session(session), m_clock(clock), m_refreshSecs(std::move(refreshSecs)),
      m_retry(new QTimer(this)), m_tick(new QTimer(this))
{
    m_retry->setSingleShot(true);
    connect(m_retry, &QTimer::timeout, this, &Reconnector::retryNow);
    m_tick->setInterval(1000);
    connect(m_tick, &QTimer::timeout, this, [this] {
        checkClock();
        if (isWaiting())
            Q_EMIT waitChanged();
    });
    connect(&session, &Session::failed, this, [this](Session::Failure failure) {
        onFailed(failure == Session::Failure::Refused || failure == Session::Failure::SocketError);
    });
    // An answer ends the trying: the next loss starts from the shortest wait again.
    connect(&session, &Session::statusReplyArrived, this, [this] { m_nextDelayMs = firstDelayMs; });
}

void Reconnector::setEnabled(bool enabled)
{
    m_enabled = enabled;
    m_session.setQuietNetworkFailures(enabled);
    if (!enabled)
        cancel();
}

int Reconnector::secondsLeft() const
{
    if (!isWaiting())
        return -1;
    const qint64 ms = m_clock.now().msecsTo(m_retryAt);
    return static_cast<int>(std::max<qint64>(0, (ms + 999) / 1000));
}

void Reconnector::onFailed(bool network)
{
    if (!m_enabled || !network) {
        cancel();
        return;
    }
    wait();
}

int Reconnector::nextDelayMs(int previousMs)
{
    return previousMs <= 0 ? firstDelayMs : std::min(previousMs * 2, longestDelayMs);
}

void Reconnector::wait()
{
    m_delayMs = m_nextDelayMs;
    m_nextDelayMs = nextDelayMs(m_nextDelayMs);
    m_waitStartedAt = m_clock.now();
    m_retryAt = m_waitStartedAt.addMSecs(m_delayMs);
    m_waitStarted.start();
    m_waiting = true;
    m_retry->start(m_delayMs);
    m_tick->start();
    Q_EMIT waitChanged();
}

void Reconnector::retryNow()
{
    if (!m_waiting)
        return;
    stopWaiting();
    // As Connect does with the fields as they stand, then the first query at once.
    m_session.connectToServer(m_refreshSecs());
    if (m_session.state() == Session::State::Polling)
        m_session.refresh();
}

void Reconnector::cancel()
{
    m_nextDelayMs = firstDelayMs;
    if (m_waiting)
        stopWaiting();
}

void Reconnector::stopWaiting()
{
    m_waiting = false;
    m_retry->stop();
    m_tick->stop();
    Q_EMIT waitChanged();
}

void Reconnector::checkClock()
{
    if (!isWaiting())
        return;
    const qint64 wall = m_waitStartedAt.msecsTo(m_clock.now());
    if (wall - m_waitStarted.elapsed() > sleepSlackMs)
        retryNow();
}

} // namespace tavrin
