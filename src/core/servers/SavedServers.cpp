#include "core/servers/SavedServers.h"

#include "core/settings/SettingsStore.h"

#include <QByteArray>
#include <QCoreApplication>
#include <algorithm>

namespace tavrin {

namespace {

const QLatin1StringView group("Servers");
constexpr qsizetype longestName = 100;

QString groupOf(const QString& name)
{
    return QString::fromLatin1(name.toUtf8().toPercentEncoding());
}

QString nameOf(const QString& storedGroup)
{
    return QString::fromUtf8(QByteArray::fromPercentEncoding(storedGroup.toLatin1()));
}

QString keyIn(const QString& storedGroup, QLatin1StringView key)
{
    return storedGroup + QLatin1Char('/') + key;
}

} // namespace

QStringList SavedServers::names() const
{
    QStringList names;
    for (const QString& stored : m_settings.childGroups(group)) {
        const QString name = nameOf(stored);
        if (!nameProblem(name) && !names.contains(name))
            names.append(name);
    }
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    return names;
}

QString SavedServers::storedGroup(const QString& name) const
{
    // Ours are percent-encoded; one typed into the file by hand may be plain.
    for (const QString& stored : m_settings.childGroups(group)) {
        if (nameOf(stored) == name)
            return stored;
    }
    return {};
}

std::optional<SavedServer> SavedServers::find(const QString& name) const
{
    const QString stored = storedGroup(name);
    if (stored.isEmpty() || nameProblem(name))
        return std::nullopt;
    SavedServer server;
    server.name = name;
    server.host = m_settings.readIn(group, keyIn(stored, QLatin1StringView("Host")));
    server.port = m_settings.readIn(group, keyIn(stored, QLatin1StringView("Port")));
    server.uniqueId = m_settings.readIn(group, keyIn(stored, QLatin1StringView("UniqueID")));
    server.version3 = m_settings.readIn(group, keyIn(stored, QLatin1StringView("Version3")),
                                        QStringLiteral("true")) != QLatin1String("false");
    return server;
}

void SavedServers::save(const SavedServer& server)
{
    QString stored = storedGroup(server.name);
    if (stored.isEmpty())
        stored = groupOf(server.name);
    m_settings.writeIn(group, keyIn(stored, QLatin1StringView("Host")), server.host);
    m_settings.writeIn(group, keyIn(stored, QLatin1StringView("Port")), server.port);
    m_settings.writeIn(group, keyIn(stored, QLatin1StringView("UniqueID")), server.uniqueId);
    m_settings.writeIn(group, keyIn(stored, QLatin1StringView("Version3")),
                       server.version3 ? QStringLiteral("true") : QStringLiteral("false"));
}

bool SavedServers::rename(const QString& from, const QString& to)
{
    std::optional<SavedServer> server = find(from);
    if (!server || nameProblem(to) || (from != to && find(to)))
        return false;
    if (from == to)
        return true;
    server->name = to;
    save(*server);
    remove(from);
    return true;
}

void SavedServers::remove(const QString& name)
{
    if (const QString stored = storedGroup(name); !stored.isEmpty())
        m_settings.removeGroup(group, stored);
}

std::optional<QString> SavedServers::nameProblem(const QString& name)
{
    if (name.trimmed().isEmpty())
        return QCoreApplication::translate("SavedServers", "A saved server needs a name.");
    if (name.size() > longestName)
        return QCoreApplication::translate("SavedServers",
                                           "A server's name may be at most %1 characters long.")
            .arg(longestName);
    if (std::any_of(name.begin(), name.end(),
                    [](QChar c) { return c.category() == QChar::Other_Control; }))
        return QCoreApplication::translate("SavedServers",
                                           "A server's name may not hold control characters.");
    return std::nullopt;
}

} // namespace tavrin
