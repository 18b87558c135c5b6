#pragma once

#include "core/net/RequestEngine.h"
#include "core/platform/Prompter.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <optional>

class QTimer;

namespace tavrin {

class SettingsStore;
class TorrentListModel;

// The conversation with the command service: Connect, polling, the one request in flight and
// the queue behind it, the pause-all and resume-all chains, and recovery after a failure. It
// tells the window what to show through its signals and never waits for the window.
class Session : public QObject {
    Q_OBJECT
public:
    enum class State { Idle, Polling, Stopped };
    Q_ENUM(State)
    enum class TorrentCommand { Resume, Pause, Stop, Queue, Delete };
    // Why polling stopped.
    enum class Failure { ErrorReply, Refused, SocketError, BadField };
    Q_ENUM(Failure)
    // Whether a reported text is still to be written to the log.
    enum class Logging { Write, Skip };

    // What tests may shorten; the defaults are the program's own.
    struct Options {
        int chainDelayMs = 500;
        int deadlineMs = RequestEngine::defaultDeadlineMs;
    };

    Session(SettingsStore& settings, const TorrentListModel& model, Options options,
            QObject* parent = nullptr);
    ~Session() override;

    // Network failures (not error replies) stop polling without a box, the status bar saying
    // why: something tries again by itself.
    void setQuietNetworkFailures(bool quiet) { m_quietNetworkFailures = quiet; }
    // The most one reply may bring; a server that sends more fails the exchange.
    void setReplyLimit(qsizetype bytes) { m_engine->setReplyLimit(bytes); }
    // How long one exchange may take before it fails.
    void setDeadline(int ms) { m_engine->setDeadline(ms); }
    // The connection fields, read afresh for every request.
    void setHost(const QString& host) { m_host = host; }
    void setPort(const QString& port) { m_port = port; }
    // The server as the fields name it, "HOST:PORT".
    QString serverName() const { return m_host + QLatin1Char(':') + m_port; }
    void setUniqueId(const QString& uniqueId) { m_uniqueId = uniqueId; }

    // Connect: checks the numbers, stores the four connection settings and starts polling.
    void connectToServer(const QString& refreshSecs);
    void addLink(const QString& link);
    void deleteCompleted();
    void queueAll();
    void stopAll();
    void startPauseAll();
    void startResumeAll();
    void sendTorrentCommand(TorrentCommand command, const QByteArray& id);
    // code "0" (Highest) to "4" (Lowest)
    void setPriority(const QByteArray& id, const QByteArray& code);
    // Cancels the rest of a running pause-all or resume-all chain; polling goes on.
    void stopChain() { cancelChain(); }
    // Polling at no more than once per `ms` while the window is out of sight (0: the interval
    // Connect set). Back to it, the list is asked for at once.
    void setBackgroundInterval(int ms);
    // A tick of the refresh timer.
    void refresh();
    // One status query outside polling, queued like a user's command (the command-line client).
    void queryStatus();
    // Ends everything without a word, as on shut-down.
    void shutDown();
    // One box at a time: the message is shown unless a box is open, in which case it is only
    // written to the log. Nothing is sent while a box is open.
    void report(const QString& text, MessageStyle style, const QString& title,
                Logging logging = Logging::Write);
    bool boxOpen() const { return m_boxOpen; }

    State state() const { return m_state; }
    bool fieldsLocked() const { return m_state == State::Polling && m_listShown; }
    bool chainRunning() const { return m_chain != RequestKind::Status; }
    // True while a chain step waits for its moment.
    bool chainStepPending() const;
    // True while an exchange is in flight.
    bool requestInFlight() const { return m_current.has_value(); }
    // The refresh timer: interval and remaining time, -1 when it is off.
    int refreshInterval() const;
    int refreshRemainingMs() const;

    // The status and priority of the torrent at a 1-based position, read by field.
    QByteArrayView statusAt(int position) const;
    QByteArrayView priorityAt(int position) const;
    // The first position from `position` on whose status reads WORKING or COMPLETED/SEEDING in
    // any capitalisation; beyond the last item when there is none.
    int findActiveTorrent(int position) const;

Q_SIGNALS:
    // A status reply to bring the list up to date with.
    void statusReplyArrived(const QByteArray& reply);
    // The first status reply has come: the list area is to be shown.
    void listAreaShown();
    // The connection fields and Connect are locked (while polling runs) or usable again.
    void fieldsLockedChanged(bool locked);
    void stateChanged(tavrin::Session::State state);
    // The wait pointer on or off.
    void busyChanged(bool busy);
    // A box to show. Receivers may show it modally: nothing is sent until they return.
    void message(const QString& text, tavrin::MessageStyle style, const QString& title);
    // A reported text for the log, whether or not its box is shown.
    void logEntry(const QString& text);
    // Polling stopped; `text` says why (for a refused connection too, which shows no box).
    void failed(tavrin::Session::Failure failure, const QString& text);
    // The whole reply to a single command (not a chain step, not a status query).
    void commandReplied(const QByteArray& reply);
    // A chain sends its command for the torrent at 1-based `position` of `count`.
    void chainStep(tavrin::RequestKind chain, int position, int count);
    // The chain ended: done, cancelled or stopped with polling.
    void chainEnded();
    // A command is about to go out (after the ID line).
    void commandSent(const QByteArray& command);

private:
    struct Request {
        RequestKind kind;
        QByteArray command;
    };

    // A user's command: it ends any chain and waits for a command in flight, never dropped.
    void submit(RequestKind kind, const QByteArray& command);
    void startChain(RequestKind kind, const QByteArray& firstCommand, int nextPosition);
    void cancelChain();
    void enqueue(const Request& request);
    void send(const Request& request);
    void sendNext();

    void onReplyStarted();
    void onReplyCompleted(const QByteArray& reply);
    void onErrorReply(const QByteArray& message);
    void onSocketFailed(const QString& description, bool refused);
    void runChainStep();
    void endChain();
    // Polling, chain and queue stop, then the box (none for a refused connection); the user
    // may Connect again.
    void stopAndReport(Failure failure, const QString& text);
    void setState(State state);
    void setBusy(bool busy);
    void updateLock();

    SettingsStore& m_settings;
    const TorrentListModel& m_model;
    Options m_options;
    RequestEngine* m_engine = nullptr;
    QTimer* m_refreshTimer = nullptr;
    QTimer* m_chainTimer = nullptr;

    QString m_host;
    QString m_port;
    QString m_uniqueId;

    State m_state = State::Idle;
    bool m_listShown = false;
    bool m_locked = false;
    bool m_busy = false;
    std::optional<Request> m_current;
    QList<Request> m_queue;
    bool m_tickHeld = false;
    // Status when no chain runs; otherwise PauseAll or ResumeAll.
    RequestKind m_chain = RequestKind::Status;
    int m_chainPosition = 0;
    bool m_boxOpen = false;
    bool m_quietNetworkFailures = false;
    int m_normalIntervalMs = 1000; // as Connect set it
    int m_backgroundIntervalMs = 0;
};

} // namespace tavrin
