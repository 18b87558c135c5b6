#include "BuildInfo.h"
#include "info/DialogGeometry.h"
#include "info/frmAbout.h"
#include "info/frmVersion.h"
#include "mainwindow/frmMain.h"
#include "support/HttpServer.h"
#include "support/TestEnvironment.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTcpServer>
#include <QtTest>

using namespace tavrin;
using tavrin::test::HttpServer;
using tavrin::test::TestEnvironment;

namespace {

const QByteArray versionsPath = "/site/projects/tavrin/versions.xml";

HttpServer::Response xml(const QByteArray& body)
{
    HttpServer::Response r;
    r.body = body;
    return r;
}

// The right and bottom edges of a window's outer rectangle, exclusive.
QPoint outerEnd(const QWidget& w)
{
    const QRect r = w.frameGeometry();
    return {r.x() + r.width(), r.y() + r.height()};
}

} // namespace

Q_DECLARE_METATYPE(tavrin::TwipsRect)

class AboutTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void aboutBoxTexts()
    {
        frmAbout about(nullptr);
        QCOMPARE(about.windowTitle(), QStringLiteral("About Tavrin"));
        QCOMPARE(about.lblTitle->text(), QStringLiteral("Tavrin"));
        QCOMPARE(about.lblVersion->text(), QStringLiteral("Version 1.1.8"));
        QCOMPARE(about.lblDescription->text(),
                 QString::fromUtf8(build::siteUrl) + QStringLiteral("/site/projects/tavrin.html"));
        QCOMPARE(about.lblDescription->textFormat(), Qt::PlainText);
        QVERIFY(!about.lblDescription->openExternalLinks());
        QVERIFY(!about.picIcon->pixmap().isNull());
        QCOMPARE(about.cmdOK->text(), QStringLiteral("OK"));
        QVERIFY(about.cmdOK->isDefault());
        QCOMPARE(about.minimumSize(), about.maximumSize());
        // The whole address is readable inside the box.
        const QRect address = about.lblDescription->geometry();
        QVERIFY(address.width() >=
                about.lblDescription->fontMetrics().horizontalAdvance(frmAbout::pageUrl()));
        QVERIFY(address.right() < about.width());
        QVERIFY(!(about.windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(about.windowFlags() & Qt::WindowMaximizeButtonHint));
    }

    void aboutBoxPositionInTwips_data()
    {
        QTest::addColumn<TwipsRect>("main");
        QTest::addColumn<float>("width");
        QTest::addColumn<float>("height");
        QTest::addColumn<float>("left");
        QTest::addColumn<float>("top");
        QTest::newRow("designed sizes")
            << TwipsRect{1000, 1000, 10395, 7050} << 4590.f << 2265.f << 1607.5f << 2260.f;
        QTest::newRow("odd width keeps the half twip")
            << TwipsRect{1000, 1000, 10395, 7051} << 4500.f << 1860.f << 1697.5f << 2665.5f;
        // Near the screen's corner the box is left partly off-screen, as placed.
        QTest::newRow("top-left corner")
            << TwipsRect{0, 0, 3000, 2000} << 4590.f << 2265.f << -3090.f << -1265.f;
    }
    void aboutBoxPositionInTwips()
    {
        QFETCH(TwipsRect, main);
        QFETCH(float, width);
        QFETCH(float, height);
        QFETCH(float, left);
        QFETCH(float, top);
        const TwipsPoint at = aboutBoxPosition(main, width, height);
        QCOMPARE(at.left, left);
        QCOMPARE(at.top, top);
    }

    void aboutBoxCornerAtMainWindowCentre()
    {
        QWidget main;
        main.setGeometry(300, 200, 701, 500);
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        frmAbout about(&main);
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        const QRect outer = main.frameGeometry();
        const QPoint centre(outer.x() + outer.width() / 2, outer.y() + outer.height() / 2);
        QVERIFY2(qAbs(outerEnd(about).x() - centre.x()) <= 1,
                 qPrintable(QString::number(outerEnd(about).x())));
        QVERIFY(qAbs(outerEnd(about).y() - centre.y()) <= 1);
    }

    void aboutBoxCloses_data()
    {
        QTest::addColumn<int>("key"); // 0: click OK
        QTest::addColumn<int>("result");
        QTest::newRow("OK") << 0 << int(QDialog::Accepted);
        QTest::newRow("Enter") << int(Qt::Key_Return) << int(QDialog::Accepted);
        QTest::newRow("Escape") << int(Qt::Key_Escape) << int(QDialog::Rejected);
    }
    void aboutBoxCloses()
    {
        QFETCH(int, key);
        QFETCH(int, result);
        frmAbout about(nullptr);
        about.open();
        QVERIFY(QTest::qWaitForWindowActive(&about));
        if (key == 0)
            QTest::mouseClick(about.cmdOK, Qt::LeftButton);
        else
            QTest::keyClick(&about, Qt::Key(key));
        QVERIFY(!about.isVisible());
        QCOMPARE(about.result(), result);
    }

    void aboutFromTheHelpMenuTwice()
    {
        TestEnvironment env;
        QStringList seen;
        QList<QPointer<QDialog>> dialogs;
        MainWindowOptions options;
        frmMain* window = nullptr;
        options.runModal = [&](QDialog& dialog) {
            dialogs.append(&dialog);
            dialog.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
            auto& about = dynamic_cast<frmAbout&>(dialog);
            seen << about.windowTitle() + '|' + about.lblTitle->text() + '|' +
                        about.lblVersion->text() + '|' + about.lblDescription->text();
            const QRect outer = window->frameGeometry();
            QVERIFY(qAbs(outerEnd(about).x() - (outer.x() + outer.width() / 2)) <= 1);
            QVERIFY(qAbs(outerEnd(about).y() - (outer.y() + outer.height() / 2)) <= 1);
            QTest::mouseClick(about.cmdOK, Qt::LeftButton);
            QVERIFY(!about.isVisible());
        };
        frmMain main(*env.settings, env.prompter, env.clock, options);
        window = &main;
        main.move(400, 300);
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        main.mnuAbout->trigger();
        main.mnuAbout->trigger();
        QCOMPARE(seen.size(), 2);
        QCOMPARE(seen.at(0), seen.at(1));
        QCOMPARE(seen.at(0),
                 QStringLiteral("About Tavrin|Tavrin|Version 1.1.8|") + frmAbout::pageUrl());
        // Each opening is a new box, discarded when closed.
        QVERIFY(dialogs.at(0).isNull());
        QVERIFY(dialogs.at(1).isNull());
        QVERIFY(env.prompter.messages.isEmpty());
    }

    void versionWindowLayoutInTwips_data()
    {
        QTest::addColumn<float>("clientWidth");
        QTest::addColumn<float>("clientHeight");
        QTest::addColumn<TwipsRect>("txt");
        QTest::addColumn<TwipsRect>("cmdOK");
        QTest::newRow("designed client") << 6150.f << 4920.f << TwipsRect{120, 120, 5910, 4325}
                                         << TwipsRect{5005, 4495, 1095, 375};
        QTest::newRow("larger") << 9000.f << 6000.f << TwipsRect{120, 120, 8760, 5405}
                                << TwipsRect{7855, 5575, 1095, 375};
        // Refused sizes leave the text box as it was; the button may go off the left edge.
        QTest::newRow("tiny") << 100.f << 100.f << TwipsRect{120, 120, 5895, 4215}
                              << TwipsRect{-1045, -325, 1095, 375};
        QTest::newRow("only the width refused")
            << 200.f << 1000.f << TwipsRect{120, 120, 5895, 405} << TwipsRect{-945, 575, 1095, 375};
    }
    void versionWindowLayoutInTwips()
    {
        QFETCH(float, clientWidth);
        QFETCH(float, clientHeight);
        QFETCH(TwipsRect, txt);
        QFETCH(TwipsRect, cmdOK);
        const VersionWindowControls design{{120, 120, 5895, 4215}, {4920, 4440, 1095, 375}};
        const VersionWindowControls next = versionWindowLayout(clientWidth, clientHeight, design);
        const auto same = [](const TwipsRect& a, const TwipsRect& b) {
            return a.left == b.left && a.top == b.top && a.width == b.width && a.height == b.height;
        };
        QVERIFY(same(next.txt, txt));
        QVERIFY(same(next.cmdOK, cmdOK));
    }

    void versionWindowFollowsItsSize()
    {
        frmVersion window;
        QCOMPARE(window.windowTitle(), QStringLiteral("New Version Information"));
        QVERIFY(window.cmdOK->isDefault());
        QVERIFY(!(window.windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(window.windowFlags() & Qt::WindowMaximizeButtonHint));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        // Centred on the screen by its outer size.
        const QRect screen = window.screen()->geometry();
        const QRect outer = window.frameGeometry();
        QVERIFY(qAbs(outer.x() - (screen.width() - outer.width()) / 2) <= 1);
        QVERIFY(qAbs(outer.y() - (screen.height() - outer.height()) / 2) <= 1);

        window.resize(window.toPixels(9000), window.toPixels(6000));
        QTRY_COMPARE(window.size(), QSize(window.toPixels(9000), window.toPixels(6000)));
        QCOMPARE(window.cmdOK->geometry(), QRect(window.toPixels(7855), window.toPixels(5575),
                                                 window.toPixels(1095), window.toPixels(375)));
        QCOMPARE(window.txt->geometry(), QRect(window.toPixels(120), window.toPixels(120),
                                               window.toPixels(8760), window.toPixels(5405)));
        // No minimum size: shrinking below the controls keeps the text box's last size.
        window.resize(window.toPixels(150), window.toPixels(150));
        QTRY_COMPARE(window.size(), QSize(window.toPixels(150), window.toPixels(150)));
        QCOMPARE(window.txt->size(), QSize(window.toPixels(8760), window.toPixels(5405)));
        QCOMPARE(window.cmdOK->pos(),
                 QPoint(window.toPixels(150 - 1095 - 50), window.toPixels(150 - 375 - 50)));
    }

    void versionReportShowsOneLineBreakPerLine()
    {
        frmVersion window;
        window.setReport(QStringLiteral("You are currently running v1.1.8\r\r\n"
                                        "The latest version is v1.3.0\r\r\n\r\r\n"
                                        "Version 1.3.0: \r\r\nFaster lists\r\nColumn chooser\r\r\n"
                                        "Version 1.2.0: \r\r\nFixes\r\r\n"));
        QCOMPARE(window.txt->toPlainText(),
                 QStringLiteral("You are currently running v1.1.8\nThe latest version is v1.3.0\n"
                                "\nVersion 1.3.0: \nFaster lists\nColumn chooser\n"
                                "Version 1.2.0: \nFixes\n"));
        QCOMPARE(window.txt->document()->blockCount(), 9);
        QVERIFY(window.txt->isReadOnly());
    }

    void checkFromTheHelpMenu_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("style");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("report"); // what the report window shows
        QTest::newRow("latest") << 200
                                << QByteArray("<Versions><Version number=\"1.1.8\">x</Version>"
                                              "</Versions>")
                                << QStringLiteral("You are currently running the latest version "
                                                  "of Tavrin")
                                << int(MessageStyle::Plain) << QStringLiteral("Check Version")
                                << QString();
        QTest::newRow("newer") << 200
                               << QByteArray("<Versions><Version number=\"1.2.0\">New\nthings"
                                             "</Version><Version number=\"1.1.8\"/></Versions>")
                               << QString() << 0 << QString()
                               << QStringLiteral("You are currently running v1.1.8\n"
                                                 "The latest version is v1.2.0\n\n"
                                                 "Version 1.2.0: \nNew\nthings\n");
        QTest::newRow("error page")
            << 404 << QByteArray("<html>gone</html>")
            << QStringLiteral("Failed to download version information.")
            << int(MessageStyle::Critical) << QStringLiteral("ERROR") << QString();
    }
    void checkFromTheHelpMenu()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, message);
        QFETCH(int, style);
        QFETCH(QString, title);
        QFETCH(QString, report);

        TestEnvironment env;
        HttpServer server;
        HttpServer::Response r = xml(body);
        r.status = status;
        server.route(versionsPath, r);
        QStringList shown;
        MainWindowOptions options;
        options.versionsUrl = server.url(QString::fromLatin1(versionsPath));
        options.runModal = [&](QDialog& dialog) {
            auto& window = dynamic_cast<frmVersion&>(dialog);
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            shown << window.windowTitle() << window.txt->toPlainText();
            QVERIFY(!env.prompter.waitPointer());
            QTest::mouseClick(window.cmdOK, Qt::LeftButton);
        };
        frmMain main(*env.settings, env.prompter, env.clock, options);
        main.show();
        main.mnuCheckNewVersion->trigger();
        QCOMPARE(env.prompter.pointerChanges, QList<bool>{true});
        QTRY_COMPARE(env.prompter.pointerChanges, (QList<bool>{true, false}));
        if (report.isEmpty()) {
            QTRY_COMPARE(env.prompter.messages.size(), 1);
            QCOMPARE(env.prompter.messages.first().text, message);
            QCOMPARE(int(env.prompter.messages.first().style), style);
            QCOMPARE(env.prompter.messages.first().title, title);
            QVERIFY(shown.isEmpty());
        } else {
            QTRY_COMPARE(shown.size(), 2);
            QCOMPARE(shown, (QStringList{QStringLiteral("New Version Information"), report}));
            QVERIFY(env.prompter.messages.isEmpty());
        }
        QCOMPARE(server.requests().size(), 1);
        QVERIFY(env.logBytes().count('\n') <= 1); // only the start-up entry
    }

    void checkWaitsWithoutFreezingTheWindow()
    {
        TestEnvironment env;
        HttpServer server;
        HttpServer::Response silent;
        silent.neverAnswer = true;
        server.route(versionsPath, silent);
        MainWindowOptions options;
        options.versionsUrl = server.url(QString::fromLatin1(versionsPath));
        options.updateTimeoutMs = 400;
        frmMain main(*env.settings, env.prompter, env.clock, options);
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));

        main.mnuCheckNewVersion->trigger();
        QVERIFY(env.prompter.waitPointer());
        QTRY_COMPARE(server.requests().size(), 1);
        // The window takes input while the check waits, and a second request is not started.
        QTest::keyClicks(main.txtHost, QStringLiteral("x"));
        QVERIFY(main.txtHost->text().endsWith(QLatin1Char('x')));
        main.mnuCheckNewVersion->trigger();
        QVERIFY(env.prompter.messages.isEmpty());

        QTRY_COMPARE(env.prompter.messages.size(), 1);
        QCOMPARE(env.prompter.messages.first().title, QStringLiteral("ERROR"));
        QCOMPARE(env.prompter.messages.first().style, MessageStyle::Critical);
        QCOMPARE(env.prompter.messages.first().text,
                 QStringLiteral("The version information did not arrive within 0.4 seconds."));
        QVERIFY(!env.prompter.waitPointer());
        QCOMPARE(server.requests().size(), 1);

        // A later check runs afresh.
        server.route(versionsPath, xml("<Versions><Version number=\"1.1.8\"/></Versions>"));
        main.mnuCheckNewVersion->trigger();
        QTRY_COMPARE(env.prompter.messages.size(), 2);
        QCOMPARE(env.prompter.messages.last().title, QStringLiteral("Check Version"));
    }

    void unreachableServerFromTheHelpMenu()
    {
        TestEnvironment env;
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
        MainWindowOptions options;
        options.versionsUrl = QUrl(QStringLiteral("http://127.0.0.1:%1/site/projects/tavrin/"
                                                  "versions.xml")
                                       .arg(closed.serverPort()));
        closed.close();
        frmMain main(*env.settings, env.prompter, env.clock, options);
        main.mnuCheckNewVersion->trigger();
        QTRY_COMPARE(env.prompter.messages.size(), 1);
        QCOMPARE(env.prompter.messages.first().title, QStringLiteral("ERROR"));
        QVERIFY(!env.prompter.messages.first().text.isEmpty());
        QCOMPARE(env.prompter.pointerChanges, (QList<bool>{true, false}));
    }
};

QTEST_MAIN(AboutTest)
#include "tst_about.moc"
