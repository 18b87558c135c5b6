// The main window's resize layout, worked out in twips without a window.
#include "mainwindow/MainWindowLayout.h"

#include <QTest>

using namespace tavrin;

namespace {

// What one run leaves, as the numbers to compare.
struct Expected {
    float fraMainWidth, fraMainHeight, lvWidth, lvHeight, cmdAddLinkLeft, txtAddLinkWidth,
        buttonsTop;
};

} // namespace

Q_DECLARE_METATYPE(Expected)
Q_DECLARE_METATYPE(ModelledWindow)

class tst_Layout : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void fitContent_data();
    void fitContent();
    void minimumAndNestedRuns_data();
    void minimumAndNestedRuns();
    void rerunOnSameSizeChangesNothing();
    void runAfterMinimisedRecomputesEverything();
};

void tst_Layout::fitContent_data()
{
    QTest::addColumn<float>("clientWidth");
    QTest::addColumn<float>("clientHeight");
    QTest::addColumn<Expected>("expected");

    // Starting from the designed values each time.
    QTest::newRow("designed client area")
        << 10275.0f << 6615.0f << Expected{10275, 5535, 10035, 4340, 9340, 8280, 4990};
    QTest::newRow("wide and tall")
        << 20000.0f << 12000.0f << Expected{20000, 10920, 19760, 9725, 19065, 18005, 10375};
    QTest::newRow("fractional twips stay fractional")
        << 10500.5f << 5000.25f
        << Expected{10500.5f, 3920.25f, 10260.5f, 2725.25f, 9565.5f, 8505.5f, 3375.25f};
    // Minimised: 0 x 0. Negative sizes are refused one by one; positions may go negative.
    QTest::newRow("minimised") << 0.0f << 0.0f << Expected{0, 5415, 9975, 4220, -935, 6735, 4870};
    // Maximised on a screen under the minimum: the layout goes on with the smaller area.
    QTest::newRow("small maximised, add-link box refused")
        << 1500.0f << 3000.0f << Expected{1500, 1920, 1260, 725, 565, 6735, 1375};
    QTest::newRow("small maximised, list height refused")
        << 8000.0f << 2000.0f << Expected{8000, 920, 7760, 4095, 7065, 6005, 375};
    QTest::newRow("frame height refused, button row from the kept height")
        << 200.0f << 1000.0f << Expected{200, 5415, 9975, 4220, -735, 6735, 4870};
    QTest::newRow("list width exactly zero is allowed")
        << 240.0f << 1080.0f << Expected{240, 0, 0, 4095, -695, 6735, -545};
}

void tst_Layout::fitContent()
{
    QFETCH(float, clientWidth);
    QFETCH(float, clientHeight);
    QFETCH(Expected, expected);

    const MainWindowProperties p = MainWindowLayout::fitContent(clientWidth, clientHeight, {});
    QCOMPARE(p.line1X1, 0.0f);
    QCOMPARE(p.line1X2, clientWidth);
    QCOMPARE(p.line2X1, 0.0f);
    QCOMPARE(p.line2X2, clientWidth);
    QCOMPARE(p.fraMainWidth, expected.fraMainWidth);
    QCOMPARE(p.fraMainHeight, expected.fraMainHeight);
    QCOMPARE(p.lvWidth, expected.lvWidth);
    QCOMPARE(p.lvHeight, expected.lvHeight);
    QCOMPARE(p.cmdAddLinkLeft, expected.cmdAddLinkLeft);
    QCOMPARE(p.txtAddLinkWidth, expected.txtAddLinkWidth);
    QCOMPARE(p.cmdPauseAllTop, expected.buttonsTop);
    QCOMPARE(p.cmdUnPauseAllTop, expected.buttonsTop);
    QCOMPARE(p.cmdDeleteCompletedTop, expected.buttonsTop);
    QCOMPARE(p.cmdStopAllTop, expected.buttonsTop);
    QCOMPARE(p.cmdQueueAllTop, expected.buttonsTop);
}

