#include "BuildInfo.h"
#include "info/UpdateCheck.h"
#include "support/HttpServer.h"

#include <QNetworkAccessManager>
#include <QTcpServer>
#include <QtTest>
#include <optional>

using namespace tavrin;
using tavrin::test::HttpServer;

namespace {

const QString running = QStringLiteral("1.1.8");
const QByteArray versionsPath = "/site/projects/tavrin/versions.xml";

// One check, with every outcome it reports.
struct Run {
    QNetworkAccessManager network;
    UpdateCheck check{network};
    QList<UpdateOutcome> outcomes;

    Run()
    {
        QObject::connect(&check, &UpdateCheck::finished,
                         [this](const UpdateOutcome& o) { outcomes.append(o); });
    }
    void start(const QUrl& url, int timeoutMs = 10000) { check.start(url, timeoutMs, running); }
};

HttpServer::Response xml(const QByteArray& body)
{
    HttpServer::Response r;
    r.headers = {{"Content-Type", "text/xml"}};
    r.body = body;
    return r;
}

const QByteArray releases = "<?xml version=\"1.0\"?>\n"
                            "<Versions>\n"
                            "  <Version number=\"1.3.0\">Faster lists\nColumn chooser</Version>\n"
                            "  <Version number=\"1.2.0\">Fixes</Version>\n"
                            "  <Version number=\"1.1.8\">This one</Version>\n"
                            "  <Version number=\"1.1.7\">Old</Version>\n"
                            "</Versions>\n";

} // namespace

class UpdateCheckTest : public QObject {
    Q_OBJECT
private:
    // Serves `body` at the versions path and waits for the one outcome of a check.
    UpdateOutcome check(const HttpServer::Response& response, int timeoutMs = 10000)
    {
        HttpServer server;
        server.route(versionsPath, response);
        Run run;
        run.start(server.url(QString::fromLatin1(versionsPath)), timeoutMs);
        if (!QTest::qWaitFor([&] { return !run.outcomes.isEmpty(); }, timeoutMs + 10000))
            return UpdateOutcome::failure(QStringLiteral("no outcome"));
        QTest::qWait(20);
        [&] { QCOMPARE(run.outcomes.size(), 1); }();
        [&] { QCOMPARE(server.requests().size(), 1); }();
        return run.outcomes.first();
    }

private Q_SLOTS:
    void defaultAddressIsTheSitesVersionsDocument()
    {
        QCOMPARE(QString::fromUtf8(build::versionsUrl),
                 QString::fromUtf8(build::siteUrl) + QString::fromLatin1(versionsPath));
    }

    void requestIsAPlainGetOfThePath()
    {
        HttpServer server;
        server.route(versionsPath, xml(releases));
        Run run;
        run.start(server.url(QString::fromLatin1(versionsPath)));
        QTRY_COMPARE(run.outcomes.size(), 1);
        QCOMPARE(server.requests().size(), 1);
        const QByteArray head = server.requests().first();
        QVERIFY2(head.startsWith("GET " + versionsPath + " HTTP/1.1\r\n"), head.constData());
        QVERIFY(!head.contains("Authorization"));
        QVERIFY(!head.contains("Cookie"));
    }

    void latestVersion()
    {
        // Whatever follows the newest release is not read.
        const UpdateOutcome o = check(xml("<Versions><Version number=\"1.1.8\">Now</Version>"
                                          "<Version>no number</Version><Other/></Versions>"));
        QCOMPARE(o.kind, UpdateOutcome::Kind::Latest);
    }

    void newerReleasesAreListedNewestFirst()
    {
        const UpdateOutcome o = check(xml(releases));
        QCOMPARE(o.kind, UpdateOutcome::Kind::Report);
        QCOMPARE(o.text, QStringLiteral("You are currently running v1.1.8\r\r\n"
                                        "The latest version is v1.3.0\r\r\n\r\r\n"
                                        "Version 1.3.0: \r\r\nFaster lists\r\nColumn chooser\r\r\n"
                                        "Version 1.2.0: \r\r\nFixes\r\r\n"));
    }

    void runningVersionAbsentListsEveryRelease()
    {
        const UpdateOutcome o =
            check(xml("<Versions><Version number=\"1.1.6\">Six</Version><Other number=\"1.1.8\"/>"
                      "<Version number=\"1.1.5\"><b>Five</b> and <![CDATA[<more>]]></Version>"
                      "</Versions>"));
        QCOMPARE(o.kind, UpdateOutcome::Kind::Report);
        QCOMPARE(o.text, QStringLiteral("You are currently running v1.1.8\r\r\n"
                                        "The latest version is v1.1.6\r\r\n\r\r\n"
                                        "Version 1.1.6: \r\r\nSix\r\r\n"
                                        "Version 1.1.5: \r\r\nFive and <more>\r\r\n"));
    }

