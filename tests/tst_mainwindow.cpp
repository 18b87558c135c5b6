// Start-up, shut-down, Connect and polling through the real window against a loopback server.
#include "core/torrents/TorrentListModel.h"
#include "gui/MainWindow.h"
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
    void connectRejectsBadNumbers_data();
    void connectRejectsBadNumbers();
    void connectSetsInterval_data();
    void connectSetsInterval();
    void firstQueryLeavesOneIntervalAfterConnect();
    void portEditedAfterConnectStopsPolling();
    void refusedConnectionStopsQuietly();
    void socketErrorIsShown();
    void errorReplyStopsPollingAndIsNoRow();
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
    QVERIFY(!w.tmrRefresh->isActive());
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

void TestMainWindow::connectRejectsBadNumbers_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("refresh");
    QTest::addColumn<QString>("named");
    QTest::newRow("port text") << "abc"
                               << "1"
                               << "Port";
    QTest::newRow("port zero") << "0"
                               << "1"
                               << "Port";
    QTest::newRow("port too high") << "65536"
                                   << "1"
                                   << "Port";
    QTest::newRow("port empty") << ""
                                << "1"
                                << "Port";
    QTest::newRow("refresh text") << "56667"
                                  << "soon"
                                  << "Refresh";
    QTest::newRow("refresh too long") << "56667"
                                      << "3000000"
                                      << "Refresh";
}

void TestMainWindow::connectRejectsBadNumbers()
{
    QFETCH(QString, port);
    QFETCH(QString, refresh);
    QFETCH(QString, named);
    Harness h;
    h.window->txtPort->setText(port);
    h.window->txtRefreshSecs->setText(refresh);
    h.window->cmdConnect->click();
    QCOMPARE(h.env.prompter.messages.size(), 1);
    QCOMPARE(h.env.prompter.messages.first().title, QStringLiteral("ERROR"));
    QVERIFY(h.env.prompter.messages.first().text.startsWith(named));
    QVERIFY(!h.window->tmrRefresh->isActive());
    QVERIFY(!h.env.prompter.waitPointer());
    QVERIFY(!h.storedKeys().contains(QStringLiteral("Port")));
}

void TestMainWindow::connectSetsInterval_data()
{
    QTest::addColumn<QString>("refresh");
    QTest::addColumn<int>("interval");
    QTest::newRow("zero") << "0" << 1000;
    QTest::newRow("negative") << "-5" << 1000;
    QTest::newRow("one") << "1" << 1000;
    QTest::newRow("three") << "3" << 3000;
    QTest::newRow("half to even") << " 2.5 " << 2000;
}

void TestMainWindow::connectSetsInterval()
{
    QFETCH(QString, refresh);
    QFETCH(int, interval);
    Harness h;
    h.window->txtUniqueID->setText(QStringLiteral("me"));
    h.window->txtRefreshSecs->setText(refresh);
    h.window->cmdConnect->click();
    QCOMPARE(h.window->tmrRefresh->interval(), interval);
    QVERIFY(h.window->tmrRefresh->isActive());
    QVERIFY(h.env.prompter.waitPointer());
    QCOMPARE(h.env.settings->read(QStringLiteral("RefreshSecs")), refresh);
    QCOMPARE(h.env.settings->read(QStringLiteral("UniqueID")), QStringLiteral("me"));
    QCOMPARE(h.env.settings->read(QStringLiteral("Host")), QStringLiteral("127.0.0.1"));
    QCOMPARE(h.env.settings->read(QStringLiteral("Port")), QString::number(h.server.port()));
}

