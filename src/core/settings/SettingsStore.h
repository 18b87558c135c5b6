#pragma once

#include <QString>

class QSettings;

namespace tavrin {

// The per-user text settings of the program, all in the group "Main".
class SettingsStore {
public:
    explicit SettingsStore(QSettings& settings);

    // The stored text, or the default when the key is absent. Never fails.
    QString read(const QString& key, const QString& defaultValue = {}) const;
    void write(const QString& key, const QString& value);
    bool contains(const QString& key) const;

private:
    QSettings& m_settings;
};

} // namespace tavrin
