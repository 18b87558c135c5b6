// Start-up, shut-down, Connect and polling through the real window against a loopback server.
#include "core/torrents/TorrentListModel.h"
#include "gui/MainWindow.h"
#include "support/TorrentScript.h"
#include "support/WindowHarness.h"

#include <QAction>
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace tavrin;
using namespace tavrin::test;

namespace {

struct Harness : WindowHarness {
    using WindowHarness::WindowHarness;
    QStringList storedKeys() const
    {
        env.qsettings->beginGroup(QStringLiteral("Main"));
        QStringList keys = env.qsettings->childKeys();
        env.qsettings->endGroup();
        keys.sort();
        return keys;
    }
};

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void startsWithEmptyStore();
    void version3Setting_data();
    void version3Setting();
    void badStoredSize_data();
    void badStoredSize();
    void shutDownStoresOnlyTheSize();
    void connectAgainAfterAFailure_data();
    void connectAgainAfterAFailure();
};

void TestMainWindow::startsWithEmptyStore()
{
    Harness h;
    MainWindow& w = *h.window;
    QVERIFY(h.env.logBytes().endsWith(": Tavrin starting\r\n"));
    QCOMPARE(h.env.logBytes().count("\r\n"), 1);
    QVERIFY(w.version3());
    QCOMPARE(w.mnuSwitchVersion->text(), QStringLiteral("Switch to Kestrun Version 2"));
    QCOMPARE(w.windowTitle(), QStringLiteral("Tavrin v1.1.8"));
    QVERIFY(!w.fraMain->isEnabled());
    QVERIFY(w.fraMain->isHidden());
    QCOMPARE(w.session()->state(), Session::State::Idle);
    QCOMPARE(w.outerWidthTwips(), 10395.0f);
    QCOMPARE(w.outerHeightTwips(), 7050.0f);
    QVERIFY(h.env.prompter.messages.isEmpty());

    TestEnvironment env;
    MainWindow plain(*env.settings, env.prompter, env.clock);
    QCOMPARE(plain.txtHost->text(), QStringLiteral("localhost"));
    QCOMPARE(plain.txtPort->text(), QStringLiteral("56667"));
    QCOMPARE(plain.txtUniqueID->text(), QString());
    QCOMPARE(plain.txtRefreshSecs->text(), QStringLiteral("1"));
}

void TestMainWindow::version3Setting_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("version3");
    QTest::newRow("true") << "true" << true;
    QTest::newRow("True") << "True" << false;
    QTest::newRow("TRUE") << "TRUE" << false;
    QTest::newRow("false") << "false" << false;
    QTest::newRow("empty") << "" << false;
}

void TestMainWindow::version3Setting()
{
    QFETCH(QString, stored);
    QFETCH(bool, version3);
    Harness h({{QStringLiteral("Version3"), stored}});
    QCOMPARE(h.window->version3(), version3);
    QCOMPARE(h.window->mnuSwitchVersion->text(),
             version3 ? QStringLiteral("Switch to Kestrun Version 2")
                      : QStringLiteral("Switch to Kestrun Version 3"));
}

void TestMainWindow::badStoredSize_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("widthApplied");
    QTest::newRow("width not a number") << "Width"
                                        << "x1" << false;
    QTest::newRow("height beyond 32 bits") << "Height"
                                           << "1e12" << true;
}

void TestMainWindow::badStoredSize()
{
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(bool, widthApplied);
    QMap<QString, QString> stored{{QStringLiteral("Width"), QStringLiteral("12000")},
                                  {QStringLiteral("Height"), QStringLiteral("8000")},
                                  {QStringLiteral("Host"), QStringLiteral("server.lan")}};
    stored[key] = value;
    Harness h(stored);
    const auto& messages = h.env.prompter.messages;
    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages.first().title, QStringLiteral("ERROR"));
    QCOMPARE(messages.first().style, MessageStyle::Critical);
    QVERIFY(messages.first().text.contains(value));
    // Everything before the size is in place; the steps after the failing one are skipped.
    QCOMPARE(h.window->windowTitle(), QStringLiteral("Tavrin v1.1.8"));
    QVERIFY(h.env.logBytes().endsWith("Tavrin starting\r\n"));
    QCOMPARE(h.window->model()->columnCount(), 21);
    QVERIFY(h.window->fraMain->isHidden());
    QCOMPARE(h.window->outerWidthTwips() == 12000.0f, widthApplied);
    QVERIFY(h.window->outerHeightTwips() != 8000.0f);
}

