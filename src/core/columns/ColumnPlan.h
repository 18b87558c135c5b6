#pragma once

#include "core/torrents/KeptField.h"

#include <QList>
#include <QString>
#include <pugixml.hpp>

namespace tavrin {

// What a status reply needs of the working layout: which fields fill the main text and the
// sub-items, and where the walk over display positions fails. The document cannot change while
// a reply is processed, so this is worked out once per reply instead of once per cell.
class ColumnPlan {
public:
    enum class Start {
        Shown,     // a shown position was found: the rows can be applied
        NoneShown, // no position up to the element count is shown: processing ends quietly
        Fails      // the search met a position without element or without show attribute
    };

    // What tells two plans apart for the list: under equal keys, rows fill items alike.
    struct Key {
        QList<int> fields;
        bool walkFails = false;                       // such a plan never applied a row
        std::array<int, keptFieldCount> keptFields{}; // rows kept these fields
        bool operator==(const Key&) const = default;
    };

    static ColumnPlan resolve(const pugi::xml_document& layout);
    Key key() const { return {m_fields, !m_walkFailure.isEmpty(), m_keptFields}; }

    Start start() const { return m_start; }
    // Why the search for the first shown position fails (when start() is Fails).
    const QString& startFailure() const { return m_startFailure; }
    // Field numbers, 1-based: [0] the main text, [k] sub-item k.
    const QList<int>& fields() const { return m_fields; }
    // The keys of the same columns, for failure descriptions.
    const QList<QString>& keys() const { return m_keys; }
    // The field of a kept field's column, shown or not; 0 when the layout has no such column.
    int keptField(KeptField which) const { return m_keptFields[keptIndex(which)]; }
    const std::array<int, keptFieldCount>& keptFields() const { return m_keptFields; }
    // Why the walk over the sub-item positions fails; empty when it does not.
    const QString& walkFailure() const { return m_walkFailure; }

private:
    static ColumnPlan resolveColumns(const pugi::xml_document& layout);

    Start m_start = Start::Fails;
    QString m_startFailure;
    QList<int> m_fields;
    QList<QString> m_keys;
    QString m_walkFailure;
    std::array<int, keptFieldCount> m_keptFields{};
};

} // namespace tavrin
