#include "core/layout/MainWindowLayout.h"

#include <algorithm>

namespace tavrin {

namespace {

// The window system refuses a negative size; the property keeps its value.
void setSize(float& property, float value)
{
    if (value >= 0.0f)
        property = value;
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

MainWindowLayout::Properties MainWindowLayout::fitContent(float clientWidth, float clientHeight,
                                                          Properties p, const Design& design)
{
    p.line1X1 = 0.0f;
    p.line1X2 = clientWidth;
    p.line2X1 = 0.0f;
    p.line2X2 = clientWidth;
    setSize(p.fraMainWidth, clientWidth - 2.0f * design.fraMainLeft);
    setSize(p.fraMainHeight, clientHeight - design.fraMainTop - design.fraMainLeft);
    setSize(p.lvWidth, p.fraMainWidth - 2.0f * design.lvLeft);
    p.cmdAddLinkLeft = p.fraMainWidth - design.cmdAddLinkWidth - 200.0f;
    setSize(p.txtAddLinkWidth, p.cmdAddLinkLeft - design.txtAddLinkLeft - 100.0f);
    p.cmdPauseAllTop = p.fraMainHeight - design.cmdPauseAllHeight - 50.0f;
    p.cmdUnPauseAllTop = p.cmdPauseAllTop;
    p.cmdDeleteCompletedTop = p.cmdPauseAllTop;
    p.cmdStopAllTop = p.cmdPauseAllTop;
    p.cmdQueueAllTop = p.cmdPauseAllTop;
    setSize(p.lvHeight, p.cmdPauseAllTop - 50.0f - design.lvTop);
    return p;
}

MainWindowLayout::Outcome MainWindowLayout::run(Window window, Properties current,
                                                const Design& design)
{
    Outcome outcome{window, current, 0, 0};
    runNested(outcome, design, 1);
    return outcome;
}

void MainWindowLayout::runNested(Outcome& outcome, const Design& design, int depth)
{
    ++outcome.runs;
    outcome.maxDepth = std::max(outcome.maxDepth, depth);
    Window& w = outcome.window;

    if (const auto width = outerWidthToAssign(w.clientWidth, design);
        width && !w.sizeLocked && *width != w.outerWidth) {
        w.clientWidth = std::max(0.0f, w.clientWidth + (*width - w.outerWidth));
        w.outerWidth = *width;
        runNested(outcome, design, depth + 1);
    }
    if (const auto height = outerHeightToAssign(w.clientHeight, design);
        height && !w.sizeLocked && *height != w.outerHeight) {
        w.clientHeight = std::max(0.0f, w.clientHeight + (*height - w.outerHeight));
        w.outerHeight = *height;
        runNested(outcome, design, depth + 1);
    }
    outcome.properties = fitContent(w.clientWidth, w.clientHeight, outcome.properties, design);
}

} // namespace tavrin
