#pragma once

#include "core/update/UpdateCheck.h"

#include <QObject>
#include <QPointer>
#include <QUrl>

namespace tavrin {

class UpdateCheck;

// The Help menu's check for a newer release: one at a time, against the project's versions
// address unless another is given; the outcome leaves through the event loop.
class UpdateChecker : public QObject {
    Q_OBJECT
public:
    // An empty `url` means the project's own address.
    UpdateChecker(QUrl url, int timeoutMs, QObject* parent = nullptr);
    ~UpdateChecker() override;

    // Starts a check; false, and nothing started, while one runs.
    bool start();
    bool isRunning() const { return m_check != nullptr; }

Q_SIGNALS:
    void runningChanged(bool running);
    // From the event loop, after the check itself is gone.
    void finished(const tavrin::UpdateOutcome& outcome);

private:
    QUrl m_url;
    int m_timeoutMs;
    QPointer<UpdateCheck> m_check;
};

} // namespace tavrin
