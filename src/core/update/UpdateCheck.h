#pragma once

#include "core/update/VersionReport.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;

namespace tavrin {

// Fetches the Versions document without blocking the window and reports the outcome once.
class UpdateCheck : public QObject {
    Q_OBJECT
public:
    // A real Versions document is a few kilobytes; anything past this is not one.
    static constexpr qint64 maxBodyBytes = 1024 * 1024;
    static constexpr int maxRedirects = 5;

    UpdateCheck(QNetworkAccessManager& network, QObject* parent = nullptr);
    ~UpdateCheck() override;

    // Starts a check; `finished` follows, also for an address that cannot be fetched.
    void start(const QUrl& url, int timeoutMs, const QString& runningVersion);
    bool isRunning() const { return m_running; }

Q_SIGNALS:
    void finished(const tavrin::UpdateOutcome& outcome);

private:
    void readBody();
    void replyFinished();
    void fail(const QString& description);
    void finish(const UpdateOutcome& outcome);
    void dropReply();

    QNetworkAccessManager& m_network;
    QPointer<QNetworkReply> m_reply;
    QTimer m_deadline;
    QByteArray m_body;
    QString m_runningVersion;
    int m_timeoutMs = 0;
    bool m_running = false;
};

} // namespace tavrin
