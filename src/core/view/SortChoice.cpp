#include "core/view/SortChoice.h"

#include "core/settings/SettingsStore.h"

namespace tavrin::view {

namespace {

const QLatin1StringView group("View");

QString columnKeyName(bool version3)
{
    return version3 ? QStringLiteral("SortColumn3") : QStringLiteral("SortColumn2");
}

QString orderKeyName(bool version3)
{
    return version3 ? QStringLiteral("SortOrder3") : QStringLiteral("SortOrder2");
}

// Longer than any column key a layout is likely to hold; a longer stored one is not a choice.
constexpr qsizetype longestKey = 256;

} // namespace

SortChoice SortChoice::next(const QString& clickedKey) const
{
    if (clickedKey != columnKey)
        return {clickedKey, Qt::AscendingOrder};
    if (order == Qt::AscendingOrder)
        return {clickedKey, Qt::DescendingOrder};
    return {};
}

SortChoice SortChoice::read(const SettingsStore& settings, bool version3)
{
    SortChoice choice;
    choice.columnKey = settings.readIn(group, columnKeyName(version3));
    if (choice.columnKey.size() > longestKey)
        return {};
    // Anything but "descending" is the usual order.
    choice.order = settings.readIn(group, orderKeyName(version3)) == QLatin1String("descending")
                       ? Qt::DescendingOrder
                       : Qt::AscendingOrder;
    if (!choice.isSorted())
        choice.order = Qt::AscendingOrder;
    return choice;
}

void SortChoice::store(SettingsStore& settings, bool version3) const
{
    settings.writeIn(group, columnKeyName(version3), columnKey);
    settings.writeIn(group, orderKeyName(version3),
                     order == Qt::DescendingOrder ? QStringLiteral("descending")
                                                  : QStringLiteral("ascending"));
}

} // namespace tavrin::view
