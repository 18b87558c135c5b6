#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <utility>
#include <vector>

namespace tavrin {

class TorrentListModel;

// Tells when torrents that were seen unfinished become finished (progress 100% or a completed
// status, read from their own fields whatever the columns). Each torrent is told once while it
// stays in the list; torrents already finished when first seen are not told, unless they were
// remembered unfinished from the last time (told as caught up).
class FinishWatch : public QObject {
    Q_OBJECT
public:
    explicit FinishWatch(const TorrentListModel& list, QObject* parent = nullptr);

    // Another server: what was seen of the last one is forgotten. `remembered` are the
    // identifiers that were unfinished when Tavrin last left this server.
    void startServer(const QList<QByteArray>& remembered);
    // Whether a reply came since the server started: before that there is nothing to remember.
    bool sawReply() const { return m_sawReply; }
    // The identifiers seen unfinished and not told, to be remembered for the next time.
    QList<QByteArray> unfinishedIds() const;

    // A torrent that finished: its identifier and its name as the server sent it (its
    // identifier when it has none).
    struct Finished {
        QByteArray id;
        QString name;
    };

Q_SIGNALS:
    // Torrents of one reply that finished; `caughtUp` when they finished while Tavrin was away.
    void finished(const QList<tavrin::FinishWatch::Finished>& torrents, bool caughtUp);

private:
    enum class State : unsigned char { Unknown, Unfinished, Finished };
    // Two bytes a row: the row's finished bit is read from the list itself on every reply.
    struct Entry {
        State state = State::Unknown;
        bool told = false;
    };

    void onReplyEnded();
    // Drops the entries of the rows removed since the last look, in one pass.
    void dropRemoved();
    // Keeps the identifiers of the unfinished rows over a reset of the list.
    void carryUnfinished();
    QString nameAt(int row) const;

    const TorrentListModel& m_list;
    std::vector<Entry> m_entries; // per row of the list
    std::vector<std::pair<int, int>> m_removed;
    // Hashes of identifiers known unfinished from before the list had their rows.
    QSet<quint64> m_carried;
    bool m_carriedFromStore = false;
    bool m_sawReply = false;
};

} // namespace tavrin
