#pragma once

#include <QTreeView>

namespace tavrin {

// The torrent list's view. A refresh changes most rows at once; a tree view would measure each
// row of such a range to find what to repaint, or lay every row out again after a layout
// change, so a long changed range repaints what shows instead.
class TorrentTreeView : public QTreeView {
    Q_OBJECT
public:
    explicit TorrentTreeView(QWidget* parent = nullptr);

    // Ranges longer than this many rows repaint the visible rows without measuring.
    static constexpr int longRange = 64;

protected:
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QList<int>& roles = QList<int>()) override;
};

} // namespace tavrin
