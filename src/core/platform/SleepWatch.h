#pragma once

#include <QDBusConnection>
#include <QObject>

namespace tavrin {

// Tells when the computer wakes from sleep, from logind's PrepareForSleep signal on the given
// bus (the system bus in the program, a private one in tests). Where there is no logind, it
// never tells; the reconnection's clock check still sees a sleep.
class SleepWatch : public QObject {
    Q_OBJECT
public:
    explicit SleepWatch(QDBusConnection bus = QDBusConnection::systemBus(),
                        QObject* parent = nullptr);

    // Whether the bus took the subscription.
    bool isListening() const { return m_listening; }

Q_SIGNALS:
    void woke();

private Q_SLOTS:
    void onPrepareForSleep(bool sleeping);

private:
    bool m_listening = false;
};

} // namespace tavrin
