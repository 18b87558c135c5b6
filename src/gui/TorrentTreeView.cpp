#include "gui/TorrentTreeView.h"

#include <QAccessible>

namespace tavrin {

TorrentTreeView::TorrentTreeView(QWidget* parent) : QTreeView(parent) {}

void TorrentTreeView::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                                  const QList<int>& roles)
{
    if (bottomRight.row() - topLeft.row() < longRange || topLeft.parent().isValid()) {
        QTreeView::dataChanged(topLeft, bottomRight, roles);
        return;
    }
    // Rows are of one height and hold no editors: only what shows needs painting again.
    viewport()->update();
    if (QAccessible::isActive()) {
        QAccessibleTableModelChangeEvent event(this, QAccessibleTableModelChangeEvent::DataChanged);
        event.setFirstRow(topLeft.row());
        event.setFirstColumn(topLeft.column());
        event.setLastRow(bottomRight.row());
        event.setLastColumn(bottomRight.column());
        QAccessible::updateAccessibility(&event);
    }
}

} // namespace tavrin
