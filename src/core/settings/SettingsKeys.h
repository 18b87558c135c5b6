#pragma once

#include <QString>

// The settings keys of the program and their defaults.
namespace tavrin::keys {

inline const QString host = QStringLiteral("Host");
inline const QString port = QStringLiteral("Port");
inline const QString uniqueId = QStringLiteral("UniqueID");
inline const QString refreshSecs = QStringLiteral("RefreshSecs");
inline const QString version3 = QStringLiteral("Version3");
inline const QString version2Cols = QStringLiteral("Version2Cols");
inline const QString version3Cols = QStringLiteral("Version3Cols");
inline const QString width = QStringLiteral("Width");
inline const QString height = QStringLiteral("Height");

inline const QString defaultHost = QStringLiteral("localhost");
inline const QString defaultPort = QStringLiteral("56667");
inline const QString defaultRefreshSecs = QStringLiteral("1");
inline const QString defaultVersion3 = QStringLiteral("true");
inline const QString defaultWidth = QStringLiteral("10395");
inline const QString defaultHeight = QStringLiteral("7050");

} // namespace tavrin::keys
