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
    const MainWindowLayout::Design design;
    const auto clientWidth = [this] { return toTwips(centralWidget()->width()); };
    const auto clientHeight = [this] { return toTwips(centralWidget()->height()); };

    // The window system refuses to resize a minimised or maximised window.
    const bool sizeLocked =
        (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)) != 0;
    // Each resize below may run this routine again inside itself before it returns.
    if (const auto width = MainWindowLayout::outerWidthToAssign(clientWidth(), design);
        width && !sizeLocked)
        setOuterSizeTwips(*width, outerHeightTwips());
    if (const auto height = MainWindowLayout::outerHeightToAssign(clientHeight(), design);
        height && !sizeLocked)
        setOuterSizeTwips(outerWidthTwips(), *height);

    // The current values, so that a refused step leaves what the widgets show.
    MainWindowLayout::Properties current;
    current.fraMainWidth = toTwips(fraMain->width());
    current.fraMainHeight = toTwips(fraMain->height());
    current.lvWidth = toTwips(lv->width());
    current.lvHeight = toTwips(lv->height());
    current.txtAddLinkWidth = toTwips(txtAddLink->width());
    const MainWindowLayout::Properties p =
        MainWindowLayout::fitContent(clientWidth(), clientHeight(), current, design);

    const auto placeLine = [this](QFrame* line, float x1, float x2) {
        line->setGeometry(toPixels(std::min(x1, x2)), line->y(), toPixels(std::fabs(x2 - x1)), 1);
    };
    placeLine(Line1, p.line1X1, p.line1X2);
    placeLine(Line2, p.line2X1, p.line2X2);
    fraMain->resize(toPixels(p.fraMainWidth), toPixels(p.fraMainHeight));
    lv->resize(toPixels(p.lvWidth), toPixels(p.lvHeight));
    cmdAddLink->move(toPixels(p.cmdAddLinkLeft), cmdAddLink->y());
    txtAddLink->resize(toPixels(p.txtAddLinkWidth), txtAddLink->height());
    cmdPauseAll->move(cmdPauseAll->x(), toPixels(p.cmdPauseAllTop));
    cmdUnPauseAll->move(cmdUnPauseAll->x(), toPixels(p.cmdUnPauseAllTop));
    cmdDeleteCompleted->move(cmdDeleteCompleted->x(), toPixels(p.cmdDeleteCompletedTop));
    cmdStopAll->move(cmdStopAll->x(), toPixels(p.cmdStopAllTop));
    cmdQueueAll->move(cmdQueueAll->x(), toPixels(p.cmdQueueAllTop));
}

} // namespace tavrin
