#pragma once

// Where the Help dialogs go, in twips held as floats as the windows are designed.
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

// The two controls of the new-version window.
struct VersionWindowControls {
    TwipsRect txt;
    TwipsRect cmdOK;
};

// The button 50 twips from the bottom-right corner, the text box filling the rest; a negative
// size is refused by the window system, so that step leaves the control as it was.
VersionWindowControls versionWindowLayout(float clientWidth, float clientHeight,
                                          VersionWindowControls current);

} // namespace tavrin
