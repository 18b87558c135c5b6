#include "core/columns/ColumnPlan.h"

#include <QCoreApplication>

#include "core/columns/ColumnLayout.h"

namespace tavrin {

namespace {

QString noElement(int position)
{
    return QCoreApplication::translate("ColumnPlan", "No column has display position %1.")
        .arg(position);
}

} // namespace

ColumnPlan ColumnPlan::resolve(const pugi::xml_document& layout)
{
    ColumnPlan plan = resolveColumns(layout);
    const auto fieldOf = [&](const QString& key) {
        const QList<pugi::xml_node> found = columns::elementsWithKey(layout, key);
        return found.isEmpty() ? 0 : columns::fieldNumber(found.first());
    };
    for (std::size_t k = 0; k < keptFieldCount; ++k)
        plan.m_keptFields[k] = fieldOf(QString(keptFieldKeys[k]));
    return plan;
}

ColumnPlan ColumnPlan::resolveColumns(const pugi::xml_document& layout)
{
    ColumnPlan plan;
    const int count = columns::elementCount(layout);

    // The first shown position; a missing element or show attribute is met before the count.
    int first = 1;
    pugi::xml_node element;
    for (;;) {
        element = columns::elementAt(layout, first);
        if (!element) {
            plan.m_startFailure = noElement(first);
            return plan;
        }
        if (!element.attribute("show")) {
            plan.m_startFailure =
                QCoreApplication::translate(
                    "ColumnPlan", "The column at display position %1 has no show attribute.")
                    .arg(first);
            return plan;
        }
        if (columns::isShown(element))
            break;
        if (++first > count) {
            plan.m_start = Start::NoneShown;
            return plan;
        }
    }
    plan.m_start = Start::Shown;
    plan.m_fields.append(columns::fieldNumber(element));
    plan.m_keys.append(columns::key(element));

    // Sub-items come from the positions after it, up to one below the element count.
    for (int position = first + 1; position <= count - 1; ++position) {
        element = columns::elementAt(layout, position);
        if (!element) {
            plan.m_walkFailure = noElement(position);
            break;
        }
        if (!columns::isShown(element))
            continue;
        plan.m_fields.append(columns::fieldNumber(element));
        plan.m_keys.append(columns::key(element));
    }
    return plan;
}

} // namespace tavrin
