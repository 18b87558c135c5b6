#include "core/layout/DialogGeometry.h"

namespace tavrin {

TwipsPoint aboutBoxPosition(const TwipsRect& mainOuter, float dialogWidth, float dialogHeight)
{
    return {mainOuter.left + mainOuter.width / 2 - dialogWidth,
            mainOuter.top + mainOuter.height / 2 - dialogHeight};
}

TwipsPoint centredOnScreen(float screenWidth, float screenHeight, float windowWidth,
                           float windowHeight)
{
    return {(screenWidth - windowWidth) / 2, (screenHeight - windowHeight) / 2};
}

VersionWindowControls versionWindowLayout(float clientWidth, float clientHeight,
                                          VersionWindowControls current)
{
    constexpr float gap = 50;
    VersionWindowControls next = current;
    next.cmdOK.left = clientWidth - next.cmdOK.width - gap;
    next.cmdOK.top = clientHeight - next.cmdOK.height - gap;
    if (const float width = clientWidth - 2 * next.txt.left; width >= 0)
        next.txt.width = width;
    if (const float height = next.cmdOK.top - gap - next.txt.top; height >= 0)
        next.txt.height = height;
    return next;
}

} // namespace tavrin
