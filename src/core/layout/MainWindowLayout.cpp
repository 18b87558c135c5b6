#include "core/layout/MainWindowLayout.h"

namespace tavrin {

namespace {

// The window system refuses a negative size; the widget keeps the one it had.
void setSize(float& size, float value)
{
    if (value >= 0.0f)
        size = value;
}

} // namespace

std::optional<float> MainWindowLayout::outerWidthToAssign(float clientWidth, const Metrics& metrics)
{
    if (clientWidth < metrics.minimumOuterWidth)
        return metrics.minimumOuterWidth;
    return std::nullopt;
}

std::optional<float> MainWindowLayout::outerHeightToAssign(float clientHeight,
                                                           const Metrics& metrics)
{
    if (clientHeight < metrics.minimumOuterHeight)
        return metrics.minimumOuterHeight;
    return std::nullopt;
}

MainWindowLayout::Geometry MainWindowLayout::fitContent(float clientWidth, float clientHeight,
                                                        Geometry g, const Metrics& metrics)
{
    g.shadowLineLeft = 0.0f;
    g.shadowLineRight = clientWidth;
    g.highlightLineLeft = 0.0f;
    g.highlightLineRight = clientWidth;
    setSize(g.contentWidth, clientWidth - 2.0f * metrics.contentLeft);
    setSize(g.contentHeight, clientHeight - metrics.contentTop - metrics.contentLeft);
    setSize(g.listWidth, g.contentWidth - 2.0f * metrics.listLeft);
    g.addButtonLeft = g.contentWidth - metrics.addButtonWidth - 200.0f;
    setSize(g.linkBoxWidth, g.addButtonLeft - metrics.linkBoxLeft - 100.0f);
    g.buttonRowTop = g.contentHeight - metrics.buttonRowHeight - 50.0f;
    setSize(g.listHeight, g.buttonRowTop - 50.0f - metrics.listTop);
    return g;
}

} // namespace tavrin