    void versionsCompareAsText_data()
    {
        QTest::addColumn<QByteArray>("number");
        QTest::newRow("leading zero in minor") << QByteArray("1.01.8");
        QTest::newRow("leading zero in revision") << QByteArray("1.1.08");
        QTest::newRow("trailing space") << QByteArray("1.1.8 ");
        QTest::newRow("empty") << QByteArray("");
    }
    void versionsCompareAsText()
    {
        QFETCH(QByteArray, number);
        const UpdateOutcome o =
            check(xml("<Versions><Version number=\"" + number + "\">x</Version></Versions>"));
        QCOMPARE(o.kind, UpdateOutcome::Kind::Report);
        QVERIFY(o.text.contains(QStringLiteral("The latest version is v") +
                                QString::fromLatin1(number) + QStringLiteral("\r\r\n")));
    }

    void lineFeedOnlyDescriptionsBecomeLines()
    {
        const UpdateOutcome o = check(xml("<Versions><Version number=\"2.0.0\">one\ntwo\n\nthree"
                                          "</Version></Versions>"));
        QVERIFY(
            o.text.endsWith(QStringLiteral("Version 2.0.0: \r\r\none\r\ntwo\r\n\r\nthree\r\r\n")));
        QVERIFY(!o.text.contains(QRegularExpression(QStringLiteral("[^\r]\n"))));
    }

    void entityDeclarationsAreNeitherExpandedNorFetched()
    {
        HttpServer server;
        HttpServer::Response secret;
        secret.body = "SECRET";
        server.route("/secret", secret);
        const QByteArray body = "<?xml version=\"1.0\"?>\n"
                                "<!DOCTYPE Versions [\n"
                                "  <!ENTITY word \"EXPANDED\">\n"
                                "  <!ENTITY outside SYSTEM \"" +
                                server.url(QStringLiteral("/secret")).toEncoded() +
                                "\">\n"
                                "]>\n"
                                "<Versions><Version number=\"2.0.0\">a &word; b &outside; c"
                                "</Version></Versions>";
        server.route(versionsPath, xml(body));
        Run run;
        run.start(server.url(QString::fromLatin1(versionsPath)));
        QTRY_COMPARE(run.outcomes.size(), 1);
        QTest::qWait(50);
        QCOMPARE(server.requestedPaths(), QList<QByteArray>{versionsPath});
        const UpdateOutcome o = run.outcomes.first();
        QVERIFY(!o.text.contains(QStringLiteral("EXPANDED")));
        QVERIFY(!o.text.contains(QStringLiteral("SECRET")));
    }

