#include "core/watch/FinishWatch.h"

#include "core/torrents/TorrentListModel.h"

namespace tavrin {

namespace {
// Longer names are cut: no reader needs more of them.
constexpr qsizetype maxNameBytes = 4096;
} // namespace

FinishWatch::FinishWatch(const TorrentListModel& list, QObject* parent)
    : QObject(parent), m_list(list)
{
    m_entries.resize(static_cast<std::size_t>(list.count()));
    connect(&list, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) {
                dropRemoved();
                m_entries.insert(m_entries.begin() + first, std::size_t(last - first + 1), Entry{});
            });
    connect(&list, &QAbstractItemModel::rowsRemoved, this,
            [this](const QModelIndex&, int first, int last) {
                // The list removes from its end backwards; anything else is dropped at once.
                if (!m_removed.empty() && last >= m_removed.back().first)
                    dropRemoved();
                m_removed.emplace_back(first, last);
            });
    connect(&list, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        dropRemoved();
        carryUnfinished();
    });
    connect(&list, &QAbstractItemModel::modelReset, this, [this] {
        m_removed.clear();
        m_entries.assign(static_cast<std::size_t>(m_list.count()), Entry{});
    });
    connect(&list, &TorrentListModel::replyEnded, this, &FinishWatch::onReplyEnded);
}

void FinishWatch::startServer(const QList<QByteArray>& remembered)
{
    dropRemoved();
    m_entries.assign(m_entries.size(), Entry{});
    m_carried.clear();
    for (const QByteArray& id : remembered)
        m_carried.insert(TorrentListModel::rowHash(id));
    m_carriedFromStore = true;
    m_sawReply = false;
}

QList<QByteArray> FinishWatch::unfinishedIds() const
{
    QList<QByteArray> ids;
    for (std::size_t row = 0; row < m_entries.size() && int(row) < m_list.count(); ++row) {
        const Entry& entry = m_entries[row];
        if (entry.state == State::Unfinished && !entry.told)
            ids.append(m_list.torrentId(int(row) + 1));
    }
    return ids;
}

void FinishWatch::carryUnfinished()
{
    for (std::size_t row = 0; row < m_entries.size() && int(row) < m_list.count(); ++row) {
        if (m_entries[row].state == State::Unfinished && !m_entries[row].told)
            m_carried.insert(TorrentListModel::rowHash(m_list.torrentId(int(row) + 1)));
    }
}

void FinishWatch::dropRemoved()
{
    if (m_removed.empty())
        return;
    // Ranges come from the end backwards, so each is still where it was when removed.
    std::vector<bool> gone(m_entries.size(), false);
    for (const auto& [first, last] : m_removed) {
        for (int row = first; row <= last && std::size_t(row) < gone.size(); ++row)
            gone[std::size_t(row)] = true;
    }
    std::size_t kept = 0;
    for (std::size_t row = 0; row < m_entries.size(); ++row) {
        if (!gone[row])
            m_entries[kept++] = m_entries[row];
    }
    m_entries.resize(kept);
    m_removed.clear();
}

QString FinishWatch::nameAt(int row) const
{
    const QByteArrayView name = m_list.keptField(row + 1, KeptField::Name);
    if (name.isEmpty())
        return QString::fromLatin1(m_list.torrentId(row + 1).left(maxNameBytes));
    return QString::fromLatin1(name.first(std::min<qsizetype>(name.size(), maxNameBytes)));
}

void FinishWatch::onReplyEnded()
{
    dropRemoved();
    m_sawReply = true;
    // A list that grew without telling (it never does) is looked at whole.
    if (m_entries.size() != std::size_t(m_list.count()))
        m_entries.assign(std::size_t(m_list.count()), Entry{});
    QList<Finished> told;
    QList<Finished> caughtUp;
    for (std::size_t row = 0; row < m_entries.size(); ++row) {
        Entry& entry = m_entries[row];
        const bool done = m_list.isCompleteAt(int(row));
        const State now = done ? State::Finished : State::Unfinished;
        if (entry.state == now)
            continue;
        const int position = int(row) + 1;
        const State was = entry.state;
        entry.state = now;
        if (!done || entry.told)
            continue;
        if (was == State::Unfinished) {
            entry.told = true;
            told.append({m_list.torrentId(position), nameAt(int(row))});
        } else if (was == State::Unknown && !m_carried.isEmpty() &&
                   m_carried.contains(TorrentListModel::rowHash(m_list.torrentId(position)))) {
            entry.told = true;
            (m_carriedFromStore ? caughtUp : told)
                .append({m_list.torrentId(position), nameAt(int(row))});
        }
    }
    m_carried.clear();
    m_carriedFromStore = false;
    if (!caughtUp.isEmpty())
        Q_EMIT finished(caughtUp, true);
    if (!told.isEmpty())
        Q_EMIT finished(told, false);
}

} // namespace tavrin
