#pragma once

// Where the Help dialogs and their contents go, in twips held as floats so that repeated
// resizing does not drift by rounding.
namespace tavrin {

struct TwipsPoint {
    float left = 0;
    float top = 0;
};

struct TwipsRect {
    float left = 0;
    float top = 0;
    float width = 0;
    float height = 0;
};

// The About box's bottom-right corner at the main window's centre (outer sizes).
TwipsPoint aboutBoxPosition(const TwipsRect& mainOuter, float dialogWidth, float dialogHeight);

// A window in the middle of the screen (outer sizes).
TwipsPoint centredOnScreen(float screenWidth, float screenHeight, float windowWidth,
                           float windowHeight);

// What the new-version report window holds: the report text and its OK button.
struct UpdateReportGeometry {
    TwipsRect report;
    TwipsRect okButton;
};

// The button 50 twips from the bottom-right corner, the report filling the rest; a size that
// would be negative is not applied, so the report keeps that one as it was.
UpdateReportGeometry updateReportLayout(float clientWidth, float clientHeight,
                                        UpdateReportGeometry current);

} // namespace tavrin
