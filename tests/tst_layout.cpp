// The main window's resize layout: worked out in twips, then applied to the real window offscreen.
#include "core/layout/MainWindowLayout.h"
#include "gui/MainWindow.h"
#include "gui/Twips.h"
#include "support/Find.h"
#include "support/TestEnvironment.h"
#include "support/Waits.h"

#include <QTest>
#include <QtWidgets>

using namespace tavrin;

// Everything placed, in declaration order.
static QList<float> values(const MainWindowGeometry& g)
{
    return QList<float>(reinterpret_cast<const float*>(&g), reinterpret_cast<const float*>(&g + 1));
}

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
        QCOMPARE(values(MainWindowLayout::fitContent(client.width(), client.height(), {})),
                 expected);
    }

    // Under the minimum the window goes back to it; at each size every widget stands where the
    // layout worked out for the client area puts it.
    void windowFollowsSizeAndMinimum()
    {
        test::TestEnvironment env;
        MainWindow w(*env.settings, env.prompter, env.clock);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const TwipsScale scale(w);
        const auto* list = test::accessible<QTreeView>(w, "Torrents");
        const QSize minimum = QSize(scale.toPixels(10395), scale.toPixels(4000)) -
                              (w.frameGeometry().size() - w.size()); // outer, in twips
        MainWindowGeometry geometry;
        for (const QSize& size : {QSize(900, 600), QSize(200, 100)}) {
            w.resize(size);
            TRY_COMPARE(w.size(), size.expandedTo(minimum));
            const QSize c = w.centralWidget()->size();
            geometry = MainWindowLayout::fitContent(scale.toTwips(c.width()),
                                                    scale.toTwips(c.height()), geometry);
            QList<int> expected, actual;
            for (float value : values(geometry))
                expected.append(scale.toPixels(value));
            for (const char* line : {"shadowLine", "highlightLine"})
                actual << w.findChild<QFrame*>(line)->x() << w.findChild<QFrame*>(line)->width();
            actual << list->parentWidget()->width() << list->parentWidget()->height()
                   << list->width() << list->height()
                   << test::accessible<QPushButton>(w, "Add")->x()
                   << test::accessible<QLineEdit>(w, "Add Link:")->width()
                   << test::accessible<QToolButton>(w, "Pause All")->y();
            QCOMPARE(actual, expected);
        }
    }
};

QTEST_MAIN(tst_Layout)
#include "tst_layout.moc"
