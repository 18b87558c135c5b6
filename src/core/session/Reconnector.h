#pragma once

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <functional>

class QTimer;

namespace tavrin {

class Clock;
class Session;

// Connects again by itself when polling stopped for a network reason (refused, reset, timed
// out; never an error reply, which needs the user): after 2, 4, 8, ... up to 60 seconds, until
// the server answers. Off unless the user asks for it. Pressing Connect or editing a field
// cancels a wait; after the computer slept, a wait ends at once.
class Reconnector : public QObject {
    Q_OBJECT
public:
    // `refreshSecs` gives what Connect would be given: the refresh field as it stands.
    Reconnector(Session& session, const Clock& clock, std::function<QString()> refreshSecs,
                QObject* parent = nullptr);

    // The wait after one of `previousMs` (0: the first): 2, 4, 8, ... up to 60 seconds.
    static int nextDelayMs(int previousMs);

    void setEnabled(bool enabled);
    bool isEnabled() const { return m_enabled; }
    bool isWaiting() const { return m_waiting; }
    // The wait before the next try, in milliseconds.
    int delayMs() const { return m_delayMs; }
    // Whole seconds to the next try by the clock, at least 0; -1 when not waiting.
    int secondsLeft() const;

    // Tries now instead of at the end of the wait.
    void retryNow();
    // Ends a wait and starts the next one from 2 seconds again.
    void cancel();
    // Looks at the clock: a jump ahead beyond the time that passed means the computer slept.
    void checkClock();
    // The computer woke from sleep: a waiting try goes at once.
    void onWoke() { retryNow(); }

Q_SIGNALS:
    // A wait began, went on (every second) or ended: what the status bar says changes.
    void waitChanged();

private:
    void onFailed(bool network);
    void wait();
    void stopWaiting();

    Session& m_session;
    const Clock& m_clock;
    std::function<QString()> m_refreshSecs;
    QTimer* m_retry;
    QTimer* m_tick;
    bool m_enabled = false;
    bool m_waiting = false;
    int m_delayMs = 0;
    int m_nextDelayMs = 2000;
    QDateTime m_retryAt;
    QDateTime m_waitStartedAt;
    QElapsedTimer m_waitStarted; // stops while the computer sleeps, unlike the wall clock
};

} // namespace tavrin