void TestMainWindow::firstQueryLeavesOneIntervalAfterConnect()
{
    Harness h;
    h.server.setResponder([](const QByteArray&) { return QByteArray("header\n"); });
    h.window->txtUniqueID->setText(QStringLiteral("abc"));
    const qint64 clicked = h.server.elapsedMs();
    h.window->cmdConnect->click();
    QTest::qWait(300);
    QVERIFY(h.server.requests().isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(h.server.requests().size(), 1, 3000);
    QCOMPARE(h.server.requests().first().bytes, QByteArray("ID|abc\nQUERY|"));
    QVERIFY(h.server.requests().first().atMs - clicked >= 950);

    // The first reply locks the connection fields and shows the content area.
    QTRY_VERIFY(!h.window->cmdConnect->isEnabled());
    QVERIFY(!h.window->txtHost->isEnabled());
    QVERIFY(!h.window->txtPort->isEnabled());
    QVERIFY(!h.window->txtUniqueID->isEnabled());
    QVERIFY(h.window->txtRefreshSecs->isEnabled());
    QVERIFY(h.window->fraMain->isEnabled());
    QVERIFY(!h.window->fraMain->isHidden());
    QVERIFY(!h.env.prompter.waitPointer());
    QVERIFY(h.env.logBytes().contains("Got Message: header\n\r\n"));

    // They stay locked after a later failure.
    h.server.close();
    h.window->engine()->setReplyLimit(0);
    QTRY_VERIFY_WITH_TIMEOUT(!h.window->tmrRefresh->isActive(), 3000);
    QVERIFY(!h.window->cmdConnect->isEnabled());
}

void TestMainWindow::portEditedAfterConnectStopsPolling()
{
    Harness h;
    h.window->cmdConnect->click();
    h.window->txtPort->setText(QStringLiteral("80x"));
    h.window->tmrRefresh_Timer();
    QCOMPARE(h.env.prompter.texts(),
             QStringList{QStringLiteral("Port: \"80x\" is not a whole number from 1 to 65535.")});
    QVERIFY(!h.window->tmrRefresh->isActive());
    QVERIFY(!h.env.prompter.waitPointer());
    QTest::qWait(50);
    QVERIFY(h.server.requests().isEmpty());
}

void TestMainWindow::refusedConnectionStopsQuietly()
{
    Harness h;
    h.window->txtPort->setText(QString::number(LoopbackServer::unusedPort()));
    h.window->cmdConnect->click();
    h.window->tmrRefresh_Timer();
    QTRY_VERIFY(!h.window->tmrRefresh->isActive());
    QVERIFY(h.env.prompter.messages.isEmpty());
    QVERIFY(!h.env.prompter.waitPointer());
    QVERIFY(h.window->cmdConnect->isEnabled());
    QVERIFY(h.window->fraMain->isHidden());
}

void TestMainWindow::socketErrorIsShown()
{
    Harness h;
    h.server.setResponder([](const QByteArray&) { return QByteArray(4096, 'x'); });
    h.window->engine()->setReplyLimit(1024);
    h.window->cmdConnect->click();
    h.window->tmrRefresh_Timer();
    QTRY_COMPARE(h.env.prompter.messages.size(), 1);
    QVERIFY(h.env.prompter.messages.first().text.startsWith(QStringLiteral("SOCKET ERROR: ")));
    QCOMPARE(h.env.prompter.messages.first().title, QStringLiteral("ERROR"));
    QCOMPARE(h.env.prompter.messages.first().style, MessageStyle::Critical);
    QVERIFY(!h.window->tmrRefresh->isActive());
    QVERIFY(!h.env.prompter.waitPointer());
}

void TestMainWindow::errorReplyStopsPollingAndIsNoRow()
{
    Harness h;
    h.server.setResponder(
        [](const QByteArray&) { return QByteArray("Feedback\nError=Wrong ID|T1\n"); });
    h.server.setChunkSize(7);
    h.window->cmdConnect->click();
    h.window->tmrRefresh_Timer();
    QTRY_COMPARE(h.env.prompter.messages.size(), 1);
    QCOMPARE(h.env.prompter.messages.first().text, QStringLiteral("ERROR: Wrong ID|T1\n"));
    QCOMPARE(h.env.prompter.messages.first().title, QStringLiteral("ERROR"));
    QVERIFY(!h.window->tmrRefresh->isActive());
    QVERIFY(!h.env.prompter.waitPointer());
    QTest::qWait(100);
    QCOMPARE(h.window->model()->count(), 0);
    QVERIFY(!h.env.logBytes().contains("Row: "));
    QCOMPARE(h.env.prompter.messages.size(), 1);
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
