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

UpdateReportGeometry updateReportLayout(float clientWidth, float clientHeight,
                                        UpdateReportGeometry current)
{
    constexpr float gap = 50;
    UpdateReportGeometry next = current;
    next.okButton.left = clientWidth - next.okButton.width - gap;
    next.okButton.top = clientHeight - next.okButton.height - gap;
    if (const float width = clientWidth - 2 * next.report.left; width >= 0)
        next.report.width = width;
    if (const float height = next.okButton.top - gap - next.report.top; height >= 0)
        next.report.height = height;
    return next;
}

} // namespace tavrin
