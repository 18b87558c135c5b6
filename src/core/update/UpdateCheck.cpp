#include "core/update/UpdateCheck.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace tavrin {

namespace {

bool isHttp(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() &&
           (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

QString secondsText(int ms)
{
    return ms % 1000 == 0 ? QString::number(ms / 1000) : QString::number(ms / 1000.0);
}

} // namespace

UpdateCheck::UpdateCheck(QNetworkAccessManager& network, QObject* parent)
    : QObject(parent), m_network(network)
{
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        fail(QStringLiteral("The version information did not arrive within %1 seconds.")
                 .arg(secondsText(m_timeoutMs)));
    });
}

UpdateCheck::~UpdateCheck()
{
    dropReply();
}

void UpdateCheck::start(const QUrl& url, int timeoutMs, const QString& runningVersion)
{
    dropReply();
    m_body.clear();
    m_runningVersion = runningVersion;
    m_timeoutMs = timeoutMs;
    m_running = true;

    // Only the web is asked; a file or resource address is no place for release information.
    if (!isHttp(url)) {
        QTimer::singleShot(0, this, [this, url] {
            fail(QStringLiteral("The address of the version information, \"%1\", is not an "
                                "HTTP address.")
                     .arg(url.toDisplayString()));
        });
        return;
    }

    QNetworkRequest request(url);
    // Redirects are followed to http and https only, never from https down to http.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(maxRedirects);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    // The whole exchange has one deadline, so a server that trickles bytes cannot hold it open.
    m_deadline.start(timeoutMs);

    m_reply = m_network.get(request);
    m_reply->setReadBufferSize(64 * 1024);
    connect(m_reply, &QNetworkReply::readyRead, this, &UpdateCheck::readBody);
    connect(m_reply, &QNetworkReply::finished, this, &UpdateCheck::replyFinished);
    connect(m_reply, &QNetworkReply::metaDataChanged, this, [this] {
        const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > maxBodyBytes)
            fail(QStringLiteral("The version information is larger than 1 MiB."));
    });
}

void UpdateCheck::readBody()
{
    if (!m_reply)
        return;
    m_body += m_reply->read(maxBodyBytes + 1 - m_body.size());
    if (m_body.size() > maxBodyBytes)
        fail(QStringLiteral("The version information is larger than 1 MiB."));
}

void UpdateCheck::replyFinished()
{
    if (!m_reply || !m_running)
        return;
    readBody();
    if (!m_running)
        return;
    const QNetworkReply::NetworkError error = m_reply->error();
    const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QString description = m_reply->errorString();
    dropReply();
    // An error page is not the document, whatever it holds.
    if (status >= 400) {
        finish(UpdateOutcome::failure(downloadFailedText()));
        return;
    }
    if (error != QNetworkReply::NoError) {
        finish(UpdateOutcome::failure(description));
        return;
    }
    if (status < 200 || status >= 300) {
        finish(UpdateOutcome::failure(downloadFailedText()));
        return;
    }
    finish(evaluateVersions(m_body, m_runningVersion));
}

void UpdateCheck::fail(const QString& description)
{
    if (!m_running)
        return;
    dropReply();
    finish(UpdateOutcome::failure(description));
}

void UpdateCheck::finish(const UpdateOutcome& outcome)
{
    m_deadline.stop();
    m_running = false;
    m_body.clear();
    Q_EMIT finished(outcome);
}

void UpdateCheck::dropReply()
{
    if (!m_reply)
        return;
    QNetworkReply* reply = m_reply;
    m_reply = nullptr;
    reply->disconnect(this);
    reply->abort();
    reply->deleteLater();
}

} // namespace tavrin
