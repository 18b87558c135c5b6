#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <vector>

namespace tavrin {

class TorrentListModel;

// What changed in the list since the last look: torrents added, removed, and changed with the
// numbers (1-based) of the fields that differ. The list's own rows are compared, identifier by
// identifier, so the order of a reply does not count.
class ListDiff {
public:
    struct Change {
        enum class Kind { Added, Removed, Changed };
        Kind kind;
        QByteArray id;
        QList<int> fields; // Changed: the fields that differ
    };

    // The changes from the last call (or from an empty list) to the list as it stands now.
    std::vector<Change> update(const TorrentListModel& list);

private:
    QHash<QByteArray, QByteArray> m_rows; // by identifier, the row last seen
    QList<QByteArray> m_order;            // the identifiers in the list's order, for removals
};

} // namespace tavrin
