#include "core/settings/SettingsStore.h"

#include <QSettings>

namespace tavrin {

namespace {
const QString group = QStringLiteral("Main/");
}

SettingsStore::SettingsStore(QSettings& settings) : m_settings(settings) {}

QString SettingsStore::read(const QString& key, const QString& defaultValue) const
{
    const QVariant value = m_settings.value(group + key);
    // Values written by hand may come back as lists ("a, b"); keep their text.
    if (!value.isValid())
        return defaultValue;
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", "));
    return value.toString();
}

void SettingsStore::write(const QString& key, const QString& value)
{
    m_settings.setValue(group + key, value);
}

bool SettingsStore::contains(const QString& key) const
{
    return m_settings.contains(group + key);
}

} // namespace tavrin
