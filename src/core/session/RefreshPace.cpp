#include "core/session/RefreshPace.h"

#include "core/settings/OptionSwitch.h"
#include "core/settings/SettingsStore.h"

namespace tavrin {

RefreshPace RefreshPace::read(const SettingsStore& settings)
{
    RefreshPace pace;
    bool ok = false;
    const int secs =
        settings.readIn(QStringLiteral("Options"), QStringLiteral("BackgroundRefreshSecs"))
            .trimmed()
            .toInt(&ok);
    if (ok && secs >= 0 && secs <= maxBackgroundSecs)
        pace.backgroundSecs = secs;
    pace.slowWhenMinimised = options::slowWhenMinimised.isOn(settings);
    return pace;
}

int RefreshPace::backgroundIntervalMs(bool hiddenInTray, bool minimised) const
{
    if (hiddenInTray || (minimised && slowWhenMinimised))
        return backgroundSecs * 1000;
    return 0;
}

} // namespace tavrin
