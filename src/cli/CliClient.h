#pragma once

#include "cli/CliOptions.h"
#include "cli/ListOutput.h"
#include "core/watch/FinishWatch.h"
#include "core/watch/ListDiff.h"

#include <QObject>
#include <memory>

class QTimer;

namespace tavrin {
class ServerProfile;
class Session;
class SettingsStore;
class TorrentListModel;
class TorrentListUpdater;
} // namespace tavrin

namespace tavrin::cli {

class HookRunner;

// Exit statuses, as the usage text documents them; a signal ends the run with 128 + its number.
enum ExitStatus { Done = 0, ServerError = 1, BadUsage = 2, ExchangeFailed = 3, Interrupted = 128 };

// Carries out one invocation through the same session as the window and reports its exit status.
class CliClient : public QObject {
    Q_OBJECT
public:
    CliClient(const Invocation& invocation, SettingsStore& settings, QObject* parent = nullptr);
    ~CliClient() override;

    // Starts the work; finished() follows through the event loop.
    void start();
    // Ends the run on a signal: the terminal is restored and the status is 128 + `signal`.
    void interrupt(int signal);
    // The terminal changed size: watch draws again to fit.
    void terminalResized();

Q_SIGNALS:
    void finished(int exitStatus);

private:
    bool prepare();
    void onStatusReply(const QByteArray& reply);
    void onCommandSent(const QByteArray& command);
    // One link's answer printed; the next link goes.
    void onLinkAdded(const QByteArray& reply);
    void finish(int status, const QString& message = {});
    void drawWatch(const QByteArray& reply);
    // events: polling, the stream of changes and the hooks.
    void startEvents();
    void onEventsReply(const QByteArray& reply);
    void lostConnection(const QString& reason);
    // One line of the stream: time, event, id (null for the connection's events), and members.
    void writeEvent(const char* event, const QByteArray& id, const QByteArray& members);
    // Draws the list as it stands: in place on a terminal, fitted to its size.
    void redrawWatch();
    // Server, time of the last reply, torrent count and total speeds.
    QByteArray watchHeader(std::size_t shown) const;
    // Takes the reply into the list; false (and the run ends) when the window would refuse it.
    bool takeReply(const QByteArray& reply);
    void printList();
    // The field --sort names, by column key or typed key; false with `error` when none.
    bool chooseSortField(QString& error);
    // The list's positions as --filter, --status and --sort ask.
    std::vector<int> shownPositions() const;
    // The command on one torrent, once the list shows that the server has it.
    void sendTorrentCommand();

    Invocation m_invocation;
    SettingsStore& m_settings;
    std::unique_ptr<ServerProfile> m_profile;
    TorrentListModel* m_model = nullptr;
    std::unique_ptr<TorrentListUpdater> m_updater;
    Session* m_session = nullptr;
    QTimer* m_watchTimer = nullptr;
    ColumnChoice m_columns;
    QString m_lastMessage;
    // The command reads the list (list, watch, the chains, which walk it, and the commands on
    // one torrent, which look for it there first).
    bool m_listing = false;
    // The identifier a command on one torrent names, as sent.
    QByteArray m_torrentId;
    bool m_chainStarted = false;
    qsizetype m_linksAdded = 0;
    int m_sortField = 0;     // 0: the server's order
    QString m_lastReplyTime; // watch: HH:mm:ss of the last reply drawn
    FinishWatch* m_finishWatch = nullptr;
    QList<FinishWatch::Finished> m_pendingFinished;
    ListDiff m_diff;
    HookRunner* m_hooks = nullptr;
    QTimer* m_retryTimer = nullptr;
    int m_backoffMs = 0;
    bool m_connected = false;
    bool m_toldDisconnected = false;
    int m_actedOn = 0; // torrents a chain sent its command for
    bool m_finished = false;
    bool m_screenTaken = false;
};

} // namespace tavrin::cli
