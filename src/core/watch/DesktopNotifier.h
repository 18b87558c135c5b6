#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

class QDBusMessage;

namespace tavrin {

// What a notification of finished downloads says.
struct FinishedNotice {
    QString summary; // "Download finished", "3 downloads finished", "While you were away: ..."
    QString body;    // the names, one per line, the first ten of them
};
FinishedNotice finishedNotice(const QStringList& names, bool caughtUp);

// Desktop notifications through org.freedesktop.Notifications on the given bus (the session bus
// in the program, a private one in tests). Calls never wait: a missing service is told once.
class DesktopNotifier : public QObject {
    Q_OBJECT
public:
    explicit DesktopNotifier(QDBusConnection bus, QObject* parent = nullptr);

    void notify(const FinishedNotice& notice);

Q_SIGNALS:
    // The user clicked one of our notifications.
    void activated();
    // Notifications cannot be shown; said once, for the log.
    void unavailable(const QString& why);

private Q_SLOTS:
    void onActionInvoked(uint id, const QString& action);
    void onClosed(uint id, uint reason);

private:
    void tellUnavailable(const QString& why);

    QDBusConnection m_bus;
    QSet<uint> m_shown; // ours still on screen
    bool m_toldUnavailable = false;
};

} // namespace tavrin
