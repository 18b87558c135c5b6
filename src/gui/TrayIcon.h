#pragma once

#include <QObject>

class QAction;
class QMenu;
class QSystemTrayIcon;

namespace tavrin {

// The icon in the system tray ([Options] TrayIcon): its tool tip tells the torrent count and
// speeds, its menu has Show, Pause All, UnPause All and Quit, and a click shows the window.
class TrayIcon : public QObject {
    Q_OBJECT
public:
    explicit TrayIcon(QObject* parent = nullptr);
    ~TrayIcon() override;

    void show();
    void setToolTip(const QString& text);
    QString toolTip() const;
    // Pause All and UnPause All, usable while the list is shown, as the window's are.
    void setCommandsEnabled(bool enabled);
    QMenu* menu() const { return m_menu; }

Q_SIGNALS:
    void showRequested();
    void pauseAllRequested();
    void resumeAllRequested();
    void quitRequested();

private:
    QSystemTrayIcon* m_icon;
    QMenu* m_menu;
    QAction* m_pauseAll;
    QAction* m_resumeAll;
};

} // namespace tavrin
