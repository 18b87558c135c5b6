#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

namespace tavrin::view {

// The status filter's choices, in the order they are offered.
enum class StatusFilter { All, Downloading, Seeding, Completed, Paused, Stopped, Queued, Error };

// "All", "Downloading", ...: the choices' names, in the order of the enumeration.
QStringList statusFilterNames();

// Whether a torrent is finished: its progress reads 100% or more, or its status says completed.
bool isComplete(QByteArrayView status, QByteArrayView progress);

// Whether a torrent with this status word and progress belongs to the status filter's choice.
// Words are compared without regard to case.
bool statusMatches(StatusFilter filter, QByteArrayView status, QByteArrayView progress);

// What narrows the list as shown: a text the name contains (case-insensitively) and a status.
struct TorrentFilter {
    QString nameText;
    StatusFilter status = StatusFilter::All;

    bool isActive() const { return !nameText.isEmpty() || status != StatusFilter::All; }
    bool matches(QByteArrayView name, QByteArrayView statusWord, QByteArrayView progress) const;
    bool operator==(const TorrentFilter&) const = default;
};

} // namespace tavrin::view
