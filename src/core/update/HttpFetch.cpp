#include "core/update/HttpFetch.h"

#include "core/update/VersionReport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <curl/curl.h>
#include <memory>

namespace tavrin {

namespace {

QString secondsText(int ms)
{
    return ms % 1000 == 0 ? QString::number(ms / 1000) : QString::number(ms / 1000.0);
}

// What the callbacks of one request share.
struct Transfer {
    const HttpFetchLimits& limits;
    const std::atomic<bool>& cancelled;
    QByteArray body;
    qint64 headerBytes = 0;
    QString stopped; // why a callback ended the transfer
};

size_t onHeader(char* data, size_t size, size_t count, void* user)
{
    auto* t = static_cast<Transfer*>(user);
    const size_t bytes = size * count;
    t->headerBytes += static_cast<qint64>(bytes);
    if (t->headerBytes > t->limits.headerBytes) {
        t->stopped = QCoreApplication::translate(
                         "UpdateCheck", "The server's answer has more than %1 KiB of headers.")
                         .arg(t->limits.headerBytes / 1024);
        return 0;
    }
    const QByteArray line = QByteArray(data, static_cast<qsizetype>(bytes)).trimmed().toLower();
    // An error status is told as such, whatever page comes with it.
    if (line.startsWith("http/")) {
        const int status = line.split(' ').value(1).toInt();
        if (status >= 400) {
            t->stopped = downloadFailedText() +
                         QCoreApplication::translate("UpdateCheck",
                                                     " The server answered with HTTP status %1.")
                             .arg(status);
            return 0;
        }
    }
    // A body announced past the bound is refused before it comes.
    if (line.startsWith("content-length:")) {
        bool ok = false;
        const qint64 length = line.mid(15).trimmed().toLongLong(&ok);
        if (ok && length > t->limits.bodyBytes) {
            t->stopped = QCoreApplication::translate(
                "UpdateCheck", "The version information is larger than 1 MiB.");
            return 0;
        }
    }
    return bytes;
}

size_t onBody(char* data, size_t size, size_t count, void* user)
{
    auto* t = static_cast<Transfer*>(user);
    const size_t bytes = size * count;
    if (t->body.size() + static_cast<qint64>(bytes) > t->limits.bodyBytes) {
        t->stopped = QCoreApplication::translate("UpdateCheck",
                                                 "The version information is larger than 1 MiB.");
        return 0;
    }
    t->body.append(data, static_cast<qsizetype>(bytes));
    return bytes;
}

int onProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    return static_cast<Transfer*>(user)->cancelled.load() ? 1 : 0;
}

struct CurlDeleter {
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};

} // namespace

bool isHttpUrl(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() &&
           (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

HttpFetchResult httpFetch(const QUrl& start, const HttpFetchLimits& limits,
                          const std::atomic<bool>& cancelled)
{
    static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    if (!initialised)
        return {
            {},
            QCoreApplication::translate("UpdateCheck", "The HTTP library could not be started.")};
    const QString late =
        QCoreApplication::translate("UpdateCheck",
                                    "The version information did not arrive within %1 seconds.")
            .arg(secondsText(limits.timeoutMs));
    QElapsedTimer clock;
    clock.start();
    QUrl url = start;
    for (int redirects = 0;; ++redirects) {
        const std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
        if (!curl)
            return {{},
                    QCoreApplication::translate("UpdateCheck",
                                                "The HTTP library could not be started.")};
        Transfer transfer{limits, cancelled, {}, 0, {}};
        char detail[CURL_ERROR_SIZE] = {};
        const QByteArray address = url.toEncoded();
        CURL* c = curl.get();
        curl_easy_setopt(c, CURLOPT_URL, address.constData());
        curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 0L); // followed here, to check each step
        curl_easy_setopt(c, CURLOPT_FAILONERROR, 1L);    // an error page is not the document
        curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(c, CURLOPT_NOPROXY, "localhost,127.0.0.1,::1");
        curl_easy_setopt(c, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits.bodyBytes));
        curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, onHeader);
        curl_easy_setopt(c, CURLOPT_HEADERDATA, &transfer);
        curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, onBody);
        curl_easy_setopt(c, CURLOPT_WRITEDATA, &transfer);
        curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, onProgress);
        curl_easy_setopt(c, CURLOPT_XFERINFODATA, &transfer);
        curl_easy_setopt(c, CURLOPT_ERRORBUFFER, detail);
        const qint64 left = limits.timeoutMs - clock.elapsed();
        if (left <= 0)
            return {{}, late};
        curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, static_cast<long>(left));

        const CURLcode code = curl_easy_perform(c);
        if (cancelled.load())
            return {{}, QCoreApplication::translate("UpdateCheck", "Cancelled.")};
        if (!transfer.stopped.isEmpty())
            return {{}, transfer.stopped};
        long status = 0;
        curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
        if (code == CURLE_OPERATION_TIMEDOUT)
            return {{}, late};
        if (code == CURLE_HTTP_RETURNED_ERROR)
            return {{},
                    downloadFailedText() +
                        QCoreApplication::translate("UpdateCheck",
                                                    " The server answered with HTTP status %1.")
                            .arg(status)};
        if (code == CURLE_FILESIZE_EXCEEDED)
            return {{},
                    QCoreApplication::translate("UpdateCheck",
                                                "The version information is larger than 1 MiB.")};
        if (code != CURLE_OK) {
            const QString text = QString::fromUtf8(detail).trimmed();
            return {{}, text.isEmpty() ? QString::fromUtf8(curl_easy_strerror(code)) : text};
        }
        if (status >= 300 && status < 400) {
            char* next = nullptr;
            curl_easy_getinfo(c, CURLINFO_REDIRECT_URL, &next);
            const QUrl target = next ? QUrl::fromEncoded(QByteArray(next)) : QUrl();
            if (!isHttpUrl(target))
                return {{},
                        QCoreApplication::translate(
                            "UpdateCheck", "The server sent the version information elsewhere, to "
                                           "an address that is not HTTP.")};
            if (url.scheme().toLower() == QLatin1String("https") &&
                target.scheme().toLower() == QLatin1String("http"))
                return {{},
                        QCoreApplication::translate(
                            "UpdateCheck", "The server sent the version information from HTTPS "
                                           "down to plain HTTP; it was not followed.")};
            if (redirects >= limits.redirects)
                return {{},
                        QCoreApplication::translate(
                            "UpdateCheck", "The server sent the version information elsewhere "
                                           "more than %1 times.")
                            .arg(limits.redirects)};
            url = target;
            continue;
        }
        if (status < 200 || status >= 300)
            return {{},
                    downloadFailedText() +
                        QCoreApplication::translate("UpdateCheck",
                                                    " The server answered with HTTP status %1.")
                            .arg(status)};
        return {std::move(transfer.body), {}};
    }
}

} // namespace tavrin
