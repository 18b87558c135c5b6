#pragma once

#include "core/torrents/SnapshotBuilder.h"
#include "core/view/SortKey.h"
#include "core/view/TorrentFilter.h"

#include <QByteArray>
#include <memory>
#include <utility>
#include <vector>

namespace tavrin::view {

// What the list as shown depends on: the column it is sorted by (-1: none) and its filter.
struct ViewChoice {
    int sortColumn = -1;
    TorrentFilter filter;
    bool operator==(const ViewChoice&) const = default;
};

// What sorting and filtering make of one row: worked out from its fields alone, so on any thread.
struct RowFacts {
    quint64 cellHash = 0;   // of what the sort column's cell is shown from
    quint64 filterHash = 0; // of the fields the filter reads
    SortKey key;
    bool matches = false;

    // Room for the texts that have to be displayed before they are read.
    struct Scratch {
        QByteArray sortCell;
        QByteArray name;
    };
    // Works the facts out for the row of `list` afresh (`force`), or again where the hashes of
    // what they are read from changed. True when the row's place in the order may have moved.
    bool workOut(const ListSnapshot& list, int row, const ViewChoice& choice, bool force,
                 Scratch& scratch);
    // What the facts were read from, to tell whether they need working out again.
    struct Hashes {
        quint64 cell = 0;
        quint64 filter = 0;
    };
    Hashes hashes() const { return {cellHash, filterHash}; }
};

// The facts of the rows a reply rewrote or added, worked out on the thread that built the list,
// so that only their places are settled on the window's.
struct ChangedRowFacts {
    const ListSnapshot* list = nullptr; // the list they were worked out on (the change's after)
    ViewChoice choice;
    // By row of `list`, ascending, each with the hash of the row text it was read from.
    std::vector<std::pair<int, quint64>> rows;
    std::vector<RowFacts> facts;
    // Per entry of `facts`: keyKnown | matchKnown. A part not known was read from the same bytes
    // as before (the hash says so) and is the one the row had.
    enum : quint8 { KeyKnown = 1, MatchKnown = 2 };
    std::vector<quint8> known;

    // Takes the offered facts at `index` into `into`, which holds the row's facts before the
    // change; false when they cannot be used (a part not worked out that `into` does not have).
    // `placeChanged`: whether the row's place in the order may have moved.
    bool takeInto(std::size_t index, RowFacts& into, bool& placeChanged);
};

// Works out the facts of every row of `change.after` whose text differs from its row in
// `change.before`, or that is new. `before`, when it has a hash pair per row of change.before,
// saves working out a key or match from the same bytes again.
std::unique_ptr<ChangedRowFacts> changedRowFacts(const ListChange& change, const ViewChoice& choice,
                                                 const std::vector<RowFacts::Hashes>& before);

} // namespace tavrin::view
