#include "BuildInfo.h"
#include "gui/AboutDialog.h"
#include "gui/MainWindow.h"
#include "gui/UpdateReportDialog.h"
#include "support/Find.h"
#include "support/HttpServer.h"
#include "support/TestEnvironment.h"

#include <QtTest>
#include <QtWidgets>

using namespace tavrin;
using Send = test::HttpServer::Send;

class AboutTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void helpMenu_data()
    {
        QTest::addColumn<QString>("body");  // of the versions document; empty: no answer
        QTest::addColumn<QString>("shown"); // title|text of a dialog, title|style|text of a box
        QTest::newRow("about")
            << QString() << "About Tavrin|Tavrin|Version 1.1.8|$site/site/projects/tavrin.html";
        QTest::newRow("latest")
            << "<Versions><Version number=\"1.1.8\"/></Versions>"
            << "Check Version|0|You are currently running the latest version of Tavrin";
        QTest::newRow("newer")
            << "<Versions><Version number=\"1.2.0\">New\nthings</Version></Versions>"
            << "New Version Information|You are currently running v1.1.8\nThe latest version is "
               "v1.2.0\n\nVersion 1.2.0: \nNew\nthings\n";
        QTest::newRow("no answer")
            << QString() << "ERROR|16|The version information did not arrive within 0.4 seconds.";
    }
    void helpMenu()
    {
        QFETCH(QString, body);
        QFETCH(QString, shown);
        const bool about = QTest::currentDataTag() == QByteArray("about");
        shown.replace("$site", QString::fromUtf8(build::siteUrl));
        test::TestEnvironment env;
        test::HttpServer server;
        server.route("/v.xml", body.toUtf8(), 200, body.isEmpty() ? Send::Never : Send::Whole);
        QStringList seen;
        env.prompter.onMessage = [&, &m = env.prompter.messages] {
            seen << QString("%1|%2|").arg(m.last().title).arg(int(m.last().style)) + m.last().text;
        };
        MainWindowOptions options;
        options.versionsUrl = server.url("/v.xml");
        options.updateTimeoutMs = body.isEmpty() ? 400 : 60000;
        options.runModal = [&](QDialog& dialog) {
            dialog.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog) && !env.prompter.waitPointer());
            if (auto* a = qobject_cast<AboutDialog*>(&dialog)) {
                const auto text = [a](const char* name) {
                    return a->findChild<QLabel*>(name)->text();
                };
                const QLabel* l = a->findChild<QLabel*>("addressLabel");
                seen << a->windowTitle() + '|' + text("titleLabel") + '|' + text("versionLabel") +
                            '|' + l->text();
                // Its bottom-right corner at the main window's centre, by outer sizes.
                const QRect box = a->frameGeometry(), main = a->parentWidget()->frameGeometry();
                QVERIFY(qAbs(box.x() + box.width() - main.x() - main.width() / 2) <= 1);
                QVERIFY(qAbs(box.y() + box.height() - main.y() - main.height() / 2) <= 1);
                // The address is wholly readable.
                QVERIFY(l->width() >= l->fontMetrics().horizontalAdvance(l->text()) &&
                        l->geometry().right() < a->width());
            } else {
                auto& w = dynamic_cast<UpdateReportDialog&>(dialog);
                const auto* report = w.findChild<QPlainTextEdit*>("reportView");
                const auto* ok = w.findChild<QPushButton*>("okButton");
                seen << w.windowTitle() + '|' + report->toPlainText();
                // Centred on the screen by its outer size.
                const QRect screen = w.screen()->geometry(), outer = w.frameGeometry();
                QVERIFY(qAbs(outer.x() - (screen.width() - outer.width()) / 2) <= 1);
                QVERIFY(qAbs(outer.y() - (screen.height() - outer.height()) / 2) <= 1);
                // In twips: the client size, the text box's size, the button's place. A size that
                // would be negative is refused, so the text box keeps that one as it was.
                const int steps[][6] = {{9000, 6000, 8760, 5405, 7855, 5575},
                                        {150, 150, 8760, 5405, -995, -275},
                                        {195, 1005, 8760, 410, -950, 580}};
                const auto px = [scale = TwipsScale(w)](int twips) {
                    return scale.toPixels(twips);
                };
                for (const auto& s : steps) {
                    w.resize(px(s[0]), px(s[1]));
                    QTRY_COMPARE(w.size(), QSize(px(s[0]), px(s[1])));
                    QCOMPARE(report->geometry(), QRect(px(120), px(120), px(s[2]), px(s[3])));
                    QCOMPARE(ok->geometry(), QRect(px(s[4]), px(s[5]), px(1095), px(375)));
                }
            }
            QTest::mouseClick(dialog.findChild<QPushButton*>(), Qt::LeftButton); // OK
            QVERIFY(!dialog.isVisible());
        };
        MainWindow main(*env.settings, env.prompter, env.clock, options);
        main.move(400, 300);
        main.show();
        QAction* item = test::action(main, about ? "About" : "Check for new version");
        QVERIFY(item);
        item->trigger();
        item->trigger(); // a check: no second one while one waits, nor waiting for it
        QTRY_COMPARE(seen.size(), about ? 2 : 1);
        item->trigger(); // a later check runs afresh
        QTRY_COMPARE(seen, QStringList(about ? 3 : 2, shown));
        const QList<bool> waits{true, false, true, false};
        QCOMPARE(env.prompter.pointerChanges, about ? QList<bool>() : waits);
        // Each dialog is discarded when closed; the log holds only the start-up entry.
        QVERIFY(main.findChildren<QDialog*>().isEmpty() && env.logBytes().count('\n') <= 1);
    }
};

QTEST_MAIN(AboutTest)
#include "tst_about.moc"
