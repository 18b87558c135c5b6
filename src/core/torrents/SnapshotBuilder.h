#pragma once

#include "core/columns/ColumnPlan.h"
#include "core/log/LogBatch.h"
#include "core/torrents/ListSnapshot.h"

#include <QByteArray>
#include <QString>
#include <utility>
#include <vector>

namespace tavrin {

// How the list goes from one snapshot to the next, in the order a list model reports it:
// the removed rows, then the changed ones, then the rows appended.
struct ListChange {
    SnapshotPtr before;
    SnapshotPtr after;
    // 0-based rows of `before`, first..last, the last run first.
    std::vector<std::pair<int, int>> removed;
    // Rows of `after` whose text changed, first..last; -1: none. Appended rows are not in it.
    int changedFirst = -1;
    int changedLast = -1;
    // Rows appended at the end of `after`.
    int inserted = 0;
};

// What taking in one status reply produced.
struct SnapshotBuild {
    ListChange change;
    // The log entries of the reply, in order (empty when the log is not wanted).
    LogBatch logLines;
    // "Error - " and what ended the reply early; empty when it was taken in whole.
    QString error;
};

// Builds the list a status reply leaves: one item per row, keyed by the identifier in its last
// field, new items appended in the reply's order, items the reply does not name removed. Each
// row is checked whole before it counts, so a failing row keeps what came before it and removes
// nothing. Touches nothing but its arguments: it runs on any thread.
SnapshotBuild buildSnapshot(const SnapshotPtr& before, const QByteArray& reply,
                            const ColumnPlan& plan, bool withLog);

// The empty list.
SnapshotPtr emptySnapshot();

} // namespace tavrin
