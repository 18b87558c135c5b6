#include "core/platform/SleepWatch.h"

namespace tavrin {

SleepWatch::SleepWatch(QDBusConnection bus, QObject* parent) : QObject(parent)
{
    if (!bus.isConnected())
        return;
    m_listening = bus.connect(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"), this,
        SLOT(onPrepareForSleep(bool)));
}

void SleepWatch::onPrepareForSleep(bool sleeping)
{
    // Sent with true before the sleep and with false after the wake.
    if (!sleeping)
        Q_EMIT woke();
}

} // namespace tavrin
