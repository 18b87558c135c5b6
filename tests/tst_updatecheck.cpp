#include "core/update/UpdateCheck.h"
#include "support/HttpServer.h"

#include <QNetworkAccessManager>
#include <QtTest>
#include <memory>

using namespace tavrin;
using tavrin::test::HttpServer;
using Kind = UpdateOutcome::Kind;
using Send = HttpServer::Send;

namespace {

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

} // namespace

class UpdateCheckTest : public QObject {
    Q_OBJECT
    std::unique_ptr<HttpServer> server;

private Q_SLOTS:
    void init()
    {
        server = std::make_unique<HttpServer>();
        const QByteArray report = versions(v("2.0.0")), mib(1024 * 1024, 'x');
        server->route("/error", report, 404);
        server->route("/silent", report, 200, Send::Never);
        server->route("/trickle", versions(v("2.0.0", QByteArray(100, 'x'))), 200, Send::Trickle);
        server->route("/under", versions(v("2.0.0", mib.left(mib.size() - 100))));
        server->route("/over", versions(v("2.0.0", mib + mib)));
        server->route("/unannounced", versions(v("2.0.0", mib + mib)), 200, Send::Unannounced);
        server->redirect("/moved", "/under");
        server->redirect("/loop", "/loop");
        server->redirect("/away", "file:///etc/passwd");
        server->route("/secret", "SECRET");
        const QByteArray secret = server->url("/secret").toEncoded();
        server->route("/entities",
                      "<!DOCTYPE Versions [<!ENTITY w \"EXPANDED\"><!ENTITY o SYSTEM \"" + secret +
                          "\">]>" + versions(v("2.0.0", "&w; &o;")));
    }

