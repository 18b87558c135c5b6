#pragma once

#include "core/torrents/SnapshotBuilder.h"
#include "core/view/RowFacts.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <pugixml.hpp>
#include <thread>

namespace tavrin {

class EventLog;
class TorrentListModel;
namespace view {
class TorrentViewModel;
}

// Takes status replies into the torrent list under the working layout, logs them, and says
// which 1-based position the context menu last opened on is to be selected again.
class TorrentListUpdater : public QObject {
    Q_OBJECT
public:
    struct Result {
        // "Error - " and what went wrong; empty when the reply was taken in whole.
        QString error;
        // The 1-based position to select again; 0 for none.
        int selectPosition = 0;
    };

    // Without a log, replies are not logged (the command-line client).
    TorrentListUpdater(TorrentListModel& model, const pugi::xml_document& layout,
                       EventLog* log = nullptr, QObject* parent = nullptr);
    ~TorrentListUpdater() override;

    // Takes the reply in at once.
    Result apply(const QByteArray& reply);
    // Takes the reply in on a thread of its own and only its changes on this one: aboutToApply,
    // the list's changes, then applied. A reply that comes while one is being taken in waits; a
    // newer one replaces it.
    void submit(const QByteArray& reply);
    // Forgets the replies being taken in (a disconnection): none of them reaches the list.
    void cancel();
    // Whether a reply is being taken in or waits to be.
    bool isBusy() const { return m_building || m_waiting.has_value(); }

    // Whether each reply and its rows go to the log ([Options] LogReplies); errors always do.
    void setLogReplies(bool logReplies) { m_logReplies = logReplies; }
    bool logsReplies() const { return m_logReplies; }
    // The list as shown: the position to select again is a shown position, and there must be
    // that many rows shown. Sorted or filtered, the changed rows' keys and matches are worked
    // out on the intake thread too.
    void setView(view::TorrentViewModel* view) { m_view = view; }
    // The 1-based position the context menu was last opened on; 0 for none.
    void setClickedPosition(int position) { m_clickedPosition = position; }
    int clickedPosition() const { return m_clickedPosition; }

Q_SIGNALS:
    // A submitted reply is about to change the list.
    void aboutToApply();
    // A submitted reply has been taken in.
    void applied(const tavrin::TorrentListUpdater::Result& result);

private Q_SLOTS:
    // Takes what the intake thread built.
    void collect();

private:
    // A reply for the intake thread, with all it needs; `ticket` tells a cancelled one.
    struct Job {
        SnapshotPtr before;
        QByteArray reply;
        ColumnPlan plan;
        bool withLog = false;
        quint64 ticket = 0;
        std::optional<view::ViewChoice> choice;     // the view's, while it is sorted or filtered
        std::vector<view::RowFacts::Hashes> hashes; // what its rows' facts were read from
    };
    struct Built {
        SnapshotBuild build;
        std::unique_ptr<view::ChangedRowFacts> facts;
        quint64 ticket = 0;
    };

    bool withLog() const { return m_log != nullptr && m_logReplies; }
    void start(const QByteArray& reply);
    void intakeLoop();
    Result conclude(SnapshotBuild build);

    TorrentListModel& m_model;
    const pugi::xml_document& m_layout;
    EventLog* m_log;
    bool m_logReplies = true;
    int m_clickedPosition = 0;
    view::TorrentViewModel* m_view = nullptr;

    bool m_building = false;
    std::optional<QByteArray> m_waiting;
    quint64 m_ticket = 0; // a build whose ticket is no longer this one is dropped

    // The intake thread and what passes between it and this one, under m_mutex.
    std::thread m_intake;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::optional<Job> m_job;
    std::optional<Built> m_built;
    bool m_stopping = false;
};

} // namespace tavrin
