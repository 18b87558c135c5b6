#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// The checks on what the user types as port and unique ID, with the words both the window and
// the command-line client report.
namespace tavrin::fields {

// The port as a number from 1 to 65535, or nothing.
std::optional<quint16> port(const QString& text);
QString badPortText(const QString& text);

// The unique ID as the bytes sent, or nothing when it has characters Latin-1 cannot carry.
std::optional<QByteArray> uniqueId(const QString& text);
QString badUniqueIdText(const QString& text);

} // namespace tavrin::fields
