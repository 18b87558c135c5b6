#include "core/settings/SettingsStore.h"

#include <QSettings>

namespace tavrin {

namespace {

QString inGroup(QAnyStringView key)
{
    return QLatin1StringView("Main/") + key.toString();
}

} // namespace

SettingsStore::SettingsStore(QSettings& settings) : m_settings(settings) {}

QString SettingsStore::read(QAnyStringView key, const QString& defaultValue) const
{
    const QVariant value = m_settings.value(inGroup(key));
    if (!value.isValid())
        return defaultValue;
    // Values written by hand may come back as lists ("a, b"); keep their text.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", "));
    return value.toString();
}

void SettingsStore::write(QAnyStringView key, const QString& value)
{
    m_settings.setValue(inGroup(key), value);
}

} // namespace tavrin
