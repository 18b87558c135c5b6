#include "core/update/UpdateCheck.h"

#include "core/update/HttpFetch.h"

#include <QMetaObject>
#include <QTimer>

namespace tavrin {

UpdateCheck::UpdateCheck(QObject* parent) : QObject(parent) {}

UpdateCheck::~UpdateCheck()
{
    stopFetch();
}

void UpdateCheck::stopFetch()
{
    if (m_cancelled)
        m_cancelled->store(true);
    // The fetch looks at the flag at least once a second; an outcome it posts meanwhile is
    // dropped with this object or by its serial.
    if (m_fetch.joinable())
        m_fetch.join();
    m_cancelled.reset();
}

void UpdateCheck::start(const QUrl& url, int timeoutMs, const QString& runningVersion)
{
    stopFetch();
    m_running = true;
    const quint64 serial = ++m_serial;
    const auto report = [this, serial](const UpdateOutcome& outcome) {
        if (serial != m_serial || !m_running)
            return;
        m_running = false;
        Q_EMIT finished(outcome);
    };

    // Only the web is asked; a file or resource address is no place for release information.
    if (!isHttpUrl(url)) {
        const QString text = QStringLiteral("The address of the version information, \"%1\", is "
                                            "not an HTTP address.")
                                 .arg(url.toDisplayString());
        QTimer::singleShot(0, this, [report, text] { report(UpdateOutcome::failure(text)); });
        return;
    }
    m_cancelled = std::make_shared<std::atomic<bool>>(false);
    HttpFetchLimits limits;
    limits.bodyBytes = maxBodyBytes;
    limits.headerBytes = maxHeaderBytes;
    limits.redirects = maxRedirects;
    limits.timeoutMs = timeoutMs;
    m_fetch = std::thread([this, url, limits, cancelled = m_cancelled, report, runningVersion] {
        const HttpFetchResult result = httpFetch(url, limits, *cancelled);
        if (cancelled->load())
            return;
        const UpdateOutcome outcome = result.error.isEmpty()
                                          ? evaluateVersions(result.body, runningVersion)
                                          : UpdateOutcome::failure(result.error);
        // Back on this object's thread; joined before this object goes, so `this` holds.
        QMetaObject::invokeMethod(
            this, [report, outcome] { report(outcome); }, Qt::QueuedConnection);
    });
}

} // namespace tavrin
