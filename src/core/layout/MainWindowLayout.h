#pragma once

#include <optional>

// The resize layout of the main window, in twips held as 32-bit floats, free of any widget so
// that every size (minimised, maximised, below the minimum) can be worked out and checked.
namespace tavrin {

// The design values the routine reads and never changes.
struct MainWindowDesign {
    float minimumOuterWidth = 10395.0f;
    float minimumOuterHeight = 4000.0f;
    float fraMainLeft = 0.0f;
    float fraMainTop = 1080.0f;
    float lvLeft = 120.0f;
    float lvTop = 600.0f;
    float txtAddLinkLeft = 960.0f;
    float cmdAddLinkWidth = 735.0f;
    float cmdPauseAllHeight = 495.0f;
};

// Every property the routine sets; the defaults are the designed ones.
struct MainWindowProperties {
    float line1X1 = 0.0f;
    float line1X2 = 10320.0f;
    float line2X1 = 6600.0f;
    float line2X2 = 9840.0f;
    float fraMainWidth = 10215.0f;
    float fraMainHeight = 5415.0f;
    float lvWidth = 9975.0f;
    float lvHeight = 4095.0f;
    float cmdAddLinkLeft = 7800.0f;
    float txtAddLinkWidth = 6735.0f;
    float cmdPauseAllTop = 4800.0f;
    float cmdUnPauseAllTop = 4800.0f;
    float cmdDeleteCompletedTop = 4800.0f;
    float cmdStopAllTop = 4800.0f;
    float cmdQueueAllTop = 4800.0f;

    friend bool operator==(const MainWindowProperties&, const MainWindowProperties&) = default;
};

// A window as the window system keeps it: setting the outer size moves the client size by
// the same amount and raises a nested run at once, unless the size is locked (minimised or
// maximised) or the new size equals the old one.
struct ModelledWindow {
    float clientWidth = 0.0f;
    float clientHeight = 0.0f;
    float outerWidth = 0.0f;
    float outerHeight = 0.0f;
    bool sizeLocked = false;

    friend bool operator==(const ModelledWindow&, const ModelledWindow&) = default;
};

class MainWindowLayout {
public:
    using Design = MainWindowDesign;
    using Properties = MainWindowProperties;
    using Window = ModelledWindow;

    struct Outcome {
        Window window;
        Properties properties;
        int runs = 0;     // this run and every nested one
        int maxDepth = 0; // 1: no nested run
    };

    // Steps 1 and 2: the outer size the routine assigns, when the client size is under the
    // minimum.
    static std::optional<float> outerWidthToAssign(float clientWidth, const Design& design = {});
    static std::optional<float> outerHeightToAssign(float clientHeight, const Design& design = {});

    // Steps 3 to 12 for the client size read afresh; a negative width or height is refused and
    // leaves that property as it was, while the following steps still run.
    static Properties fitContent(float clientWidth, float clientHeight, Properties current,
                                 const Design& design = {});

    // The whole routine on a modelled window, nested runs included.
    static Outcome run(Window window, Properties current, const Design& design = {});

private:
    static void runNested(Outcome& outcome, const Design& design, int depth);
};

} // namespace tavrin
