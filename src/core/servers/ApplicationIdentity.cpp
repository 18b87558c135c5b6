#include "core/servers/ApplicationIdentity.h"

#include "BuildInfo.h"

#include <QCoreApplication>

namespace tavrin {

void setApplicationIdentity()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Tavrin"));
    QCoreApplication::setApplicationName(QStringLiteral("Tavrin"));
    QCoreApplication::setApplicationVersion(build::versionString());
}

} // namespace tavrin
