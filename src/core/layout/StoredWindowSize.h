#pragma once

#include <QString>
#include <optional>

namespace tavrin {

class SettingsStore;

// The window's outer size in twips as kept under "Width" and "Height".
struct StoredWindowSize {
    std::optional<float> width;
    std::optional<float> height;
    // Why reading stopped: the first value that is not a whole number (the width before the
    // height); empty when both were read.
    QString error;

    static StoredWindowSize read(const SettingsStore& settings);
    // Holds each size to the screen's available area (in twips), so a damaged or hostile
    // setting cannot ask for a window larger than the screen.
    void clampTo(float availableWidth, float availableHeight);
    static void write(SettingsStore& settings, float widthTwips, float heightTwips);
};

} // namespace tavrin
