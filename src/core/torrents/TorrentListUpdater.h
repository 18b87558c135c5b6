#pragma once

#include <QByteArray>
#include <QString>
#include <pugixml.hpp>

namespace tavrin {

class EventLog;
class TorrentListModel;
namespace view {
class TorrentViewModel;
}

// Takes status replies into the torrent list under the working layout, logs them, and says
// which 1-based position the context menu last opened on is to be selected again.
class TorrentListUpdater {
public:
    struct Result {
        // "Error - " and what went wrong; empty when the reply was taken in whole.
        QString error;
        // The 1-based position to select again; 0 for none.
        int selectPosition = 0;
    };

    // Without a log, replies are not logged (the command-line client).
    TorrentListUpdater(TorrentListModel& model, const pugi::xml_document& layout,
                       EventLog* log = nullptr)
        : m_model(model), m_layout(layout), m_log(log)
    {
    }

    Result apply(const QByteArray& reply);
    // Whether each reply and its rows go to the log ([Options] LogReplies); errors always do.
    void setLogReplies(bool logReplies) { m_logReplies = logReplies; }
    bool logsReplies() const { return m_logReplies; }
    // The list as shown: the position to select again is a shown position, and there must be
    // that many rows shown.
    void setView(const view::TorrentViewModel* view) { m_view = view; }
    // The 1-based position the context menu was last opened on; 0 for none.
    void setClickedPosition(int position) { m_clickedPosition = position; }
    int clickedPosition() const { return m_clickedPosition; }

private:
    TorrentListModel& m_model;
    const pugi::xml_document& m_layout;
    EventLog* m_log;
    bool m_logReplies = true;
    int m_clickedPosition = 0;
    const view::TorrentViewModel* m_view = nullptr;
};

} // namespace tavrin
