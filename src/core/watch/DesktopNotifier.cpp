#include "core/watch/DesktopNotifier.h"

#include "BuildInfo.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace tavrin {

namespace {

const QString service = QStringLiteral("org.freedesktop.Notifications");
const QString path = QStringLiteral("/org/freedesktop/Notifications");
const QString interface = QStringLiteral("org.freedesktop.Notifications");
// Names beyond these are counted, not listed.
constexpr qsizetype listedNames = 10;
// Ours are few; a service that never says they closed cannot grow the set beyond this.
constexpr qsizetype keptIds = 256;
// A service that takes longer than this to answer is taken as absent.
constexpr int callTimeoutMs = 25000;

} // namespace

FinishedNotice finishedNotice(const QStringList& names, bool caughtUp)
{
    FinishedNotice notice;
    const qsizetype count = names.size();
    notice.summary = count == 1
                         ? QCoreApplication::translate("DesktopNotifier", "Download finished")
                         : QCoreApplication::translate("DesktopNotifier", "%n downloads finished",
                                                       nullptr, count);
    if (caughtUp)
        notice.summary =
            QCoreApplication::translate("DesktopNotifier", "While you were away: ") +
            (count == 1 ? QCoreApplication::translate("DesktopNotifier", "1 download finished")
                        : notice.summary);
    QStringList lines = names.mid(0, listedNames);
    if (count > listedNames)
        lines.append(
            QCoreApplication::translate("DesktopNotifier", "and %1 more").arg(count - listedNames));
    notice.body = lines.join(QLatin1Char('\n'));
    return notice;
}

DesktopNotifier::DesktopNotifier(QDBusConnection bus, QObject* parent)
    : QObject(parent), m_bus(std::move(bus))
{
    if (!m_bus.isConnected())
        return;
    m_bus.connect(service, path, interface, QStringLiteral("ActionInvoked"), this,
                  SLOT(onActionInvoked(uint, QString)));
    m_bus.connect(service, path, interface, QStringLiteral("NotificationClosed"), this,
                  SLOT(onClosed(uint, uint)));
}

void DesktopNotifier::notify(const FinishedNotice& notice)
{
    if (!m_bus.isConnected()) {
        tellUnavailable(QStringLiteral("there is no session bus"));
        return;
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QString::fromLatin1(build::appId));
    hints.insert(QStringLiteral("category"), QStringLiteral("transfer.complete"));
    // Servers that read markup in the body would take "<" in a name as a tag.
    call << QStringLiteral("Tavrin") << uint(0) << QString::fromLatin1(build::appId)
         << notice.summary << notice.body.toHtmlEscaped()
         << QStringList{QStringLiteral("default"),
                        QCoreApplication::translate("DesktopNotifier", "Show Tavrin")}
         << hints << int(-1);
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, callTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
        watcher->deleteLater();
        const QDBusPendingReply<uint> reply = *watcher;
        if (reply.isError()) {
            tellUnavailable(reply.error().message());
            return;
        }
        if (m_shown.size() >= keptIds)
            m_shown.clear();
        m_shown.insert(reply.value());
    });
}

void DesktopNotifier::onActionInvoked(uint id, const QString& action)
{
    if (m_shown.contains(id) && action == QLatin1String("default"))
        Q_EMIT activated();
}

void DesktopNotifier::onClosed(uint id, uint)
{
    m_shown.remove(id);
}

void DesktopNotifier::tellUnavailable(const QString& why)
{
    if (m_toldUnavailable)
        return;
    m_toldUnavailable = true;
    Q_EMIT unavailable(why);
}

} // namespace tavrin
