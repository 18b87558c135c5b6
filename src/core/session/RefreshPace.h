#pragma once

namespace tavrin {

class SettingsStore;

// How polling slows while the window is out of sight: [Options] BackgroundRefreshSecs (default
// 10; 0 keeps the normal interval) while hidden in the tray, and while minimised only when
// [Options] SlowWhenMinimised is true.
struct RefreshPace {
    static constexpr int defaultBackgroundSecs = 10;
    static constexpr int maxBackgroundSecs = 24 * 60 * 60;

    int backgroundSecs = defaultBackgroundSecs;
    bool slowWhenMinimised = false;

    // The stored choices; a value that is not a number in range counts as the default.
    static RefreshPace read(const SettingsStore& settings);
    // The slowest interval polling may take now, in milliseconds; 0: the normal one.
    int backgroundIntervalMs(bool hiddenInTray, bool minimised) const;
};

} // namespace tavrin
