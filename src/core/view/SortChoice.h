#pragma once

#include <QString>
#include <Qt>

namespace tavrin {

class SettingsStore;

namespace view {

// How the user sorted the list: by the column with this key, in this order; no key, the server's
// order. Kept per server version in the settings group "View".
struct SortChoice {
    QString columnKey;
    Qt::SortOrder order = Qt::AscendingOrder;

    bool isSorted() const { return !columnKey.isEmpty(); }
    bool operator==(const SortChoice&) const = default;

    // After a click on the header of `columnKey`: ascending, then descending, then the server's
    // order again; a click on another column sorts by it ascending.
    SortChoice next(const QString& clickedKey) const;

    // "SortColumn3" and "SortOrder3" ("ascending" or "descending") for version 3, and so on.
    static SortChoice read(const SettingsStore& settings, bool version3);
    void store(SettingsStore& settings, bool version3) const;
};

} // namespace view
} // namespace tavrin
