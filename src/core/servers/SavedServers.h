#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace tavrin {

class SettingsStore;

// A server the user saved under a name: what the connection fields and the version held.
struct SavedServer {
    QString name;
    QString host;
    QString port;
    QString uniqueId;
    bool version3 = true;
    bool operator==(const SavedServer&) const = default;
};

// The saved servers, in the settings group "Servers": one child group per name with the keys
// "Host", "Port", "UniqueID" and "Version3". A name is stored percent-encoded, so that any text
// (slashes too) names one group.
class SavedServers {
public:
    explicit SavedServers(SettingsStore& settings) : m_settings(settings) {}

    // The names, sorted without regard to case.
    QStringList names() const;
    std::optional<SavedServer> find(const QString& name) const;
    // Stores the server under its name, replacing one saved under the same name.
    void save(const SavedServer& server);
    // Renames; false when there is no such server or the new name is taken.
    bool rename(const QString& from, const QString& to);
    void remove(const QString& name);

    // Why a name cannot be used, or nothing: empty, too long, or holding control characters.
    static std::optional<QString> nameProblem(const QString& name);

private:
    // The group a name is stored under; empty when it is not saved.
    QString storedGroup(const QString& name) const;

    SettingsStore& m_settings;
};

} // namespace tavrin
