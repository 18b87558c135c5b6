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

std::optional<float> MainWindowLayout::outerWidthToAssign(float clientWidth, const Design& design)
{
    if (clientWidth < design.minimumOuterWidth)
        return design.minimumOuterWidth;
    return std::nullopt;
}

std::optional<float> MainWindowLayout::outerHeightToAssign(float clientHeight, const Design& design)
{
    if (clientHeight < design.minimumOuterHeight)
        return design.minimumOuterHeight;
    return std::nullopt;
}

MainWindowLayout::Geometry MainWindowLayout::fitContent(float clientWidth, float clientHeight,
                                                        Geometry g, const Design& design)
{
    g.shadowLineLeft = 0.0f;
    g.shadowLineRight = clientWidth;
    g.highlightLineLeft = 0.0f;
    g.highlightLineRight = clientWidth;
    setSize(g.contentWidth, clientWidth - 2.0f * design.contentLeft);
    setSize(g.contentHeight, clientHeight - design.contentTop - design.contentLeft);
    setSize(g.listWidth, g.contentWidth - 2.0f * design.listLeft);
    g.addButtonLeft = g.contentWidth - design.addButtonWidth - 200.0f;
    setSize(g.linkBoxWidth, g.addButtonLeft - design.linkBoxLeft - 100.0f);
    g.buttonRowTop = g.contentHeight - design.buttonRowHeight - 50.0f;
    setSize(g.listHeight, g.buttonRowTop - 50.0f - design.listTop);
    return g;
}

} // namespace tavrin
