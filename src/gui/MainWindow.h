#pragma once

#include "core/session/Session.h"
#include "gui/Twips.h"

#include <QMainWindow>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>
#include <pugixml.hpp>

class QAction;
class QDialog;
class QFrame;
class QLineEdit;
class QNetworkAccessManager;
class QPushButton;
class QToolButton;
class QTreeView;

namespace tavrin {

class Clock;
class EventLog;
class Prompter;
class SettingsStore;
class TorrentListModel;
class TorrentMenu;
struct UpdateOutcome;

// What tests may shorten or redirect; the defaults are the program's own.
struct MainWindowOptions {
    int chainDelayMs = 500;
    int deadlineMs = RequestEngine::defaultDeadlineMs; // every exchange with the server
    QUrl versionsUrl;                                  // empty: the project's site
    int updateTimeoutMs = 60000;                       // the update check's wait for the server
    // Runs each Help dialog in place of exec(); tests read and close it there.
    std::function<void(QDialog&)> runModal;
};

// The main window: the connection area, the torrent list and its commands.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow(SettingsStore& settings, Prompter& prompter, const Clock& clock,
               MainWindowOptions options = {}, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The session behind the window; tests and the benchmark tick it themselves.
    Session* session() const { return m_session; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private Q_SLOTS:
    void onConnectClicked();
    void switchVersion();
    void changeColumns();
    void showAbout();
    void checkForNewVersion();
    // Opens the torrent menu for the row at `pos` (viewport coordinates), by mouse or keyboard.
    void showContextMenu(const QPoint& pos);
    void applyStatusReply(const QByteArray& reply);

private:
    enum class ServerVersion { V2, V3 };

    void createWidgets();
    void createConnectionArea(QWidget* client);
    void createListArea(QWidget* client);
    void createMenus();
    void startUp();
    void connectSession();
    // Fields and Connect follow the session: usable unless polling runs with the list shown.
    void setFieldsLocked(bool locked);
    void buildColumns();
    void showVersionSwitchCaption();
    void showUpdateOutcome(const UpdateOutcome& outcome);
    // Modal, unless a test runs the dialog itself.
    void runDialog(QDialog& dialog);
    void applyLayout();
    // The outer size in twips, as stored under "Width" and "Height".
    float outerWidthTwips() const;
    float outerHeightTwips() const;
    void setOuterSizeTwips(float width, float height);
    bool isVersion3() const { return m_serverVersion == ServerVersion::V3; }

    SettingsStore& m_settings;
    Prompter& m_prompter;
    std::unique_ptr<EventLog> m_log;
    MainWindowOptions m_options;
    TwipsScale m_twips;

    QNetworkAccessManager* m_network = nullptr;
    TorrentListModel* m_model = nullptr;
    Session* m_session = nullptr;

    QLineEdit* m_hostEdit = nullptr;
    QLineEdit* m_portEdit = nullptr;
    QLineEdit* m_uniqueIdEdit = nullptr;
    QLineEdit* m_refreshEdit = nullptr;
    QPushButton* m_connectButton = nullptr;
    QFrame* m_shadowLine = nullptr;
    QFrame* m_highlightLine = nullptr;
    QFrame* m_contentFrame = nullptr;
    QLineEdit* m_linkEdit = nullptr;
    QPushButton* m_addButton = nullptr;
    QTreeView* m_torrentView = nullptr;
    // Pause All, UnPause All, Stop All, Queue All, Delete Completed.
    QList<QToolButton*> m_bulkButtons;

    QAction* m_switchVersionAction = nullptr;
    TorrentMenu* m_torrentMenu = nullptr;

    ServerVersion m_serverVersion = ServerVersion::V2;
    pugi::xml_document m_columnLayout;
    pugi::xml_document m_defaultColumnLayout;
    // The 1-based row last opened with the context menu; a refresh selects it again.
    int m_clickedPosition = 0;
    // The identifier of the torrent the context menu was opened for.
    std::optional<QByteArray> m_contextTorrent;
    bool m_replyErrorBoxOpen = false;
};

} // namespace tavrin
