#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <atomic>

namespace tavrin {

// The bounds of one fetch, redirects included.
struct HttpFetchLimits {
    qint64 headerBytes = 64 * 1024; // all header lines of one response together
    qint64 bodyBytes = 1024 * 1024;
    int redirects = 5;
    int timeoutMs = 60000; // the whole exchange, however the server paces it
};

// What a fetch brought: the body, or why there is none.
struct HttpFetchResult {
    QByteArray body;
    QString error; // empty when the body is the answer
};

// True for an http or https address with a host: the only kind fetched.
bool isHttpUrl(const QUrl& url);

// Fetches an http or https address, following redirects to http and https only and never from
// https down to http, within the limits. Proxies come from the usual environment variables;
// loopback is never proxied. Blocks: run it on a thread of its own; `cancelled` ends it early.
HttpFetchResult httpFetch(const QUrl& url, const HttpFetchLimits& limits,
                          const std::atomic<bool>& cancelled);

} // namespace tavrin
