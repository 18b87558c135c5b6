#pragma once

#include "core/servers/SavedServers.h"
#include "core/servers/ServerProfile.h"
#include "core/session/Session.h"
#include "core/torrents/TorrentListUpdater.h"
#include "gui/MainWindowForm.h"
#include "gui/StatusBarControls.h"

#include <QMainWindow>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QDialog;
class QShortcut;

namespace tavrin {

class Clock;
class EventLog;
class Prompter;
class SettingsStore;
class TorrentListModel;
class ConnectionStatus;
class LinkIntake;
class FinishNotifications;
class WindowPresence;
class TorrentListPane;
class Reconnector;
class ServersMenu;
class UpdateChecker;
struct UpdateOutcome;
namespace view {
class TorrentViewModel;
}

// What tests may shorten or redirect; the defaults are the program's own.
struct MainWindowOptions {
    int chainDelayMs = 500;
    int deadlineMs = RequestEngine::defaultDeadlineMs; // every exchange with the server
    QUrl versionsUrl;                                  // empty: the project's site
    int updateTimeoutMs = 60000;                       // the update check's wait for the server
    // Where the unfinished torrents are remembered between runs; empty: the user's data folder.
    QString catchUpFile;
    // Whether the desktop has a system tray; empty: ask it.
    std::optional<bool> trayAvailable;
    // The local socket on which other starts hand over their links; empty: none.
    QString linkChannel;
    // Runs each Help dialog in place of exec(); tests read and close it there.
    std::function<void(QDialog&)> runModal;
};

// The main window: the connection area, the torrent list and its commands. It builds the
// widgets and wires them to the session, the server profile and the list updater.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow(SettingsStore& settings, Prompter& prompter, const Clock& clock,
               MainWindowOptions options = {}, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The session behind the window; tests and the benchmark tick it themselves.
    Session* session() const { return m_session; }
    // Checked links from the command line or another start: added while the list is shown,
    // otherwise waiting in the Add Link box. The window comes to the front.
    void openLinks(const QStringList& links);
    // Ends the program as closing the window does, even when that would only hide it in the tray.
    void quit();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // The client area also changes size when the status bar comes: the content follows it.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void wireControls();
    void createMenus();
    void startUp();
    void connectSession();
    // Fields and Connect follow the session: usable unless polling runs with the list shown.
    void setFieldsLocked(bool locked);
    void switchVersion();
    void changeColumns();
    // Modal, unless a test runs the dialog itself.
    void runDialog(QDialog& dialog);

    SettingsStore& m_settings;
    Prompter& m_prompter;
    std::unique_ptr<EventLog> m_log;
    MainWindowOptions m_options;
    MainWindowForm m_ui;
    ServerProfile m_profile;
    SavedServers m_savedServers;

    TorrentListModel* m_model = nullptr;
    // The list as shown: sorted and filtered.
    view::TorrentViewModel* m_view = nullptr;
    // Columns, sort, filter, context menu and selection of the list.
    TorrentListPane* m_list = nullptr;
    StatusBarControls* m_bar = nullptr;
    Session* m_session = nullptr;
    std::unique_ptr<TorrentListUpdater> m_updater;
    // What the status bar says; the bar itself appears with its first text, after Connect.
    ConnectionStatus* m_connectionStatus = nullptr;
    // Connects again after a network loss, when [Options] AutoReconnect asks for it.
    Reconnector* m_reconnector = nullptr;
    // Desktop notifications of finished downloads ([Options] Notifications).
    FinishNotifications* m_notifications = nullptr;
    // Shown, minimised or in the tray; polling slows while out of sight.
    WindowPresence* m_presence = nullptr;
    // The Add Link box, drops and links from later starts.
    LinkIntake* m_links = nullptr;

    QAction* m_switchVersionAction = nullptr;
    ServersMenu* m_serversMenu = nullptr;
    // Fills the connection fields and the version from a saved server, as if typed.
    void useSavedServer(const SavedServer& server);
    // Said after the title while the settings cannot be saved.
    void showSettingsTrouble(const QString& message);
};

} // namespace tavrin
