#include "core/servers/ServerProfile.h"

#include <QCoreApplication>

#include "core/settings/SettingsKeys.h"
#include "core/settings/SettingsStore.h"
#include "core/torrents/ReplyRows.h"

namespace tavrin {

void ServerProfile::load(std::optional<bool> version3)
{
    m_version3 = version3.value_or(m_settings.read(keys::version3, keys::defaultVersion3) ==
                                   QLatin1String("true"));
    loadLayouts();
}

void ServerProfile::switchVersion()
{
    m_version3 = !m_version3;
    m_settings.write(keys::version3, m_version3 ? QStringLiteral("true") : QStringLiteral("false"));
    loadLayouts();
}

QString ServerProfile::switchCaption() const
{
    return m_version3 ? QCoreApplication::translate("ServerProfile", "Switch to Kestrun Version 2")
                      : QCoreApplication::translate("ServerProfile", "Switch to Kestrun Version 3");
}

void ServerProfile::storeLayout()
{
    m_settings.write(m_version3 ? keys::version3Cols : keys::version2Cols,
                     columns::serialize(m_layout));
}

std::optional<int> ServerProfile::versionTheRowsSuggest(QByteArrayView reply) const
{
    // The first row tells; the rows of one reply come from one server.
    replyrows::RowReader rows(reply);
    QByteArrayView row;
    while (rows.next(row) && row.isEmpty()) {
    }
    if (row.isEmpty())
        return std::nullopt;
    const qsizetype dataFields = replyrows::countBars(row);
    pugi::xml_document other;
    columns::parse(other, columns::defaultText(!m_version3));
    if (dataFields != columns::elementCount(other) ||
        dataFields == columns::elementCount(m_defaultLayout))
        return std::nullopt;
    return m_version3 ? 2 : 3;
}

void ServerProfile::loadLayouts()
{
    columns::parse(m_defaultLayout, columns::defaultText(m_version3));
    QString stored = m_settings.read(m_version3 ? keys::version3Cols : keys::version2Cols);
    if (stored.isEmpty())
        stored = columns::serialize(m_defaultLayout);
    columns::parse(m_layout, stored);
}

} // namespace tavrin
