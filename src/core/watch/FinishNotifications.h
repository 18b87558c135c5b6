#pragma once

#include "core/watch/CatchUpStore.h"

#include <QDBusConnection>
#include <QObject>
#include <optional>

namespace tavrin {

class Clock;
class DesktopNotifier;
class FinishWatch;
class TorrentListModel;

// A desktop notification when downloads finish, and on connecting to a server the ones that
// finished while Tavrin was away: the watch over the list, the store of what was unfinished and
// the notifier, put together. Off, it watches nothing and stores nothing.
class FinishNotifications : public QObject {
    Q_OBJECT
public:
    FinishNotifications(const TorrentListModel& list, CatchUpStore store, QDBusConnection bus,
                        const Clock& clock, QObject* parent = nullptr);
    ~FinishNotifications() override;

    void setEnabled(bool enabled);
    bool isEnabled() const { return m_watch != nullptr; }
    // Connect was pressed for this server: another one than before brings its remembered
    // torrents, and the last one's are remembered.
    void startServer(const CatchUpStore::Server& server);
    // Remembers the current server's unfinished torrents, as on exit.
    void remember();

Q_SIGNALS:
    // The user clicked a notification.
    void activated();
    // A line for the log.
    void logEntry(const QString& text);

private:
    const TorrentListModel& m_list;
    CatchUpStore m_store;
    const Clock& m_clock;
    DesktopNotifier* m_notifier = nullptr;
    FinishWatch* m_watch = nullptr;
    std::optional<CatchUpStore::Server> m_server;
};

} // namespace tavrin