void TestMainWindow::shutDownStoresOnlyTheSize()
{
    Harness h({{QStringLiteral("Width"), QStringLiteral("12000")}});
    h.window->mnuExit->trigger();
    QCOMPARE(h.storedKeys(), (QStringList{QStringLiteral("Height"), QStringLiteral("Width")}));
    QCOMPARE(h.env.settings->read(QStringLiteral("Width")), QStringLiteral("12000"));
    QCOMPARE(h.env.settings->read(QStringLiteral("Height")), QStringLiteral("7050"));
}

void TestMainWindow::connectAgainAfterAFailure_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QStringList>("boxes");
    QTest::newRow("wrong unique ID")
        << "id" << QStringList{QStringLiteral("ERROR: Unique ID does not match\n")};
    QTest::newRow("server restarted") << "restart" << QStringList{};
}

void TestMainWindow::connectAgainAfterAFailure()
{
    QFETCH(QString, fault);
    QFETCH(QStringList, boxes);
    Harness h;
    h.server.setResponder([](const QByteArray& request) {
        return request.startsWith("ID|right\n")
                   ? "header\n" + TorrentScript::row({"T1", "WORKING"}) + "\n"
                   : QByteArray("Feedback\nError=Unique ID does not match\n");
    });
    MainWindow& w = *h.window;
    w.txtRefreshSecs->setText(QStringLiteral("3600"));
    w.txtUniqueID->setText(fault == QLatin1String("id") ? QStringLiteral("wrong")
                                                        : QStringLiteral("right"));
    const auto poll = [&h] {
        const qsizetype before = h.server.requests().size();
        h.window->session()->refresh();
        QTRY_COMPARE(h.server.requests().size(), before + 1);
    };
    const auto locked = [&w] {
        return !w.txtHost->isEnabled() && !w.txtPort->isEnabled() && !w.txtUniqueID->isEnabled() &&
               !w.cmdConnect->isEnabled();
    };
    w.cmdConnect->click();
    if (fault == QLatin1String("restart")) {
        poll();
        QTRY_VERIFY(locked());
        QVERIFY(!w.fraMain->isHidden());
        h.server.close();
        w.session()->refresh();
    } else {
        poll();
    }
    QTRY_COMPARE(w.session()->state(), Session::State::Stopped);
    QCOMPARE(h.env.prompter.texts(), boxes);
    QVERIFY(!h.env.prompter.waitPointer());
    // The fields are usable again; the list keeps what it showed.
    QVERIFY(w.txtHost->isEnabled() && w.txtPort->isEnabled() && w.txtUniqueID->isEnabled());
    QVERIFY(w.cmdConnect->isEnabled());
    QVERIFY(w.txtRefreshSecs->isEnabled());
    QCOMPARE(w.fraMain->isHidden(), fault == QLatin1String("id"));
    QCOMPARE(w.model()->count(), fault == QLatin1String("id") ? 0 : 1);
    QCOMPARE(h.env.logBytes().count("Got Message: "), fault == QLatin1String("id") ? 0 : 1);

    w.txtUniqueID->setText(QStringLiteral("right"));
    QVERIFY(h.server.listenAgain() || fault == QLatin1String("id"));
    w.cmdConnect->click();
    QVERIFY(h.env.prompter.waitPointer());
    poll();
    QTRY_VERIFY(locked());
    QCOMPARE(w.session()->state(), Session::State::Polling);
    QVERIFY(!w.fraMain->isHidden());
    QVERIFY(w.fraMain->isEnabled());
    QCOMPARE(w.model()->count(), 1);
    QVERIFY(!h.env.prompter.waitPointer());
    QCOMPARE(h.env.prompter.texts(), boxes);
    QCOMPARE(h.env.settings->read(QStringLiteral("UniqueID")), QStringLiteral("right"));
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
