// The Versions document read into a report, and the check that fetches it over HTTP.
#include "core/update/UpdateCheck.h"
#include "support/HttpServer.h"
#include "support/Waits.h"

#include <QtTest>

using namespace tavrin;
using tavrin::test::HttpServer;
using Kind = UpdateOutcome::Kind;
using Send = HttpServer::Send;

const QString failed = QStringLiteral("Failed to download version information.");
const QString own = QStringLiteral("*"); // any description of the program's own

const auto versions = [](const QByteArray& inner) { return "<Versions>" + inner + "</Versions>"; };
const auto v = [](const QByteArray& number, const QByteArray& text = {}) {
    return "<Version number=\"" + number + "\">" + text + "</Version>";
};
// The report's opening lines when `latest` is the newest release and 1.1.8 is running.
const QString running = QStringLiteral("You are currently running v1.1.8\r\r\n");
const auto head = [](const QString& n) {
    return running + "The latest version is v" + n + "\r\r\n\r\r\n";
};

class UpdateCheckTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The body, then the report (empty: the running version is the latest; `own`: a failure in
    // our own words, whatever they are).
    void documents_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("text");
        // Text as deep as a 1 MiB document can nest is read without running out of stack.
        const QByteArray open = QByteArray("<i>").repeated(150000),
                         close = QByteArray(open).replace("<i>", "</i>");
        // Whatever follows the newest release is not read.
        QTest::newRow("latest") << versions(v("1.1.8", "a") + "<Version/>") << QString();
        QTest::newRow("newer ones")
            << versions(v("1.3.0", "a\n\nb") + v("1.2.0", "c") + v("1.1.8") + v("1.1.7", "d"))
            << head("1.3.0") + "Version 1.3.0: \r\r\na\r\n\r\nb\r\r\nVersion 1.2.0: \r\r\nc\r\r\n";
        QTest::newRow("other elements and markup")
            << versions(v("1.1.6", "a") + "<Other number=\"1.1.8\"/>" +
                        v("1.1.5", "<b>b</b> and <![CDATA[<c>]]>"))
            << head("1.1.6") + "Version 1.1.6: \r\r\na\r\r\nVersion 1.1.5: \r\r\nb and <c>\r\r\n";
        QTest::newRow("deep nesting") << versions(v("1.2.0", "a" + open + "b" + close + "c<i/>d"))
                                      << head("1.2.0") + "Version 1.2.0: \r\r\nabcd\r\r\n";
        // Release numbers compare as text.
        QTest::newRow("numbers as text")
            << versions(v("1.01.8")) << head("1.01.8") + "Version 1.01.8: \r\r\n\r\r\n";
        QTest::newRow("empty") << QByteArray() << failed;
        QTest::newRow("other root") << "<R>" + v("2.0.0") + "</R>" << own;
        QTest::newRow("a version without number")
            << versions(v("2.0.0") + "<Version/>" + v("1.1.8")) << own;
    }
    void documents()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, text);
        const UpdateOutcome o = evaluateVersions(body, QStringLiteral("1.1.8"));
        QCOMPARE(o.kind == Kind::Latest, text.isEmpty());
        QCOMPARE(o.kind == Kind::Report, text.startsWith(running));
        if (text == own) {
            QVERIFY(!o.text.isEmpty());
            QVERIFY(o.text != failed);
        } else {
            QCOMPARE(o.text, text);
        }
    }

    // A path on the server or a whole address, a part of the outcome ("You are": the report),
    // the requests the server saw, and the check's deadline (only the rows about it are short).
    void fetches_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("requests");
        QTest::addColumn<int>("timeoutMs");
        const int never = 600000;
        QTest::newRow("404") << "/error" << failed << 1 << never;
        QTest::newRow("silent") << "/silent"
                                << "did not arrive within 0.3 seconds." << 1 << 300;
        QTest::newRow("trickle") << "/trickle"
                                 << "did not arrive within 0.4 seconds." << 1 << 400;
        QTest::newRow("too big") << "/big"
                                 << "is larger than 1 MiB." << 1 << never;
        QTest::newRow("entities") << "/entities" << running << 1 << never;
        QTest::newRow("redirect") << "/moved" << running << 2 << never;
        QTest::newRow("redirect loop")
            << "/loop" << QString() << UpdateCheck::maxRedirects + 1 << never;
        QTest::newRow("redirect to a file") << "/away" << QString() << 1 << never;
        QTest::newRow("refused") << "http://127.0.0.1:1/"
                                 << "" << 0 << never;
        // The headers are bounded as the body is; an error status is told as such, whatever its
        // page holds.
        QTest::newRow("endless headers") << "/flood"
                                         << "more than 64 KiB of headers" << 1 << never;
        QTest::newRow("500 with a large page")
            << "/broken"
            << "The server answered with HTTP status 500." << 1 << never;
    }
    void fetches()
    {
        QFETCH(QString, url);
        QFETCH(QString, text);
        QFETCH(int, requests);
        QFETCH(int, timeoutMs);
        HttpServer server;
        server.route("/error", versions(v("2.0.0")), 404);
        server.route("/silent", versions(v("2.0.0")), 200, Send::Never);
        server.route("/trickle", versions(v("2.0.0", QByteArray(100, 'x'))), 200, Send::Trickle);
        server.route("/under", versions(v("2.0.0", QByteArray((1 << 20) - 100, 'x'))));
        server.route("/big", versions(v("2", QByteArray(2 << 20, 'x'))), 200, Send::Unannounced);
        server.route("/moved", {}, 302, Send::Whole, "Location: /under\r\n");
        server.route("/loop", {}, 302, Send::Whole, "Location: /loop\r\n");
        server.route("/away", {}, 302, Send::Whole, "Location: file:///etc/passwd\r\n");
        server.route("/flood", {}, 200, Send::HeaderFlood);
        server.route("/broken", QByteArray(2 << 20, 'x'), 500);
        // Entities are not expanded.
        server.route("/entities", "<!DOCTYPE Versions [<!ENTITY w \"EXPANDED\">]>" +
                                      versions(v("2.0.0", "&w;")));
        UpdateCheck check;
        QList<UpdateOutcome> got; // no later outcome can follow once the check is not running
        connect(&check, &UpdateCheck::finished, [&](const UpdateOutcome& o) {
            got << o;
            QVERIFY(!check.isRunning());
        });
        check.start(url.startsWith('/') ? server.url(url) : QUrl(url), timeoutMs,
                    QStringLiteral("1.1.8"));
        QVERIFY(check.isRunning()); // the outcome follows, even for an address not fetched
        TRY_COMPARE(got.size(), 1);
        const UpdateOutcome& o = got.first();
        QCOMPARE(o.kind, text.startsWith(running) ? Kind::Report : Kind::Failure);
        QVERIFY2(o.text.contains(text), qPrintable(o.text));
        QVERIFY2(!o.text.contains("EXPANDED"), qPrintable(o.text));
        QCOMPARE(server.requests().size(), requests);
    }

    void discardingARunningCheckIsQuiet()
    {
        HttpServer server;
        server.route("/silent", {}, 200, Send::Never);
        auto check = std::make_unique<UpdateCheck>();
        connect(check.get(), &UpdateCheck::finished, [] { QFAIL("an outcome after discarding"); });
        check->start(server.url("/silent"), 10000, QStringLiteral("1.1.8"));
        TRY_COMPARE(server.requests().size(), 1);
        check.reset();
        // The server seeing the connection dropped proves the request was abandoned.
        TRY_COMPARE(server.closedConnections(), 1);
    }
};

QTEST_GUILESS_MAIN(UpdateCheckTest)
#include "tst_updatecheck.moc"
