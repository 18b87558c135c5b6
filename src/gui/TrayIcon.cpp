#include "gui/TrayIcon.h"

#include <QIcon>
#include <QMenu>
#include <QSystemTrayIcon>

namespace tavrin {

TrayIcon::TrayIcon(QObject* parent)
    : QObject(parent),
      m_icon(new QSystemTrayIcon(QIcon(QStringLiteral(":/icons/tavrin.svg")), this)),
      m_menu(new QMenu)
{
    m_menu->setObjectName(QStringLiteral("trayMenu"));
    const auto item = [this](const char* name, const QString& caption, void (TrayIcon::*signal)()) {
        QAction* action = m_menu->addAction(caption);
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, signal);
        return action;
    };
    item("trayShowAction", tr("Show"), &TrayIcon::showRequested);
    m_menu->addSeparator();
    m_pauseAll = item("trayPauseAllAction", tr("Pause All"), &TrayIcon::pauseAllRequested);
    m_resumeAll = item("trayUnPauseAllAction", tr("UnPause All"), &TrayIcon::resumeAllRequested);
    m_menu->addSeparator();
    item("trayQuitAction", tr("Quit"), &TrayIcon::quitRequested);
    setCommandsEnabled(false);
    m_icon->setContextMenu(m_menu);
    m_icon->setToolTip(QStringLiteral("Tavrin"));
    connect(m_icon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
                    Q_EMIT showRequested();
            });
}

TrayIcon::~TrayIcon()
{
    delete m_menu;
}

void TrayIcon::show()
{
    m_icon->show();
}

void TrayIcon::setToolTip(const QString& text)
{
    m_icon->setToolTip(text);
}

QString TrayIcon::toolTip() const
{
    return m_icon->toolTip();
}

void TrayIcon::setCommandsEnabled(bool enabled)
{
    m_pauseAll->setEnabled(enabled);
    m_resumeAll->setEnabled(enabled);
}

} // namespace tavrin
