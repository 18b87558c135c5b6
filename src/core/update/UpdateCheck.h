#pragma once

#include "core/update/VersionReport.h"

#include <QObject>
#include <QUrl>
#include <atomic>
#include <memory>
#include <thread>

namespace tavrin {

// Fetches the Versions document on a thread of its own, so the window never waits, and reports
// the outcome once. Everything the server sends is bounded: headers, body, redirects and time.
class UpdateCheck : public QObject {
    Q_OBJECT
public:
    // A real Versions document is a few kilobytes; anything past this is not one.
    static constexpr qint64 maxBodyBytes = 1024 * 1024;
    static constexpr qint64 maxHeaderBytes = 64 * 1024;
    static constexpr int maxRedirects = 5;

    explicit UpdateCheck(QObject* parent = nullptr);
    // Ends a fetch still running without a word.
    ~UpdateCheck() override;

    // Starts a check; `finished` follows, also for an address that cannot be fetched.
    void start(const QUrl& url, int timeoutMs, const QString& runningVersion);
    bool isRunning() const { return m_running; }

Q_SIGNALS:
    void finished(const tavrin::UpdateOutcome& outcome);

private:
    void stopFetch();

    std::thread m_fetch;
    std::shared_ptr<std::atomic<bool>> m_cancelled;
    quint64 m_serial = 0;
    bool m_running = false;
};

} // namespace tavrin
