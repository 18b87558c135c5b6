// The Help menu: the About box, and the update check against a versions document served on
// loopback.
#include "BuildInfo.h"
#include "gui/MainWindow.h"
#include "support/Find.h"
#include "support/HttpServer.h"
#include "support/TestEnvironment.h"
#include "support/Waits.h"

#include <QtTest>
#include <QtWidgets>

using namespace tavrin;

class AboutTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void helpMenu()
    {
        test::TestEnvironment env;
        test::HttpServer server;
        server.route("/v.xml", {}, 200, test::HttpServer::Send::Never);
        // A dialog as its title, its texts (the About box's icon has none) and its result (1: OK
        // accepted it), a box as title|style|text.
        QStringList seen;
        env.prompter.onMessage = [&, &m = env.prompter.messages] {
            seen << QString("%1|%2|").arg(m.last().title).arg(int(m.last().style)) + m.last().text;
        };
        MainWindowOptions options;
        options.versionsUrl = server.url("/v.xml");
        options.updateTimeoutMs = 400;
        options.runModal = [&](QDialog& dialog) {
            QStringList texts{dialog.windowTitle()};
            for (const QLabel* label : dialog.findChildren<QLabel*>())
                texts << label->text();
            for (const QPlainTextEdit* report : dialog.findChildren<QPlainTextEdit*>())
                texts << report->toPlainText();
            dialog.findChild<QPushButton*>()->click(); // OK
            seen << texts.join('|') + '|' + QString::number(dialog.result());
        };
        MainWindow main(*env.settings, env.prompter, env.clock, options);
        test::action(main, "About")->trigger();
        QAction* check = test::action(main, "Check for new version");
        check->trigger();
        check->trigger(); // no second check while one waits, nor waiting for it
        TRY_COMPARE(seen.size(), 2);
        server.route("/v.xml",
                     "<Versions><Version number=\"1.2.0\">New\nthings</Version></Versions>");
        check->trigger(); // a later check runs afresh
        TRY_COMPARE(
            seen,
            (QStringList{
                "About Tavrin||Tavrin|Version 1.1.8|" + QString::fromUtf8(build::siteUrl) +
                    "/site/projects/tavrin.html|Licence: GPL-3.0-or-later|1",
                "ERROR|16|The version information did not arrive within 0.4 seconds.",
                "New Version Information|You are currently running v1.1.8\nThe latest version "
                "is v1.2.0\n\nVersion 1.2.0: \nNew\nthings\n|1"}));
        QCOMPARE(env.prompter.pointerChanges, (QList<bool>{true, false, true, false}));
        // Each dialog is discarded when closed; the log holds only the start-up entry.
        QVERIFY(main.findChildren<QDialog*>().isEmpty());
        QVERIFY(env.logBytes().count('\n') <= 1);
    }
};

QTEST_MAIN(AboutTest)
#include "tst_about.moc"
