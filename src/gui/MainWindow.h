#pragma once

#include "core/session/Session.h"

#include <QMainWindow>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>
#include <pugixml.hpp>

class QAction;
class QDialog;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QNetworkAccessManager;
class QPushButton;
class QTimer;
class QToolButton;
class QTreeView;

namespace tavrin {

class Clock;
class EventLog;
class Prompter;
class SettingsStore;
class TorrentListModel;

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

    // The version string, "1.1.8".
    static QString versionString();

    // Design geometry in twips at this window's DPI.
    int toPixels(double twips) const;
    float toTwips(int pixels) const;
    // The outer size in twips, as stored under "Width" and "Height".
    float outerWidthTwips() const;
    float outerHeightTwips() const;
    void setOuterSizeTwips(float width, float height);

    bool version3() const { return m_bVersion3; }
    TorrentListModel* model() const { return m_model; }
    Session* session() const { return m_session; }
    int clickedPosition() const { return m_clickedPosition; }

    // Controls, named as designed; public so tests drive the real widgets.
    QLabel* Label1 = nullptr;
    QLineEdit* txtHost = nullptr;
    QLabel* t = nullptr;
    QLineEdit* txtPort = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* txtUniqueID = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* txtRefreshSecs = nullptr;
    QPushButton* cmdConnect = nullptr;
    QFrame* Line1 = nullptr;
    QFrame* Line2 = nullptr;
    QFrame* fraMain = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* txtAddLink = nullptr;
    QPushButton* cmdAddLink = nullptr;
    QTreeView* lv = nullptr;
    QToolButton* cmdPauseAll = nullptr;
    QToolButton* cmdUnPauseAll = nullptr;
    QToolButton* cmdStopAll = nullptr;
    QToolButton* cmdQueueAll = nullptr;
    QToolButton* cmdDeleteCompleted = nullptr;

    QMenu* mnuAction = nullptr;
    QAction* mnuSwitchVersion = nullptr;
    QAction* mnuChangeColumns = nullptr;
    QAction* mnuExit = nullptr;
    QMenu* mnuHelp = nullptr;
    QAction* mnuAbout = nullptr;
    QAction* mnuCheckNewVersion = nullptr;
    QMenu* mnContext = nullptr;
    QAction* mnUnPause = nullptr;
    QAction* mnPause = nullptr;
    QAction* mnStop = nullptr;
    QAction* mnQueue = nullptr;
    QMenu* mnuPriority = nullptr;
    QAction* mnPrioHighest = nullptr;
    QAction* mnPrioHigh = nullptr;
    QAction* mnPrioNormal = nullptr;
    QAction* mnPrioLow = nullptr;
    QAction* mnPrioLowest = nullptr;
    QAction* mnDelete = nullptr;

public Q_SLOTS:
    void onConnectClicked();
    void mnuExit_Click();
    void mnuSwitchVersion_Click();
    void mnuChangeColumns_Click();
    void mnuAbout_Click();
    void mnuCheckNewVersion_Click();

public:
    // The right-click handler of the list; the menu opens at globalPos (unless tests say not).
    void lv_MouseUp(Qt::MouseButton button, const QPoint& pos, bool showMenu = true);
    void ProcessStatusReply(const QByteArray& reply);
    void BuildColumns();
    void WriteLog(const QString& message);

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    void createMenus();
    void startUp();
    void connectSession();
    // Fields and Connect follow the session: usable unless polling runs with the list shown.
    void setFieldsLocked(bool locked);
    void sendForContextTorrent(Session::TorrentCommand command);
    void setContextPriority(const QByteArray& code);

    void applyLayout();

    SettingsStore& m_settings;
    Prompter& m_prompter;
    std::unique_ptr<EventLog> m_log;
    MainWindowOptions m_options;
    double m_dpi = 96.0;

    QNetworkAccessManager* Inet1 = nullptr;
    TorrentListModel* m_model = nullptr;
    Session* m_session = nullptr;

    bool m_bVersion3 = false;
    pugi::xml_document m_domColInfo;
    pugi::xml_document m_domColInfoDefault;
    int m_clickedPosition = 0;
    // The Tag of the torrent the context menu was opened for.
    QByteArray m_contextTag;
    bool m_hasContextTag = false;
    bool m_replyErrorBoxOpen = false;
};

} // namespace tavrin
