#pragma once

#include <cmath>

// Window geometry is designed in twips, 1440 to the inch, and shown at the screen's logical DPI.
namespace tavrin::twips {

inline constexpr double perInch = 1440.0;

inline int toPixels(double twips, double dpi)
{
    return static_cast<int>(std::lround(twips * dpi / perInch));
}

inline float fromPixels(int pixels, double dpi)
{
    return static_cast<float>(pixels * perInch / dpi);
}

} // namespace tavrin::twips
