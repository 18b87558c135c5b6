#include "core/view/RowFacts.h"

#include "core/torrents/FieldDisplay.h"

#define XXH_INLINE_ALL
#include <xxhash.h>

namespace tavrin::view {

bool RowFacts::workOut(const ListSnapshot& list, int row, const ViewChoice& choice, bool force,
                       Scratch& scratch)
{
    const bool matched = matches;
    bool placeChanged = force;
    const ListSnapshot::ViewFields fields =
        list.viewFields(row, choice.sortColumn, scratch.sortCell);
    if (choice.filter.isActive()) {
        // Without a name field, the main text as shown.
        QByteArrayView name = fields.name;
        if (name.isEmpty()) {
            bool displayed = false;
            name = list.cellSource(row, 0, displayed);
            if (!displayed)
                name = display::displayInto(scratch.name, name);
        }
        // Matched again only when what the filter reads changed, not each time a speed does.
        const quint64 hash = XXH3_64bits_withSeed(
            fields.progress.data(), static_cast<size_t>(fields.progress.size()),
            XXH3_64bits_withSeed(fields.status.data(), static_cast<size_t>(fields.status.size()),
                                 XXH3_64bits(name.data(), static_cast<size_t>(name.size()))));
        if (force || hash != filterHash) {
            matches = choice.filter.matches(name, fields.status, fields.progress);
            filterHash = hash;
        }
    } else {
        matches = true;
    }
    placeChanged = placeChanged || matched != matches;

    if (choice.sortColumn >= 0) {
        // The key is worked out again only when the cell's text changed.
        const QByteArrayView cell = fields.sortCell;
        const quint64 hash = XXH3_64bits(cell.data(), static_cast<size_t>(cell.size()));
        if (force || hash != cellHash) {
            SortKey next = SortKey::of(cell);
            placeChanged =
                placeChanged || SortKey::compare(next, key) != 0 || next.kind() != key.kind();
            key = std::move(next);
            cellHash = hash;
        }
    }
    return placeChanged;
}

bool ChangedRowFacts::takeInto(std::size_t index, RowFacts& into, bool& placeChanged)
{
    RowFacts& offered = facts[index];
    const quint8 parts = known[index];
    const bool sorted = choice.sortColumn >= 0;
    if ((!(parts & KeyKnown) && sorted && offered.cellHash != into.cellHash) ||
        (!(parts & MatchKnown) && choice.filter.isActive() &&
         offered.filterHash != into.filterHash))
        return false;
    if (!(parts & MatchKnown))
        offered.matches = into.matches;
    placeChanged = offered.matches != into.matches;
    if (parts & KeyKnown) {
        placeChanged = placeChanged || (sorted && (SortKey::compare(offered.key, into.key) != 0 ||
                                                   offered.key.kind() != into.key.kind()));
        into.key = std::move(offered.key);
    }
    into.cellHash = offered.cellHash;
    into.filterHash = offered.filterHash;
    into.matches = offered.matches;
    return true;
}

std::unique_ptr<ChangedRowFacts> changedRowFacts(const ListChange& change, const ViewChoice& choice,
                                                 const std::vector<RowFacts::Hashes>& before)
{
    auto out = std::make_unique<ChangedRowFacts>();
    out->list = change.after.get();
    out->choice = choice;
    const ListSnapshot& previous = *change.before;
    const ListSnapshot& after = *change.after;
    const bool samePlan = previous.plan == after.plan;
    const bool hashed = samePlan && before.size() == previous.rows.size();
    RowFacts::Scratch scratch;
    // The rows that stay are those of `before` outside the removed runs (kept last run first),
    // in order; the rest of `after` is new.
    auto run = change.removed.rbegin();
    int from = 0;
    const int kept = after.count() - change.inserted;
    for (int row = 0; row < after.count(); ++row) {
        const quint64 hash = after.rows[std::size_t(row)].rowHash;
        if (row < kept) {
            while (run != change.removed.rend() && from >= run->first) {
                from = run->second + 1;
                ++run;
            }
            const std::size_t was = std::size_t(from++);
            if (samePlan && previous.rows[was].rowHash == hash)
                continue;
            if (hashed) {
                // Started from the hashes the row had: a part read from the same bytes stays.
                RowFacts facts;
                facts.cellHash = before[was].cell;
                facts.filterHash = before[was].filter;
                facts.workOut(after, row, choice, false, scratch);
                quint8 known = 0;
                if (facts.cellHash != before[was].cell)
                    known |= ChangedRowFacts::KeyKnown;
                if (facts.filterHash != before[was].filter || !choice.filter.isActive())
                    known |= ChangedRowFacts::MatchKnown;
                out->rows.emplace_back(row, hash);
                out->facts.push_back(std::move(facts));
                out->known.push_back(known);
                continue;
            }
        }
        RowFacts facts;
        facts.workOut(after, row, choice, true, scratch);
        out->rows.emplace_back(row, hash);
        out->facts.push_back(std::move(facts));
        out->known.push_back(ChangedRowFacts::KeyKnown | ChangedRowFacts::MatchKnown);
    }
    return out;
}

} // namespace tavrin::view
