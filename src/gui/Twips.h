#pragma once

#include <QRect>
#include <QScreen>
#include <QWidget>
#include <cmath>

namespace tavrin {

// Window geometry is laid out in twips, 1440 to the inch, and shown at the screen's logical DPI;
// a widget's scale is fixed by the screen it is created on.
class TwipsScale {
public:
    static constexpr double perInch = 1440.0;

    // 96 DPI when the widget has no screen (nothing is shown then anyway).
    explicit TwipsScale(const QWidget& widget)
        : m_dpi(widget.screen() ? widget.screen()->logicalDotsPerInch() : 96.0)
    {
    }
    explicit TwipsScale(double dpi) : m_dpi(dpi) {}

    int toPixels(double twips) const
    {
        return static_cast<int>(std::lround(twips * m_dpi / perInch));
    }
    float toTwips(int pixels) const { return static_cast<float>(pixels * perInch / m_dpi); }
    QRect toPixels(double left, double top, double width, double height) const
    {
        return {toPixels(left), toPixels(top), toPixels(width), toPixels(height)};
    }

private:
    double m_dpi;
};

} // namespace tavrin
