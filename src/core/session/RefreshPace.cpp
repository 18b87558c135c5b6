#include "core/session/RefreshPace.h"

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
    pace.slowWhenMinimised =
        settings.readIn(QStringLiteral("Options"), QStringLiteral("SlowWhenMinimised"))
            .compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
    return pace;
}

int RefreshPace::backgroundIntervalMs(bool hiddenInTray, bool minimised) const
{
    if (hiddenInTray || (minimised && slowWhenMinimised))
        return backgroundSecs * 1000;
    return 0;
}

} // namespace tavrin
