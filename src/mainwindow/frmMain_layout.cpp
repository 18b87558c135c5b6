// The content area follows the window's size.
#include "mainwindow/frmMain.h"

#include <QFrame>
#include <QTreeView>

namespace tavrin {

void frmMain::applyLayout()
{
    if (!fraMain)
        return;
    const QSize client = centralWidget()->size();
    fraMain->resize(client.width(), std::max(0, client.height() - fraMain->y()));
    lv->resize(std::max(0, fraMain->width() - 2 * lv->x()), lv->height());
}

} // namespace tavrin
