#pragma once

#include "core/view/TorrentFilter.h"

#include <vector>

namespace tavrin {
class TorrentListModel;
}

namespace tavrin::view {

// The list's 1-based positions that pass the filter, sorted by what field `sortField` of their
// rows means (0: the server's order) with the window's comparison: ties keep the server's order,
// values with nothing to sort by come last.
std::vector<int> orderedPositions(const TorrentListModel& list, const TorrentFilter& filter,
                                  int sortField, bool descending);

} // namespace tavrin::view
