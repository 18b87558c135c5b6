#pragma once

#include "core/torrents/TorrentListUpdater.h"
#include "core/view/SortChoice.h"
#include "core/view/TorrentFilter.h"
#include "gui/Twips.h"

#include <QObject>
#include <optional>

class QPoint;
class QTreeView;

namespace tavrin {

class ServerProfile;
class Session;
class SettingsStore;
class TorrentListModel;
class TorrentMenu;
namespace view {
class TorrentViewModel;
}

// The torrent list as the user works in it: its columns, a header click's sort, the filter, the
// context menu by mouse or keyboard, and the selection kept across replies.
class TorrentListPane : public QObject {
    Q_OBJECT
public:
    struct Parts {
        QTreeView& tree;
        TorrentListModel& model;
        view::TorrentViewModel& view;
        TorrentListUpdater& updater;
        Session& session;
        ServerProfile& profile;
        SettingsStore& settings;
        TwipsScale twips;
    };
    explicit TorrentListPane(Parts parts, QObject* parent = nullptr);

    // The server version's columns and its stored sort; the rows go until the next reply.
    void showProfile();
    // The columns again, after a change to them; the sort choice stays.
    void showColumns();
    void setFilter(const view::TorrentFilter& filter);

Q_SIGNALS:
    // The rows have the length of the other server version's; told once per connection.
    void otherVersionSent(int suggestedVersion);

private:
    void showContextMenu(const QPoint& pos);
    // The Menu key and Shift+F10: the menu of the selected row, as a right-click on it.
    void showContextMenuForSelection();
    // Ascending, descending, then the server's order again.
    void onHeaderClicked(int section);
    void applySort();
    void takeReply(const QByteArray& reply);
    void onReplyApplied(const TorrentListUpdater::Result& result);
    // The identifier of the selected torrent, or nothing.
    std::optional<QByteArray> selectedTorrent() const;

    Parts m_parts;
    view::SortChoice m_sort;
    TorrentMenu* m_menu;
    // The torrent the context menu was opened for: a refresh may move the selection meanwhile.
    std::optional<QByteArray> m_contextTorrent;
    std::optional<QByteArray> m_selectedBeforeReply;
    bool m_versionNoticeGiven = false;
};

} // namespace tavrin
