// The main window's resize layout: worked out in twips, then applied to the real window offscreen.
#include "core/layout/MainWindowLayout.h"
#include "gui/MainWindow.h"
#include "support/TestEnvironment.h"

#include <QTest>
#include <QtWidgets>
#include <cstring>

using namespace tavrin;
using Layout = MainWindowLayout;
Q_DECLARE_METATYPE(ModelledWindow)

namespace {

// Every property, in declaration order.
QList<float> values(const MainWindowProperties& p)
{
    QList<float> list(sizeof p / sizeof(float));
    std::memcpy(list.data(), &p, sizeof p);
    return list;
}

// Every widget the layout sets, against the model run on the window's present client area from
// `props`, the values the widgets had before; `props` becomes the new values.
void verifyFitsClient(const MainWindow& w, MainWindowProperties& props)
{
    const QSize c = w.centralWidget()->size();
    props = Layout::fitContent(w.toTwips(c.width()), w.toTwips(c.height()), props);
    QList<int> expected;
    for (float value : values(props))
        expected.append(w.toPixels(value));
    const QList<int> actual =
        QList<int>() << w.Line1->x() << w.Line1->width() << w.Line2->x() << w.Line2->width()
                     << w.fraMain->width() << w.fraMain->height() << w.lv->width() << w.lv->height()
                     << w.cmdAddLink->x() << w.txtAddLink->width() << w.cmdPauseAll->y()
                     << w.cmdUnPauseAll->y() << w.cmdDeleteCompleted->y() << w.cmdStopAll->y()
                     << w.cmdQueueAll->y();
    QCOMPARE(actual, expected);
}

} // namespace

class tst_Layout : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void fitContent_data();
    void fitContent();
    void minimumAndNestedRuns_data();
    void minimumAndNestedRuns();
    void windowFollowsSizeAndMinimum_data();
    void windowFollowsSizeAndMinimum();
};

void tst_Layout::fitContent_data()
{
    QTest::addColumn<QSizeF>("client");
    // Frame width and height, list width and height, add-link left and width, buttons' top.
    QTest::addColumn<QList<float>>("expected");
    const auto row = [](const char* name, float cw, float ch, QList<float> e) {
        QTest::newRow(name) << QSizeF(cw, ch)
                            << QList<float>{0, cw, 0, cw} + e.first(6) + QList<float>(5, e[6]);
    };
    row("fractional", 10500.5f, 5000.25f,
        {10500.5f, 3920.25f, 10260.5f, 2725.25f, 9565.5f, 8505.5f, 3375.25f});
    // Negative sizes are refused one by one; positions may go negative.
    row("minimised", 0, 0, {0, 5415, 9975, 4220, -935, 6735, 4870});
    row("add-link box refused", 1500, 3000, {1500, 1920, 1260, 725, 565, 6735, 1375});
    row("list height refused", 8000, 2000, {8000, 920, 7760, 4095, 7065, 6005, 375});
    row("frame height refused", 200, 1000, {200, 5415, 9975, 4220, -735, 6735, 4870});
    row("list width zero allowed", 240, 1080, {240, 0, 0, 4095, -695, 6735, -545});
}

void tst_Layout::fitContent()
{
    QFETCH(QSizeF, client);
    QFETCH(QList<float>, expected);
    QCOMPARE(values(Layout::fitContent(client.width(), client.height(), {})), expected);
}

