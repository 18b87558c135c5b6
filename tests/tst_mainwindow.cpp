// Start-up, shut-down and Connect through the real window against a loopback server.
#include "support/WindowHarness.h"

using namespace tavrin;
using namespace tavrin::test;

namespace {

// The window's outer size in twips, as stored under "Width" and "Height".
QSizeF outerTwips(const QWidget& w)
{
    const TwipsScale scale(w);
    return {scale.toTwips(w.frameGeometry().width()), scale.toTwips(w.frameGeometry().height())};
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void startsWithEmptyStore()
    {
        TestEnvironment env;
        MainWindow w(*env.settings, env.prompter, env.clock);
        QVERIFY(env.logBytes().endsWith(": Tavrin starting\r\n"));
        QCOMPARE(env.logBytes().count("\r\n"), 1);
        QVERIFY(action(w, "Switch to Kestrun Version 2"));
        QCOMPARE(w.windowTitle(), QStringLiteral("Tavrin v1.1.8"));
        const auto* listArea = w.findChild<QWidget*>(QStringLiteral("contentFrame"));
        QVERIFY(!listArea->isEnabled() && listArea->isHidden());
        QCOMPARE(outerTwips(w), QSizeF(10395, 7050));
        QVERIFY(env.prompter.messages.isEmpty());
        QStringList fields;
        for (const char* caption : {"Host:", "Port:", "Unique ID:", "Refresh (secs):"})
            fields << accessible<QLineEdit>(w, caption)->text();
        QCOMPARE(fields, (QStringList{"localhost", "56667", "", "1"}));
    }

    void badStoredSize_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("widthApplied");
        QTest::newRow("width not a number") << "Width"
                                            << "x1" << false;
        QTest::newRow("height beyond 32 bits") << "Height"
                                               << "1e12" << true;
    }

    void badStoredSize()
    {
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(bool, widthApplied);
        QMap<QString, QString> stored{{QStringLiteral("Width"), QStringLiteral("12000")},
                                      {QStringLiteral("Height"), QStringLiteral("8000")},
                                      {QStringLiteral("Host"), QStringLiteral("server.lan")}};
        stored[key] = value;
        WindowHarness h(stored);
        const auto& messages = h.env.prompter.messages;
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages.first().title, QStringLiteral("ERROR"));
        QCOMPARE(messages.first().style, MessageStyle::Critical);
        QVERIFY(messages.first().text.contains(value));
        // Everything before the size is in place; what follows the failing step is skipped.
        QCOMPARE(h.window->windowTitle(), QStringLiteral("Tavrin v1.1.8"));
        QVERIFY(h.env.logBytes().endsWith("Tavrin starting\r\n"));
        QCOMPARE(h.model().columnCount(), 21);
        QVERIFY(h.listArea()->isHidden());
        QCOMPARE(outerTwips(*h.window).width() == 12000, widthApplied);
        QVERIFY(outerTwips(*h.window).height() != 8000);
    }

    void shutDownStoresOnlyTheSize()
    {
        WindowHarness h({{QStringLiteral("Width"), QStringLiteral("12000")}});
        action(*h.window, "Exit")->trigger();
        QSettings stored = h.env.reopenedSettings();
        stored.beginGroup(QStringLiteral("Main"));
        QCOMPARE(stored.childKeys(),
                 (QStringList{QStringLiteral("Height"), QStringLiteral("Width")}));
        QCOMPARE(stored.value("Width").toString(), QStringLiteral("12000"));
        QCOMPARE(stored.value("Height").toString(), QStringLiteral("7050"));
    }

    void fieldsComeBackAfterAFailure()
    {
        WindowHarness h;
        h.server.setResponder([](const QByteArray&) {
            return "header\n" + TorrentScript::row({"T1", "WORKING"}) + "\n";
        });
        // The connection fields and Connect, usable or not.
        const auto usable = [&h] {
            QList<bool> list;
            for (const char* caption : {"Host:", "Port:", "Unique ID:", "Refresh (secs):"})
                list << h.edit(caption)->isEnabled();
            return list << h.button("Connect")->isEnabled();
        };
        const QList<bool> locked{false, false, false, true, false};
        QVERIFY(h.listArea()->isHidden());
        h.connectAs(QStringLiteral("me"));
        h.refresh();
        QTRY_COMPARE(usable(), locked);
        QVERIFY(!h.listArea()->isHidden() && h.listArea()->isEnabled());

        // The server goes away: the fields are usable again and the list keeps what it showed.
        h.server.close();
        h.window->session()->refresh();
        QTRY_COMPARE(h.window->session()->state(), Session::State::Stopped);
        QCOMPARE(usable(), QList<bool>(5, true));
        QVERIFY(!h.listArea()->isHidden());
        QCOMPARE(h.model().count(), 1);
    }

    void failureTextGoesWholeToTheLog()
    {
        WindowHarness h;
        const QByteArray message = QByteArray(3000, 'x') + '\0' + "end";
        h.server.setResponder([&](const QByteArray&) { return "Feedback\nError=" + message; });
        h.connectAs(QStringLiteral("me"));
        h.window->session()->refresh();
        QTRY_COMPARE(h.env.prompter.messages.size(), 1);
        QTRY_VERIFY(h.env.logBytes().contains(": ERROR: " + message + "\r\n"));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
