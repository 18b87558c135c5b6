// The main window's layout applied to the real widgets, offscreen.
#include "mainwindow/frmMain.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QTreeView>

using namespace tavrin;

class tst_WindowLayout : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void contentFollowsEverySize_data();
    void contentFollowsEverySize();
    void outerSizeNeverUnderMinimum_data();
    void outerSizeNeverUnderMinimum();
    void minimisedWindowKeepsRefusedValues();
    void maximisedOnSmallScreenKeepsItsSize();

private:
    QSize client() const { return m_window->centralWidget()->size(); }
    void verifyFitsClient();
    QList<QRect> topBand() const;

    std::unique_ptr<test::TestEnvironment> m_env;
    std::unique_ptr<frmMain> m_window;
};

void tst_WindowLayout::init()
{
    m_env = std::make_unique<test::TestEnvironment>();
    m_window = std::make_unique<frmMain>(*m_env->settings, m_env->prompter, m_env->clock);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void tst_WindowLayout::cleanup()
{
    m_window.reset();
    m_env.reset();
}

QList<QRect> tst_WindowLayout::topBand() const
{
    const frmMain& w = *m_window;
    return {w.Label1->geometry(),  w.txtHost->geometry(),        w.t->geometry(),
            w.txtPort->geometry(), w.Label2->geometry(),         w.txtUniqueID->geometry(),
            w.Label3->geometry(),  w.txtRefreshSecs->geometry(), w.cmdConnect->geometry()};
}

// The whole content, against the design numbers, for the window's present client area.
void tst_WindowLayout::verifyFitsClient()
{
    const frmMain& w = *m_window;
    const float cw = w.toTwips(client().width());
    const float ch = w.toTwips(client().height());
    QCOMPARE(w.Line1->geometry(), QRect(0, w.Line1->y(), client().width(), 1));
    QCOMPARE(w.Line2->x(), 0);
    QCOMPARE(w.Line2->width(), client().width());
    QCOMPARE(w.fraMain->geometry(),
             QRect(0, w.toPixels(1080), client().width(), w.toPixels(ch - 1080)));
    QCOMPARE(w.lv->geometry(), QRect(w.toPixels(120), w.toPixels(600), w.toPixels(cw - 240),
                                     w.toPixels(ch - 1080 - 545 - 50 - 600)));
    QCOMPARE(w.cmdAddLink->x(), w.toPixels(cw - 735 - 200));
    QCOMPARE(w.txtAddLink->geometry(), QRect(w.toPixels(960), w.toPixels(120),
                                             w.toPixels(cw - 935 - 960 - 100), w.toPixels(285)));
    for (QToolButton* b :
         {w.cmdPauseAll, w.cmdUnPauseAll, w.cmdStopAll, w.cmdQueueAll, w.cmdDeleteCompleted})
        QCOMPARE(b->y(), w.toPixels(ch - 1080 - 495 - 50));
    QCOMPARE(w.cmdStopAll->x(), w.toPixels(1320));
}

void tst_WindowLayout::contentFollowsEverySize_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("design") << QSize(693, 470);
    QTest::newRow("wide") << QSize(1200, 500);
    QTest::newRow("tall") << QSize(800, 900);
    QTest::newRow("back to small") << QSize(700, 300);
}

void tst_WindowLayout::contentFollowsEverySize()
{
    QFETCH(QSize, size);
    const QList<QRect> band = topBand();
    m_window->resize(size);
    QTRY_COMPARE(m_window->size(), size);
    verifyFitsClient();
    QCOMPARE(topBand(), band);
    // Twice through the same size leaves the same layout.
    m_window->resize(size.width() + 40, size.height() + 40);
    m_window->resize(size);
    QTRY_COMPARE(m_window->size(), size);
    verifyFitsClient();
}

void tst_WindowLayout::outerSizeNeverUnderMinimum_data()
{
    QTest::addColumn<QSize>("requested");
    QTest::addColumn<bool>("widthSnaps");
    QTest::addColumn<bool>("heightSnaps");
    QTest::newRow("narrower") << QSize(300, 500) << true << false;
    QTest::newRow("lower") << QSize(900, 120) << false << true;
    QTest::newRow("both") << QSize(200, 100) << true << true;
    // Outer height above 4000 twips whose client area is still under it: back to 4000.
    QTest::newRow("a little above the minimum height") << QSize(900, 272) << false << true;
    // Likewise for the width: the frame keeps the client under 10395 twips.
    QTest::newRow("a little above the minimum width") << QSize(691, 500) << true << false;
}