void tst_Layout::minimumAndNestedRuns_data()
{
    QTest::addColumn<ModelledWindow>("window");
    QTest::addColumn<ModelledWindow>("final");
    QTest::addColumn<int>("runs"); // the deepest nesting is the same
    // A frame of 120 twips across and 690 down.
    const auto row = [](const char* name, ModelledWindow from, ModelledWindow to, int runs) {
        QTest::newRow(name) << from << to << runs;
    };
    row("client just under", {10280, 6000, 10400, 6690}, {10275, 6000, 10395, 6690}, 2);
    row("at the minimum", {10275, 6000, 10395, 6690}, {10275, 6000, 10395, 6690}, 1);
    row("lower", {12000, 2000, 12120, 2690}, {12000, 3310, 12120, 4000}, 2);
    // The width's nested run also fixes the height, nesting once more.
    row("both under", {8880, 2310, 9000, 3000}, {10275, 3310, 10395, 4000}, 3);
    row("minimised", {0, 0, 3000, 500, true}, {0, 0, 3000, 500, true}, 1);
    row("frame over the minimum", {12000, 0, 12120, 4200}, {12000, 0, 12120, 4000}, 2);
}

void tst_Layout::minimumAndNestedRuns()
{
    QFETCH(ModelledWindow, window);
    QFETCH(ModelledWindow, final);
    QFETCH(int, runs);
    const auto fits = values(Layout::fitContent(final.clientWidth, final.clientHeight, {}));
    // From the designed values and from the negative positions a minimised run leaves, alike.
    for (const MainWindowProperties& from :
         {MainWindowProperties{}, Layout::fitContent(0, 0, {})}) {
        const Layout::Outcome o = Layout::run(window, from);
        QVERIFY(o.window == final);
        QCOMPARE(QList<int>({o.runs, o.maxDepth}), QList<int>({runs, runs}));
        QCOMPARE(values(o.properties), fits); // the last run to finish fits the final size
    }
}

void tst_Layout::windowFollowsSizeAndMinimum_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("snaps"); // Qt::Horizontal: the width goes back to the minimum
    QTest::newRow("both under") << 0 << QSize(200, 100) << int(Qt::Horizontal | Qt::Vertical);
    // Outer sizes just above the minimum whose client area is still under it.
    QTest::newRow("just above the height") << 0 << QSize(900, 272) << int(Qt::Vertical);
    QTest::newRow("just above the width") << 0 << QSize(691, 500) << int(Qt::Horizontal);
    // Minimised or maximised the window keeps a size under the minimum.
    QTest::newRow("minimised") << int(Qt::WindowMinimized) << QSize(100, 150) << 0;
    QTest::newRow("maximised, screen under it") << int(Qt::WindowMaximized) << QSize() << 0;
}

void tst_Layout::windowFollowsSizeAndMinimum()
{
    QFETCH(int, state);
    QFETCH(QSize, size);
    QFETCH(int, snaps);
    test::TestEnvironment env;
    MainWindow w(*env.settings, env.prompter, env.clock);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    MainWindowProperties props;
    verifyFitsClient(w, props);
    const QSize minimum =
        QSize(w.toPixels(10395), w.toPixels(4000)) - (w.frameGeometry().size() - w.size());
    w.setWindowState(Qt::WindowState(state));
    if (size.isValid()) { // else maximised: as large as the screen
        w.resize(size);
        QTRY_COMPARE(w.size(), QSize(snaps & Qt::Horizontal ? minimum.width() : size.width(),
                                     snaps & Qt::Vertical ? minimum.height() : size.height()));
    }
    // Minimised or maximised, small enough that the add-link box and the list height are refused.
    const auto twips = [&w] { return w.centralWidget()->size() * 1440.0 / w.logicalDpiX(); };
    QTRY_VERIFY(state == 0 || (twips().width() < 1995 && twips().height() < 2275));
    // A refused size keeps what the widget had; the following steps still run.
    verifyFitsClient(w, props);
}

// A screen smaller than the window's minimum, so that a maximised window gets less than it.
int main(int argc, char* argv[])
{
    QTemporaryFile file;
    if (!file.open() || file.write(R"({"windowFrameMargins": true, "screens": [{"name": "s",
        "width": 110, "height": 160, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})") < 0 ||
        !file.flush())
        return 2;
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + file.fileName().toLocal8Bit());
    QApplication app(argc, argv);
    tst_Layout test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_layout.moc"