    void documentFailures_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("text"); // empty: a description of our own
        const QString failed = QStringLiteral("Failed to download version information.");
        QTest::newRow("empty body") << 200 << QByteArray() << failed;
        QTest::newRow("html page")
            << 200 << QByteArray("<html><body><p>Moved<br></body></html>") << failed;
        QTest::newRow("html error page")
            << 500 << QByteArray("<html><body>Oops</body></html>") << failed;
        QTest::newRow("error page that is xml")
            << 404 << QByteArray("<Versions><Version number=\"9.9.9\">x</Version></Versions>")
            << failed;
        QTest::newRow("only a declaration")
            << 200 << QByteArray("<?xml version=\"1.0\"?>") << failed;
        QTest::newRow("no Versions") << 200
                                     << QByteArray("<Releases><Version number=\"2.0.0\"/>"
                                                   "</Releases>")
                                     << QString();
        QTest::newRow("no Version")
            << 200 << QByteArray("<Versions><Release/></Versions>") << QString();
        QTest::newRow("newest without number")
            << 200 << QByteArray("<Versions><Version>x</Version></Versions>") << QString();
        QTest::newRow("listed release without number")
            << 200
            << QByteArray("<Versions><Version number=\"2.0.0\">a</Version><Version>b</Version>"
                          "<Version number=\"1.1.8\"/></Versions>")
            << QString();
    }
    void documentFailures()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, text);
        HttpServer::Response r = xml(body);
        r.status = status;
        r.reason = status == 200 ? "OK" : "Error";
        const UpdateOutcome o = check(r);
        QCOMPARE(o.kind, UpdateOutcome::Kind::Failure);
        if (text.isEmpty()) {
            QVERIFY(!o.text.isEmpty());
            QVERIFY(o.text != QStringLiteral("Failed to download version information."));
        } else {
            QCOMPARE(o.text, text);
        }
    }

    void unreachableServer()
    {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
        const quint16 port = closed.serverPort();
        closed.close();
        Run run;
        run.start(QUrl(
            QStringLiteral("http://127.0.0.1:%1/site/projects/tavrin/versions.xml").arg(port)));
        QTRY_COMPARE(run.outcomes.size(), 1);
        QCOMPARE(run.outcomes.first().kind, UpdateOutcome::Kind::Failure);
        QVERIFY(!run.outcomes.first().text.isEmpty());
        QVERIFY(!run.check.isRunning());
    }

    void serverThatNeverAnswersTimesOut()
    {
        HttpServer::Response silent;
        silent.neverAnswer = true;
        const UpdateOutcome o = check(silent, 300);
        QCOMPARE(o.kind, UpdateOutcome::Kind::Failure);
        QCOMPARE(o.text,
                 QStringLiteral("The version information did not arrive within 0.3 seconds."));
    }

    void trickleIsBoundByTheSameDeadline()
    {
        HttpServer::Response slow = xml(releases);
        slow.trickleBytes = 1;
        slow.trickleMs = 40;
        const UpdateOutcome o = check(slow, 400);
        QCOMPARE(o.kind, UpdateOutcome::Kind::Failure);
        QVERIFY(o.text.contains(QStringLiteral("did not arrive")));
    }

    void oversizedBody_data()
    {
        QTest::addColumn<bool>("sendLength");
        QTest::newRow("announced") << true;
        QTest::newRow("unannounced") << false;
    }
    void oversizedBody()
    {
        QFETCH(bool, sendLength);
        QByteArray body = "<Versions><Version number=\"2.0.0\">";
        body += QByteArray(2 * 1024 * 1024, 'x');
        body += "</Version></Versions>";
        HttpServer::Response big = xml(body);
        big.sendLength = sendLength;
        const UpdateOutcome o = check(big);
        QCOMPARE(o.kind, UpdateOutcome::Kind::Failure);
        QCOMPARE(o.text, QStringLiteral("The version information is larger than 1 MiB."));
    }

    void bodyJustUnderTheBoundIsRead()
    {
        QByteArray body = "<Versions><Version number=\"2.0.0\">";
        body += QByteArray(1024 * 1024 - 100, 'x');
        body += "</Version></Versions>";
        const UpdateOutcome o = check(xml(body));
        QCOMPARE(o.kind, UpdateOutcome::Kind::Report);
    }

    void redirectIsFollowed()
    {
        HttpServer server;
        server.redirect(versionsPath, "/moved.xml");
        server.route("/moved.xml", xml(releases));
        Run run;
        run.start(server.url(QString::fromLatin1(versionsPath)));
        QTRY_COMPARE(run.outcomes.size(), 1);
        QCOMPARE(run.outcomes.first().kind, UpdateOutcome::Kind::Report);
        QCOMPARE(server.requestedPaths(), (QList<QByteArray>{versionsPath, "/moved.xml"}));
    }

    void redirectLoopEnds()
    {
        HttpServer server;
        server.redirect("/a", "/b");
        server.redirect("/b", "/a");
        Run run;
        run.start(server.url(QStringLiteral("/a")));
        QTRY_COMPARE(run.outcomes.size(), 1);
        QCOMPARE(run.outcomes.first().kind, UpdateOutcome::Kind::Failure);
        QVERIFY(!run.outcomes.first().text.isEmpty());
        QVERIFY(!run.outcomes.first().text.isEmpty());
        QCOMPARE(server.requests().size(), UpdateCheck::maxRedirects + 1);
    }

    void redirectAwayFromTheWebIsRefused()
    {
        HttpServer server;
        server.redirect(versionsPath, "file:///etc/passwd");
        Run run;
        run.start(server.url(QString::fromLatin1(versionsPath)));
        QTRY_COMPARE(run.outcomes.size(), 1);
        QCOMPARE(run.outcomes.first().kind, UpdateOutcome::Kind::Failure);
        QVERIFY(!run.outcomes.first().text.isEmpty());
        QCOMPARE(server.requests().size(), 1);
    }

    void addressMustBeHttp_data()
    {
        QTest::addColumn<QUrl>("url");
        QTest::newRow("file") << QUrl(QStringLiteral("file:///etc/hostname"));
        QTest::newRow("resource") << QUrl(QStringLiteral("qrc:/icons/tavrin.svg"));
        QTest::newRow("empty") << QUrl();
    }
    void addressMustBeHttp()
    {
        QFETCH(QUrl, url);
        Run run;
        run.start(url);
        QVERIFY(run.check.isRunning());
        QTRY_COMPARE(run.outcomes.size(), 1);
        QCOMPARE(run.outcomes.first().kind, UpdateOutcome::Kind::Failure);
        QVERIFY(run.outcomes.first().text.contains(QStringLiteral("not an HTTP address")));
    }

    void discardingARunningCheckIsQuiet()
    {
        HttpServer server;
        HttpServer::Response silent;
        silent.neverAnswer = true;
        server.route(versionsPath, silent);
        int outcomes = 0;
        {
            QNetworkAccessManager network;
            UpdateCheck check(network);
            QObject::connect(&check, &UpdateCheck::finished, [&] { ++outcomes; });
            check.start(server.url(QString::fromLatin1(versionsPath)), 10000, running);
            QTRY_COMPARE(server.requests().size(), 1);
        }
        QTest::qWait(50);
        QCOMPARE(outcomes, 0);
    }
};

QTEST_GUILESS_MAIN(UpdateCheckTest)
#include "tst_updatecheck.moc"
