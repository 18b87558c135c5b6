#include "core/settings/OptionSwitch.h"

#include "core/settings/SettingsStore.h"

namespace tavrin {

bool OptionSwitch::isOn(const SettingsStore& settings) const
{
    const QString value = settings.readIn(QStringLiteral("Options"), key).trimmed();
    if (value.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        return true;
    if (value.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
        return false;
    return onByDefault;
}

void OptionSwitch::set(SettingsStore& settings, bool on) const
{
    settings.writeIn(QStringLiteral("Options"), key,
                     on ? QStringLiteral("true") : QStringLiteral("false"));
}

} // namespace tavrin
