// The content area follows the window's size.
#include "gui/MainWindow.h"

#include "core/layout/MainWindowLayout.h"

#include <QFrame>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QTreeView>
#include <cmath>

namespace tavrin {

void MainWindow::applyLayout()
{
    if (!fraMain)
        return;
    const MainWindowLayout::Metrics metrics;
    const auto clientWidth = [this] { return toTwips(centralWidget()->width()); };
    const auto clientHeight = [this] { return toTwips(centralWidget()->height()); };

    // The window system refuses to resize a minimised or maximised window.
    const bool sizeLocked =
        (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)) != 0;
    // Each resize below may lay the window out again, nested, before it returns.
    if (const auto width = MainWindowLayout::outerWidthToAssign(clientWidth(), metrics);
        width && !sizeLocked)
        setOuterSizeTwips(*width, outerHeightTwips());
    if (const auto height = MainWindowLayout::outerHeightToAssign(clientHeight(), metrics);
        height && !sizeLocked)
        setOuterSizeTwips(outerWidthTwips(), *height);

    // The present sizes, so that one that cannot be applied stays as the widget shows it.
    MainWindowLayout::Geometry current;
    current.contentWidth = toTwips(fraMain->width());
    current.contentHeight = toTwips(fraMain->height());
    current.listWidth = toTwips(lv->width());
    current.listHeight = toTwips(lv->height());
    current.linkBoxWidth = toTwips(txtAddLink->width());
    const MainWindowLayout::Geometry g =
        MainWindowLayout::fitContent(clientWidth(), clientHeight(), current, metrics);

    const auto placeLine = [this](QFrame* line, float x1, float x2) {
        line->setGeometry(toPixels(std::min(x1, x2)), line->y(), toPixels(std::fabs(x2 - x1)), 1);
    };
    placeLine(Line1, g.shadowLineLeft, g.shadowLineRight);
    placeLine(Line2, g.highlightLineLeft, g.highlightLineRight);
    fraMain->resize(toPixels(g.contentWidth), toPixels(g.contentHeight));
    lv->resize(toPixels(g.listWidth), toPixels(g.listHeight));
    cmdAddLink->move(toPixels(g.addButtonLeft), cmdAddLink->y());
    txtAddLink->resize(toPixels(g.linkBoxWidth), txtAddLink->height());
    for (QToolButton* b : {cmdPauseAll, cmdUnPauseAll, cmdDeleteCompleted, cmdStopAll, cmdQueueAll})
        b->move(b->x(), toPixels(g.buttonRowTop));
}

} // namespace tavrin
