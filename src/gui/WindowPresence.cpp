#include "gui/WindowPresence.h"

#include "core/session/Session.h"
#include "core/settings/OptionSwitch.h"
#include "gui/OptionItem.h"
#include "gui/TrayIcon.h"

#include <QAction>
#include <QCloseEvent>
#include <QMainWindow>
#include <QMenu>

namespace tavrin {

WindowPresence::WindowPresence(QMainWindow& window, Session& session, SettingsStore& settings,
                               bool trayAvailable)
    : QObject(&window), m_window(window), m_session(session), m_settings(settings),
      m_available(trayAvailable), m_pace(RefreshPace::read(settings)),
      m_closeToTray(options::closeToTray.isOn(settings))
{
    window.installEventFilter(this);
}

void WindowPresence::addMenuItems(QMenu& menu)
{
    QAction* icon = addOptionItem(menu, m_settings, options::trayIcon, "trayIconAction",
                                  tr("Show Tray Icon"), [this](bool on) { setIconShown(on); });
    QAction* closeToTray =
        addOptionItem(menu, m_settings, options::closeToTray, "closeToTrayAction",
                      tr("Close to Tray"), [this](bool on) { m_closeToTray = on; });
    // Without a tray nothing of it applies.
    for (QAction* action : {icon, closeToTray}) {
        action->setEnabled(m_available);
        if (!m_available)
            action->setToolTip(tr("The desktop has no system tray"));
    }
    menu.setToolTipsVisible(true);
    setIconShown(icon->isChecked());
}

void WindowPresence::bringToFront()
{
    if (m_window.isMinimized())
        m_window.showNormal();
    m_window.show();
    m_window.raise();
    m_window.activateWindow();
}

void WindowPresence::quit()
{
    m_quitting = true;
    m_window.close();
}

void WindowPresence::setToolTip(const QString& text)
{
    m_toolTip = text;
    if (m_icon)
        m_icon->setToolTip(text);
}

void WindowPresence::setCommandsEnabled(bool enabled)
{
    m_commandsEnabled = enabled;
    if (m_icon)
        m_icon->setCommandsEnabled(enabled);
}

bool WindowPresence::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != &m_window)
        return false;
    switch (event->type()) {
    case QEvent::Show:
        m_hiddenInTray = false;
        updatePace();
        break;
    case QEvent::WindowStateChange:
        updatePace();
        break;
    case QEvent::Close:
        // Kept running in the tray: polling slows, notifications still come.
        if (m_icon && m_closeToTray && !m_quitting) {
            m_window.hide();
            m_hiddenInTray = true;
            updatePace();
            event->ignore();
            return true;
        }
        break;
    default:
        break;
    }
    return false;
}

void WindowPresence::updatePace()
{
    m_session.setBackgroundInterval(
        m_pace.backgroundIntervalMs(m_hiddenInTray, m_window.isMinimized()));
}

void WindowPresence::setIconShown(bool shown)
{
    if (shown == (m_icon != nullptr) || (shown && !m_available))
        return;
    if (!shown) {
        delete m_icon;
        m_icon = nullptr;
        // The window must not stay out of reach with its icon gone.
        if (m_hiddenInTray)
            bringToFront();
        return;
    }
    m_icon = new TrayIcon(this);
    connect(m_icon, &TrayIcon::showRequested, this, &WindowPresence::bringToFront);
    connect(m_icon, &TrayIcon::pauseAllRequested, &m_session, &Session::startPauseAll);
    connect(m_icon, &TrayIcon::resumeAllRequested, &m_session, &Session::startResumeAll);
    connect(m_icon, &TrayIcon::quitRequested, this, &WindowPresence::quit);
    m_icon->setCommandsEnabled(m_commandsEnabled);
    if (!m_toolTip.isEmpty())
        m_icon->setToolTip(m_toolTip);
    m_icon->show();
}

} // namespace tavrin
