#pragma once

#include <QLatin1StringView>

namespace tavrin {

class SettingsStore;

// An on/off choice under [Options], stored as "true" or "false".
struct OptionSwitch {
    QLatin1StringView key;
    // What an absent or unreadable value means.
    bool onByDefault;

    // "true" and "false" in any case; anything else is the default.
    bool isOn(const SettingsStore& settings) const;
    void set(SettingsStore& settings, bool on) const;
};

namespace options {
// A desktop notification when a download finishes.
inline constexpr OptionSwitch notifications{QLatin1StringView("Notifications"), true};
// Connecting again by itself after a network loss.
inline constexpr OptionSwitch autoReconnect{QLatin1StringView("AutoReconnect"), false};
// The text of every reply and row in the log.
inline constexpr OptionSwitch logReplies{QLatin1StringView("LogReplies"), true};
inline constexpr OptionSwitch trayIcon{QLatin1StringView("TrayIcon"), false};
// Closing the window hides it in the tray, where there is one.
inline constexpr OptionSwitch closeToTray{QLatin1StringView("CloseToTray"), false};
// Polling at the background pace while minimised, not only while in the tray.
inline constexpr OptionSwitch slowWhenMinimised{QLatin1StringView("SlowWhenMinimised"), false};
} // namespace options

} // namespace tavrin
