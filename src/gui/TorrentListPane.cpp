#include "gui/TorrentListPane.h"

#include "core/servers/ServerProfile.h"
#include "core/session/Session.h"
#include "core/torrents/TorrentListModel.h"
#include "core/view/TorrentViewModel.h"
#include "gui/TorrentItemDelegate.h"
#include "gui/TorrentMenu.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QShortcut>
#include <QTreeView>

namespace tavrin {

TorrentListPane::TorrentListPane(Parts parts, QObject* parent)
    : QObject(parent), m_parts(parts), m_menu(new TorrentMenu(parts.tree.window()))
{
    QTreeView& tree = m_parts.tree;
    connect(&tree, &QWidget::customContextMenuRequested, this, &TorrentListPane::showContextMenu);
    for (const QKeySequence& keys :
         {QKeySequence(Qt::Key_Menu), QKeySequence(Qt::SHIFT | Qt::Key_F10)}) {
        auto* shortcut = new QShortcut(keys, &tree, nullptr, nullptr, Qt::WidgetShortcut);
        connect(shortcut, &QShortcut::activated, this,
                &TorrentListPane::showContextMenuForSelection);
    }
    QHeaderView* header = tree.header();
    header->setSectionsClickable(true);
    header->setToolTip(tr("Click a column's header to sort by it; a third click "
                          "returns to the server's order"));
    connect(header, &QHeaderView::sectionClicked, this, &TorrentListPane::onHeaderClicked);

    connect(m_menu, &TorrentMenu::commandChosen, this, [this](Session::TorrentCommand command) {
        if (m_contextTorrent)
            m_parts.session.sendTorrentCommand(command, *m_contextTorrent);
    });
    connect(m_menu, &TorrentMenu::priorityChosen, this, [this](const QByteArray& code) {
        if (m_contextTorrent)
            m_parts.session.setPriority(*m_contextTorrent, code);
    });
    connect(&m_parts.session, &Session::statusReplyArrived, this, &TorrentListPane::takeReply);
    connect(&m_parts.session, &Session::stateChanged, this, [this](Session::State state) {
        m_versionNoticeGiven = false;
        // A reply still being taken in belongs to the connection that ended.
        if (state != Session::State::Polling)
            m_parts.updater.cancel();
    });
    connect(&m_parts.updater, &TorrentListUpdater::aboutToApply, this,
            [this] { m_selectedBeforeReply = selectedTorrent(); });
    connect(&m_parts.updater, &TorrentListUpdater::applied, this, &TorrentListPane::onReplyApplied);
}

void TorrentListPane::showProfile()
{
    m_sort = view::SortChoice::read(m_parts.settings, m_parts.profile.isVersion3());
    showColumns();
}

void TorrentListPane::showColumns()
{
    const QList<columns::ColumnHeader> headers = m_parts.profile.headers();
    QStringList captions;
    for (const columns::ColumnHeader& header : headers)
        captions.append(header.caption);
    // Setting the columns also empties the rows; the next status reply fills them again.
    m_parts.model.setColumns(captions);
    for (qsizetype i = 0; i < headers.size(); ++i)
        m_parts.tree.header()->resizeSection(static_cast<int>(i),
                                             m_parts.twips.toPixels(headers.at(i).widthTwips));
    if (auto* delegate = qobject_cast<TorrentItemDelegate*>(m_parts.tree.itemDelegate()))
        delegate->setProgressColumn(static_cast<int>(captions.indexOf(QStringLiteral("Progress"))));
    applySort();
}

void TorrentListPane::setFilter(const view::TorrentFilter& filter)
{
    m_parts.view.setFilter(filter);
}

void TorrentListPane::applySort()
{
    const int column = m_sort.isSorted()
                           ? static_cast<int>(m_parts.model.columns().indexOf(m_sort.columnKey))
                           : -1;
    QHeaderView* header = m_parts.tree.header();
    if (column < 0) {
        m_parts.view.setSort(-1, Qt::AscendingOrder);
        header->setSortIndicatorShown(false);
        return;
    }
    m_parts.view.setSort(column, m_sort.order);
    header->setSortIndicator(column, m_sort.order);
    header->setSortIndicatorShown(true);
}

void TorrentListPane::onHeaderClicked(int section)
{
    const QString key = m_parts.model.columns().value(section);
    if (key.isEmpty())
        return;
    // A stored choice whose column is not shown counts as none.
    const view::SortChoice current = m_parts.view.sortColumn() >= 0 ? m_sort : view::SortChoice{};
    m_sort = current.next(key);
    m_sort.store(m_parts.settings, m_parts.profile.isVersion3());
    applySort();
}

void TorrentListPane::showContextMenu(const QPoint& pos)
{
    QTreeView& tree = m_parts.tree;
    const QModelIndex hit = tree.indexAt(pos);
    if (!hit.isValid())
        return;
    // The clicked position is where the row is shown; the torrent is the list's item there.
    const int shown = TorrentListModel::positionOf(hit);
    const int position = m_parts.view.listPosition(shown);
    if (position < 1)
        return;
    m_parts.updater.setClickedPosition(shown);
    m_menu->prepare(m_parts.session.statusAt(position), m_parts.session.priorityAt(position),
                    m_parts.profile.isVersion3());
    tree.selectionModel()->select(hit,
                                  QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    tree.selectionModel()->setCurrentIndex(hit, QItemSelectionModel::NoUpdate);
    m_contextTorrent = m_parts.model.torrentId(position);
    m_menu->popup(tree.viewport()->mapToGlobal(pos));
}

void TorrentListPane::showContextMenuForSelection()
{
    QTreeView& tree = m_parts.tree;
    const QModelIndexList rows = tree.selectionModel()->selectedRows();
    const QModelIndex row = rows.isEmpty() ? tree.currentIndex() : rows.first();
    if (!row.isValid())
        return;
    tree.scrollTo(row);
    showContextMenu(tree.visualRect(m_parts.view.index(row.row(), 0)).center());
}

std::optional<QByteArray> TorrentListPane::selectedTorrent() const
{
    const QModelIndexList rows = m_parts.tree.selectionModel()->selectedRows();
    if (rows.isEmpty())
        return std::nullopt;
    const int position = m_parts.view.listPosition(TorrentListModel::positionOf(rows.first()));
    if (position < 1)
        return std::nullopt;
    return m_parts.model.torrentId(position);
}

void TorrentListPane::takeReply(const QByteArray& reply)
{
    if (!m_versionNoticeGiven) {
        // The rows are still read as the user chose.
        if (const std::optional<int> suggested = m_parts.profile.versionTheRowsSuggest(reply)) {
            m_versionNoticeGiven = true;
            Q_EMIT otherVersionSent(*suggested);
        }
    }
    // Read, split and compared off this thread; onReplyApplied follows.
    m_parts.updater.submit(reply);
}

void TorrentListPane::onReplyApplied(const TorrentListUpdater::Result& result)
{
    const std::optional<QByteArray> selectedBefore = std::exchange(m_selectedBeforeReply, {});
    if (!result.error.isEmpty()) {
        // The processor has logged it; a server that keeps sending a bad row gets one box.
        m_parts.session.report(result.error, MessageStyle::Plain, {}, Session::Logging::Skip);
        return;
    }
    QItemSelectionModel* selection = m_parts.tree.selectionModel();
    if (result.selectPosition > 0) {
        selection->select(m_parts.view.index(result.selectPosition - 1, 0),
                          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    } else if (const auto now = selectedTorrent(); now && now != selectedBefore) {
        // The view moves the selection to a neighbour when the selected item goes; the list
        // selects nothing on its own.
        selection->clearSelection();
    }
}

} // namespace tavrin
