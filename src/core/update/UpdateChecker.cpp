#include "core/update/UpdateChecker.h"

#include "BuildInfo.h"
#include "core/update/UpdateCheck.h"

#include <QTimer>

namespace tavrin {

UpdateChecker::UpdateChecker(QUrl url, int timeoutMs, QObject* parent)
    : QObject(parent),
      m_url(url.isEmpty() ? QUrl(QString::fromUtf8(build::versionsUrl)) : std::move(url)),
      m_timeoutMs(timeoutMs)
{
}

UpdateChecker::~UpdateChecker() = default;

bool UpdateChecker::start()
{
    if (m_check)
        return false;
    m_check = new UpdateCheck(this);
    connect(m_check, &UpdateCheck::finished, this, [this](const UpdateOutcome& outcome) {
        m_check->deleteLater();
        m_check = nullptr;
        Q_EMIT runningChanged(false);
        // Told from the event loop, not from inside the check that is being discarded.
        QTimer::singleShot(0, this, [this, outcome] { Q_EMIT finished(outcome); });
    });
    Q_EMIT runningChanged(true);
    m_check->start(m_url, m_timeoutMs, build::versionString());
    return true;
}

} // namespace tavrin