void tst_Layout::minimumAndNestedRuns_data()
{
    QTest::addColumn<ModelledWindow>("window");
    QTest::addColumn<ModelledWindow>("final");
    QTest::addColumn<int>("runs");
    QTest::addColumn<int>("maxDepth");

    // A frame of 120 twips across and 690 down (borders, title and menu bar).
    QTest::newRow("roomy window: no change")
        << ModelledWindow{12000, 6000, 12120, 6690, false}
        << ModelledWindow{12000, 6000, 12120, 6690, false} << 1 << 1;
    QTest::newRow("dragged narrower: outer width back to the minimum")
        << ModelledWindow{8880, 6000, 9000, 6690, false}
        << ModelledWindow{10275, 6000, 10395, 6690, false} << 2 << 2;
    QTest::newRow("just above the minimum but client under it: snaps back")
        << ModelledWindow{10280, 6000, 10400, 6690, false}
        << ModelledWindow{10275, 6000, 10395, 6690, false} << 2 << 2;
    QTest::newRow("at the minimum: assigned again, no further run")
        << ModelledWindow{10275, 6000, 10395, 6690, false}
        << ModelledWindow{10275, 6000, 10395, 6690, false} << 1 << 1;
    QTest::newRow("dragged lower: outer height back to the minimum")
        << ModelledWindow{12000, 2000, 12120, 2690, false}
        << ModelledWindow{12000, 3310, 12120, 4000, false} << 2 << 2;
    // Step 1's nested run also does step 2, which nests once more.
    QTest::newRow("both under: the height is fixed inside the width's run")
        << ModelledWindow{8880, 2310, 9000, 3000, false}
        << ModelledWindow{10275, 3310, 10395, 4000, false} << 3 << 3;
    QTest::newRow("minimised: both steps refused")
        << ModelledWindow{0, 0, 3000, 500, true} << ModelledWindow{0, 0, 3000, 500, true} << 1 << 1;
    QTest::newRow("maximised on a small screen: both steps refused")
        << ModelledWindow{9000, 3500, 9000, 3500, true}
        << ModelledWindow{9000, 3500, 9000, 3500, true} << 1 << 1;
    QTest::newRow("a frame taller than the minimum leaves no client area")
        << ModelledWindow{12000, 0, 12120, 4200, false}
        << ModelledWindow{12000, 0, 12120, 4000, false} << 2 << 2;
}

void tst_Layout::minimumAndNestedRuns()
{
    QFETCH(ModelledWindow, window);
    QFETCH(ModelledWindow, final);
    QFETCH(int, runs);
    QFETCH(int, maxDepth);

    const MainWindowLayout::Outcome outcome = MainWindowLayout::run(window, {});
    QCOMPARE(outcome.window.clientWidth, final.clientWidth);
    QCOMPARE(outcome.window.clientHeight, final.clientHeight);
    QCOMPARE(outcome.window.outerWidth, final.outerWidth);
    QCOMPARE(outcome.window.outerHeight, final.outerHeight);
    QCOMPARE(outcome.runs, runs);
    QCOMPARE(outcome.maxDepth, maxDepth);
    // The last run to finish fits the final client size.
    QCOMPARE(outcome.properties.line1X2, final.clientWidth);
    if (final.clientWidth >= 0)
        QCOMPARE(outcome.properties.fraMainWidth, final.clientWidth);
    if (final.clientHeight >= 1080)
        QCOMPARE(outcome.properties.fraMainHeight, final.clientHeight - 1080);
}

void tst_Layout::rerunOnSameSizeChangesNothing()
{
    const ModelledWindow window{8880, 2310, 9000, 3000, false};
    const MainWindowLayout::Outcome first = MainWindowLayout::run(window, {});
    const MainWindowLayout::Outcome second = MainWindowLayout::run(first.window, first.properties);
    QCOMPARE(second.runs, 1);
    QVERIFY(second.window == first.window);
    QVERIFY(second.properties == first.properties);
}

void tst_Layout::runAfterMinimisedRecomputesEverything()
{
    const MainWindowLayout::Outcome minimised =
        MainWindowLayout::run({0, 0, 12120, 7000, true}, {});
    QCOMPARE(minimised.properties.cmdAddLinkLeft, -935.0f);
    QCOMPARE(minimised.properties.fraMainHeight, 5415.0f);

    const MainWindowLayout::Outcome restored =
        MainWindowLayout::run({12000, 6310, 12120, 7000, false}, minimised.properties);
    const MainWindowLayout::Outcome fresh =
        MainWindowLayout::run({12000, 6310, 12120, 7000, false}, {});
    QVERIFY(restored.properties == fresh.properties);
    QCOMPARE(restored.properties.fraMainHeight, 5230.0f);
    QCOMPARE(restored.properties.lvWidth, 11760.0f);
    QCOMPARE(restored.properties.txtAddLinkWidth, 10005.0f);
}

QTEST_GUILESS_MAIN(tst_Layout)
#include "tst_layout.moc"
