// The main window's resize layout: worked out in twips, then applied to the real window offscreen.
#include "core/layout/MainWindowLayout.h"
#include "gui/MainWindow.h"
#include "gui/Twips.h"
#include "support/Find.h"
#include "support/TestEnvironment.h"

#include <QTest>
#include <QtWidgets>
#include <cstring>

using namespace tavrin;
using Layout = MainWindowLayout;

namespace {

// Everything placed, in declaration order.
QList<float> values(const MainWindowGeometry& g)
{
    static_assert(sizeof g % sizeof(float) == 0);
    QList<float> list(sizeof g / sizeof(float));
    std::memcpy(list.data(), &g, sizeof g);
    return list;
}

// Every widget the layout places, against the layout worked out for the window's present client
// area from `geometry`, what the widgets had before; `geometry` becomes the new values.
void verifyFitsClient(const MainWindow& w, MainWindowGeometry& geometry)
{
    const TwipsScale scale(w);
    const QSize c = w.centralWidget()->size();
    geometry = Layout::fitContent(scale.toTwips(c.width()), scale.toTwips(c.height()), geometry);
    QList<int> expected;
    for (float value : values(geometry))
        expected.append(scale.toPixels(value));

    QList<int> actual;
    for (const char* line : {"shadowLine", "highlightLine"})
        actual << w.findChild<QFrame*>(line)->x() << w.findChild<QFrame*>(line)->width();
    const auto* list = test::accessible<QTreeView>(w, "Torrents");
    actual << list->parentWidget()->width() << list->parentWidget()->height() << list->width()
           << list->height() << test::accessible<QPushButton>(w, "Add")->x()
           << test::accessible<QLineEdit>(w, "Add Link:")->width();
    for (const char* name :
         {"Pause All", "UnPause All", "Stop All", "Queue All", "Delete Completed"})
        actual << test::accessible<QToolButton>(w, name)->y();
    QCOMPARE(actual, expected + QList<int>(4, expected.last()));
}

} // namespace

class tst_Layout : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void fitContent_data()
    {
        QTest::addColumn<QSizeF>("client");
        // Content width and height, list width and height, add button left, link box width, the
        // button row's top.
        QTest::addColumn<QList<float>>("expected");
        const auto row = [](const char* name, float cw, float ch, QList<float> e) {
            QTest::newRow(name) << QSizeF(cw, ch) << QList<float>{0, cw, 0, cw} + e;
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

    void fitContent()
    {
        QFETCH(QSizeF, client);
        QFETCH(QList<float>, expected);
        QCOMPARE(values(Layout::fitContent(client.width(), client.height(), {})), expected);
    }

    void windowFollowsSizeAndMinimum_data()
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

    void windowFollowsSizeAndMinimum()
    {
        QFETCH(int, state);
        QFETCH(QSize, size);
        QFETCH(int, snaps);
        test::TestEnvironment env;
        MainWindow w(*env.settings, env.prompter, env.clock);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        MainWindowGeometry geometry;
        verifyFitsClient(w, geometry);
        const TwipsScale scale(w);
        const QSize minimum = QSize(scale.toPixels(10395), scale.toPixels(4000)) -
                              (w.frameGeometry().size() - w.size());
        w.setWindowState(Qt::WindowState(state));
        if (size.isValid()) { // else maximised: as large as the screen
            w.resize(size);
            QTRY_COMPARE(w.size(), QSize(snaps & Qt::Horizontal ? minimum.width() : size.width(),
                                         snaps & Qt::Vertical ? minimum.height() : size.height()));
        }
        // Minimised or maximised, small enough that the add-link box and the list height are
        // refused.
        const auto twips = [&w] { return w.centralWidget()->size() * 1440.0 / w.logicalDpiX(); };
        QTRY_VERIFY(state == 0 || (twips().width() < 1995 && twips().height() < 2275));
        // A refused size keeps what the widget had; the following steps still run.
        verifyFitsClient(w, geometry);
    }
};

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
