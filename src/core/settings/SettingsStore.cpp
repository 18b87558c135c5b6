#include "core/settings/SettingsStore.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace tavrin {

namespace {

QString inGroup(QAnyStringView key, QAnyStringView group = QLatin1StringView("Main"))
{
    return group.toString() + QLatin1Char('/') + key.toString();
}

// Larger than any settings file the program writes; a file past it is not read whole.
constexpr qint64 sanitySizeBytes = 16 * 1024 * 1024;

} // namespace

SettingsStore::SettingsStore(QSettings& settings) : m_settings(settings) {}

QString SettingsStore::fileName() const
{
    return m_settings.fileName();
}

QString SettingsStore::read(QAnyStringView key, const QString& defaultValue) const
{
    return readIn(QLatin1StringView("Main"), key, defaultValue);
}

void SettingsStore::write(QAnyStringView key, const QString& value)
{
    writeIn(QLatin1StringView("Main"), key, value);
}

QString SettingsStore::readIn(QAnyStringView group, QAnyStringView key,
                              const QString& defaultValue) const
{
    const QVariant value = m_settings.value(inGroup(key, group));
    if (!value.isValid())
        return defaultValue;
    // Values written by hand may come back as lists ("a, b"); keep their text.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", "));
    return value.toString();
}

void SettingsStore::writeIn(QAnyStringView group, QAnyStringView key, const QString& value)
{
    m_settings.setValue(inGroup(key, group), value);
    save();
}

QStringList SettingsStore::childGroups(QAnyStringView group) const
{
    m_settings.beginGroup(group.toString());
    const QStringList groups = m_settings.childGroups();
    m_settings.endGroup();
    return groups;
}

void SettingsStore::removeGroup(QAnyStringView group, QAnyStringView child)
{
    m_settings.remove(inGroup(child, group));
    save();
}

void SettingsStore::save()
{
    m_settings.sync();
    const QString file = m_settings.fileName();
    if (m_settings.status() == QSettings::NoError) {
        QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        return;
    }
    if (m_failed)
        return;
    m_failed = true;
    if (m_onFailure)
        m_onFailure(QStringLiteral("Settings cannot be saved to %1; changes last until Tavrin "
                                   "ends.")
                        .arg(file));
}

QString SettingsStore::keepDamagedFile(const QString& fileName)
{
    const QFileInfo info(fileName);
    if (!info.isFile())
        return {};
    bool damaged = info.size() > sanitySizeBytes;
    if (!damaged) {
        QFile file(fileName);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        damaged = file.readAll().contains('\0');
    }
    if (!damaged) {
        QSettings probe(fileName, QSettings::IniFormat);
        damaged = probe.status() == QSettings::FormatError;
    }
    if (!damaged)
        return {};
    QString kept = fileName + QStringLiteral(".bad");
    if (QFileInfo::exists(kept))
        kept += QLatin1Char('.') +
                QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"));
    return QFile::copy(fileName, kept) ? kept : QString();
}

} // namespace tavrin
