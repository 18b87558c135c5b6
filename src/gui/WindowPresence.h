#pragma once

#include "core/session/RefreshPace.h"

#include <QObject>

class QMainWindow;
class QMenu;

namespace tavrin {

class Session;
class SettingsStore;
class TrayIcon;

// Where the window is on the desktop: shown, minimised, or hidden in the system tray. It keeps
// the tray icon ([Options] TrayIcon), hides the window there on close ([Options] CloseToTray),
// and slows polling while the window is out of sight.
class WindowPresence : public QObject {
    Q_OBJECT
public:
    WindowPresence(QMainWindow& window, Session& session, SettingsStore& settings,
                   bool trayAvailable);

    // "Show Tray Icon" and "Close to Tray", greyed out without a tray; shows the icon if asked.
    void addMenuItems(QMenu& menu);
    // The window comes to the front, out of the tray or the taskbar.
    void bringToFront();
    // Closes the window for good, even where closing would only hide it in the tray.
    void quit();
    void setToolTip(const QString& text);
    // Pause All and UnPause All in the tray's menu, usable while the list is shown.
    void setCommandsEnabled(bool enabled);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setIconShown(bool shown);
    void updatePace();

    QMainWindow& m_window;
    Session& m_session;
    SettingsStore& m_settings;
    bool m_available;
    RefreshPace m_pace;
    TrayIcon* m_icon = nullptr;
    bool m_closeToTray = false;
    bool m_hiddenInTray = false;
    bool m_quitting = false;
    bool m_commandsEnabled = false;
    QString m_toolTip;
};

} // namespace tavrin
