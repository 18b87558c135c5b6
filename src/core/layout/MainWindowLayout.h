#pragma once

#include <optional>

// The resize layout of the main window, in twips held as 32-bit floats, free of any widget so
// that every size (minimised, maximised, below the minimum) can be worked out and checked.
namespace tavrin {

// The fixed measures the layout reads and never changes.
struct MainWindowMetrics {
    float minimumOuterWidth = 10395.0f;
    float minimumOuterHeight = 4000.0f;
    float contentLeft = 0.0f;
    float contentTop = 1080.0f;
    float listLeft = 120.0f;
    float listTop = 600.0f;
    float linkBoxLeft = 960.0f;
    float addButtonWidth = 735.0f;
    float buttonRowHeight = 495.0f;
    // The design's client area, and the placed widgets' measures the layout never changes.
    float designClientWidth = 10275.0f;
    float designClientHeight = 6615.0f;
    float linkRowTop = 120.0f; // the Add Link box and the Add button
    float addButtonHeight = 255.0f;
    float buttonSpacing = 600.0f; // from one picture button's left to the next one's
    float highlightLineTop = 10.0f;
};

// Everything the layout places; the defaults are the window's initial geometry. The two
// separator lines under the menu bar are a grey shadow and a white highlight.
struct MainWindowGeometry {
    float shadowLineLeft = 0.0f;
    float shadowLineRight = 10320.0f;
    float highlightLineLeft = 6600.0f;
    float highlightLineRight = 9840.0f;
    float contentWidth = 10215.0f; // the area below the connection settings
    float contentHeight = 5415.0f;
    float listWidth = 9975.0f;
    float listHeight = 4095.0f;
    float addButtonLeft = 7800.0f;
    float linkBoxWidth = 6735.0f;
    float buttonRowTop = 4800.0f; // the picture buttons under the list
};

class MainWindowLayout {
public:
    using Metrics = MainWindowMetrics;
    using Geometry = MainWindowGeometry;

    // The outer size to give the window when its client size is under the minimum.
    static std::optional<float> outerWidthToAssign(float clientWidth, const Metrics& metrics = {});
    static std::optional<float> outerHeightToAssign(float clientHeight,
                                                    const Metrics& metrics = {});

    // The content fitted to the client size. A width or height that would be negative is not
    // applied and keeps its value from `current`; everything placed after it still follows.
    static Geometry fitContent(float clientWidth, float clientHeight, Geometry current,
                               const Metrics& metrics = {});
};

} // namespace tavrin
