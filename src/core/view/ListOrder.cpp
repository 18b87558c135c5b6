#include "core/view/ListOrder.h"

#include "core/torrents/ReplyRows.h"
#include "core/torrents/TorrentListModel.h"
#include "core/view/SortKey.h"

#include <algorithm>

namespace tavrin::view {

std::vector<int> orderedPositions(const TorrentListModel& list, const TorrentFilter& filter,
                                  int sortField, bool descending)
{
    std::vector<int> positions;
    positions.reserve(std::size_t(list.count()));
    for (int position = 1; position <= list.count(); ++position) {
        if (!filter.isActive() || filter.matches(list.keptField(position, KeptField::Name),
                                                 list.keptField(position, KeptField::Status),
                                                 list.keptField(position, KeptField::Progress)))
            positions.push_back(position);
    }
    if (sortField <= 0)
        return positions;
    // Each key worked out once, indexed by position.
    std::vector<SortKey> keys(std::size_t(list.count()) + 1);
    for (const int position : positions)
        keys[std::size_t(position)] =
            SortKey::of(replyrows::fieldAt(list.rowText(position), sortField));
    std::stable_sort(positions.begin(), positions.end(), [&keys, descending](int a, int b) {
        return SortKey::compareInColumn(keys[std::size_t(a)], keys[std::size_t(b)], descending) < 0;
    });
    return positions;
}

} // namespace tavrin::view