    void documents_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("text"); // empty: the running version is the latest
        // Whatever follows the newest release is not read.
        QTest::newRow("latest") << versions(v("1.1.8", "a") + "<Version/>") << QString();
        QTest::newRow("newer ones, newest first")
            << versions(v("1.3.0", "a\n\nb") + v("1.2.0", "c") + v("1.1.8") + v("1.1.7", "d"))
            << head("1.3.0") + "Version 1.3.0: \r\r\na\r\n\r\nb\r\r\nVersion 1.2.0: \r\r\nc\r\r\n";
        QTest::newRow("running one not listed")
            << versions(v("1.1.6", "a") + "<Other number=\"1.1.8\"/>" +
                        v("1.1.5", "<b>b</b> and <![CDATA[<c>]]>"))
            << head("1.1.6") + "Version 1.1.6: \r\r\na\r\r\nVersion 1.1.5: \r\r\nb and <c>\r\r\n";
        // Text as deep as a 1 MiB document can nest is read without running out of stack.
        const int depth = 150000;
        QTest::newRow("150,000 levels")
            << versions(v("1.2.0", "a" + QByteArray("<i>").repeated(depth) + "b" +
                                       QByteArray("</i>").repeated(depth) + "c<i/>d"))
            << head("1.2.0") + "Version 1.2.0: \r\r\nabcd\r\r\n";
        // Release numbers compare as text.
        for (const char* number : {"1.01.8", "1.1.08", "1.1.8 ", ""})
            QTest::newRow(number) << versions(v(number))
                                  << head(number) + "Version " + number + ": \r\r\n\r\r\n";
        QTest::newRow("empty") << QByteArray() << failed;
        QTest::newRow("html") << QByteArray("<html><p>Moved<br></html>") << failed;
        QTest::newRow("declaration only") << QByteArray("<?xml version=\"1.0\"?>") << failed;
        QTest::newRow("no Versions") << "<R>" + v("2.0.0") + "</R>" << own;
        QTest::newRow("no Version") << versions("<Release/>") << own;
        QTest::newRow("newest unnumbered") << versions("<Version/>") << own;
        QTest::newRow("listed one unnumbered")
            << versions(v("2.0.0") + "<Version/>" + v("1.1.8")) << own;
    }
    void documents()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, text);
        const UpdateOutcome o = evaluateVersions(body, QStringLiteral("1.1.8"));
        QCOMPARE(o.kind, text.isEmpty()             ? Kind::Latest
                         : text.startsWith(running) ? Kind::Report
                                                    : Kind::Failure);
        QVERIFY2(text == own ? !o.text.isEmpty() && o.text != failed : o.text == text,
                 qPrintable(o.text));
    }

    void fetches_data()
    {
        QTest::addColumn<QString>("url");  // a path on the server, or a whole address
        QTest::addColumn<QString>("text"); // a part of the outcome; "You are": the report
        QTest::addColumn<int>("requests");
        const QString big = QStringLiteral("The version information is larger than 1 MiB.");
        const QString late = QStringLiteral("The version information did not arrive within ");
        const QString notHttp = QStringLiteral("is not an HTTP address.");
        QTest::newRow("error page") << "/error" << failed << 1;
        QTest::newRow("silent") << "/silent" << late + "0.3 seconds." << 1;
        QTest::newRow("trickle") << "/trickle" << late + "0.4 seconds." << 1;
        QTest::newRow("just under 1 MiB") << "/under" << running << 1;
        QTest::newRow("2 MiB, announced") << "/over" << big << 1;
        QTest::newRow("2 MiB, unannounced") << "/unannounced" << big << 1;
        // Entities are neither expanded nor fetched.
        QTest::newRow("entities") << "/entities" << running << 1;
        QTest::newRow("redirect") << "/moved" << running << 2;
        QTest::newRow("redirect loop") << "/loop" << QString() << UpdateCheck::maxRedirects + 1;
        QTest::newRow("redirect off the web") << "/away" << QString() << 1;
        QTest::newRow("file") << "file:///etc/hostname" << notHttp << 0;
        QTest::newRow("empty") << QString() << notHttp << 0;
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
        QTest::newRow("nothing listening")
            << QStringLiteral("http://127.0.0.1:%1/").arg(closed.serverPort()) << QString() << 0;
    }
    void fetches()
    {
        QFETCH(QString, url);
        QFETCH(QString, text);
        QFETCH(int, requests);
        QNetworkAccessManager network;
        UpdateCheck check(network);
        QList<UpdateOutcome> outcomes;
        bool runningAtOutcome = true; // no later outcome can follow once it is not running
        connect(&check, &UpdateCheck::finished, [&](const UpdateOutcome& o) {
            outcomes << o;
            runningAtOutcome = check.isRunning();
        });
        const int timeoutMs = url == "/silent" ? 300 : url == "/trickle" ? 400 : 10000;
        check.start(url.startsWith('/') ? server->url(url) : QUrl(url), timeoutMs,
                    QStringLiteral("1.1.8"));
        QVERIFY(check.isRunning()); // the outcome follows, even for an address not fetched
        QTRY_VERIFY_WITH_TIMEOUT(!outcomes.isEmpty(), timeoutMs + 10000);
        QVERIFY(outcomes.size() == 1 && !runningAtOutcome);
        const UpdateOutcome o = outcomes.first();
        QCOMPARE(o.kind, text.startsWith(running) ? Kind::Report : Kind::Failure);
        QVERIFY2(!o.text.isEmpty() && o.text.contains(text), qPrintable(o.text));
        QVERIFY(!o.text.contains("EXPANDED") && !o.text.contains("SECRET"));
        QCOMPARE(server->requests().size(), requests);
        // A plain request for the path.
        const QByteArray first = server->requests().value(0);
        QVERIFY2(!requests || first.startsWith("GET " + url.toLatin1() + " HTTP/1.1\r\n"), first);
    }

    void discardingARunningCheckIsQuiet()
    {
        QNetworkAccessManager network;
        auto check = std::make_unique<UpdateCheck>(network);
        int outcomes = 0;
        connect(check.get(), &UpdateCheck::finished, [&] { ++outcomes; });
        check->start(server->url("/silent"), 10000, QStringLiteral("1.1.8"));
        QTRY_COMPARE(server->requests().size(), 1);
        check.reset();
        // The server seeing the connection dropped proves the request was abandoned.
        QTRY_COMPARE(server->closedConnections(), 1);
        QCOMPARE(outcomes, 0);
    }
};

QTEST_GUILESS_MAIN(UpdateCheckTest)
#include "tst_updatecheck.moc"
