#pragma once

#include <QAnyStringView>
#include <QString>

class QSettings;

namespace tavrin {

// The per-user text settings of the program, all in the group "Main".
class SettingsStore {
public:
    explicit SettingsStore(QSettings& settings);

    // The stored text, or the default when the key is absent. Never fails.
    QString read(QAnyStringView key, const QString& defaultValue = {}) const;
    void write(QAnyStringView key, const QString& value);

private:
    QSettings& m_settings;
};

} // namespace tavrin