void tst_WindowLayout::outerSizeNeverUnderMinimum()
{
    QFETCH(QSize, requested);
    QFETCH(bool, widthSnaps);
    QFETCH(bool, heightSnaps);
    frmMain& w = *m_window;
    const QList<QRect> band = topBand();

    w.resize(requested);

    const int minWidth = w.toPixels(10395);
    const int minHeight = w.toPixels(4000);
    if (widthSnaps)
        QTRY_COMPARE(w.frameGeometry().width(), minWidth);
    else
        QTRY_COMPARE(w.width(), requested.width());
    if (heightSnaps)
        QTRY_COMPARE(w.frameGeometry().height(), minHeight);
    else
        QTRY_COMPARE(w.height(), requested.height());
    if (widthSnaps)
        QCOMPARE(w.outerWidthTwips(), 10395.0f);
    verifyFitsClient();
    QCOMPARE(topBand(), band);
}

void tst_WindowLayout::minimisedWindowKeepsRefusedValues()
{
    frmMain& w = *m_window;
    w.resize(800, 500);
    QTRY_COMPARE(w.size(), QSize(800, 500));
    const int addLinkWidth = w.txtAddLink->width();
    const int listHeight = w.lv->height();

    w.setWindowState(Qt::WindowMinimized);
    QTRY_VERIFY(w.windowState() & Qt::WindowMinimized);
    // An area under the minimum while minimised.
    w.resize(100, 150);
    QTRY_COMPARE(w.size(), QSize(100, 150));
    QVERIFY(w.windowState() & Qt::WindowMinimized);

    const float cw = w.toTwips(client().width());
    const float ch = w.toTwips(client().height());
    QVERIFY(cw - 1995 < 0);
    QVERIFY(ch - 1080 - 545 - 50 - 600 < 0);
    QCOMPARE(w.fraMain->width(), client().width());
    QCOMPARE(w.fraMain->height(), w.toPixels(ch - 1080));
    QCOMPARE(w.lv->width(), w.toPixels(cw - 240));
    // Negative sizes refused: the add-link box and the list height keep their values ...
    QCOMPARE(w.txtAddLink->width(), addLinkWidth);
    QCOMPARE(w.lv->height(), listHeight);
    // ... while the following steps still ran; a negative position is allowed.
    QCOMPARE(w.cmdAddLink->x(), w.toPixels(cw - 935));
    QCOMPARE(w.cmdQueueAll->y(), w.toPixels(ch - 1080 - 545));

    // Restored: everything follows again, the minimum included.
    w.setWindowState(Qt::WindowNoState);
    w.resize(300, 300);
    QTRY_COMPARE(w.frameGeometry().width(), w.toPixels(10395));
    verifyFitsClient();
}

void tst_WindowLayout::maximisedOnSmallScreenKeepsItsSize()
{
    frmMain& w = *m_window;
    const QSize screen = w.screen()->geometry().size();
    QVERIFY(screen.width() < w.toPixels(10395));
    QVERIFY(screen.height() < w.toPixels(4000));
    const int addLinkWidth = w.txtAddLink->width();
    const int listHeight = w.lv->height();

    w.showMaximized();
    QTRY_VERIFY(w.windowState() & Qt::WindowMaximized);
    QTRY_VERIFY(w.frameGeometry().width() <= screen.width());

    // The window keeps the screen's size, smaller than the minimum.
    QVERIFY(w.frameGeometry().width() < w.toPixels(10395));
    QVERIFY(w.frameGeometry().height() < w.toPixels(4000));
    const float cw = w.toTwips(client().width());
    const float ch = w.toTwips(client().height());
    QCOMPARE(w.fraMain->width(), client().width());
    QCOMPARE(w.lv->width(), w.toPixels(cw - 240));
    QCOMPARE(w.txtAddLink->width(), addLinkWidth);
    QCOMPARE(w.lv->height(), listHeight);
    QCOMPARE(w.cmdAddLink->x(), w.toPixels(cw - 935));
    QCOMPARE(w.cmdPauseAll->y(), w.toPixels(ch - 1080 - 545));
}

// A screen smaller than the window's minimum, so that a maximised window gets less than it;
// ordinary windows may still be larger than the screen.
int main(int argc, char* argv[])
{
    QTemporaryDir dir;
    const QString config = dir.filePath(QStringLiteral("screens.json"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly))
        return 2;
    file.write(R"({"windowFrameMargins": true, "screens": [{"name": "small", "x": 0, "y": 0,
        "width": 110, "height": 160, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
    file.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.toLocal8Bit());
    QApplication app(argc, argv);
    tst_WindowLayout test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_windowlayout.moc"
