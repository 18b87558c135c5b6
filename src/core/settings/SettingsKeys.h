#pragma once

#include <QLatin1StringView>

// The settings keys of the program and their defaults.
namespace tavrin::keys {

inline constexpr QLatin1StringView host{"Host"};
inline constexpr QLatin1StringView port{"Port"};
inline constexpr QLatin1StringView uniqueId{"UniqueID"};
inline constexpr QLatin1StringView refreshSecs{"RefreshSecs"};
inline constexpr QLatin1StringView version3{"Version3"};
inline constexpr QLatin1StringView version2Cols{"Version2Cols"};
inline constexpr QLatin1StringView version3Cols{"Version3Cols"};
inline constexpr QLatin1StringView width{"Width"};
inline constexpr QLatin1StringView height{"Height"};

inline constexpr QLatin1StringView defaultHost{"localhost"};
inline constexpr QLatin1StringView defaultPort{"56667"};
inline constexpr QLatin1StringView defaultRefreshSecs{"1"};
inline constexpr QLatin1StringView defaultVersion3{"true"};
inline constexpr QLatin1StringView defaultWidth{"10395"};
inline constexpr QLatin1StringView defaultHeight{"7050"};

} // namespace tavrin::keys
