#include "core/session/ConnectionFields.h"

#include <QCoreApplication>

#include "core/net/WireProtocol.h"
#include "core/platform/Numbers.h"

namespace tavrin::fields {

std::optional<quint16> port(const QString& text)
{
    const auto number = toInt32(text);
    if (!number || *number < 1 || *number > 65535)
        return std::nullopt;
    return static_cast<quint16>(*number);
}

QString badPortText(const QString& text)
{
    return QCoreApplication::translate("ConnectionFields",
                                       "Port: \"%1\" is not a whole number from 1 to 65535.")
        .arg(text);
}

std::optional<QByteArray> uniqueId(const QString& text)
{
    return wire::latin1(text);
}

QString badUniqueIdText(const QString& text)
{
    return QCoreApplication::translate(
               "ConnectionFields",
               "Unique ID: \"%1\" has characters the server cannot receive; only "
               "Latin-1 characters can be sent.")
        .arg(text);
}

} // namespace tavrin::fields
