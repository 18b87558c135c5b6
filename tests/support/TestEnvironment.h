#pragma once

#include "FixedClock.h"
#include "RecordingPrompter.h"
#include "core/platform/Translations.h"
#include "core/settings/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <memory>

namespace tavrin::test {

// A temporary working directory (where tavrin.log goes) and a temporary settings file.
class TestEnvironment {
    // First, so that the files below live in the directory and go before it.
    QString m_previousDir = QDir::currentPath();
    QTemporaryDir m_dir;

public:
    TestEnvironment()
        : qsettings(std::make_unique<QSettings>(path("Tavrin.conf"), QSettings::IniFormat)),
          settings(std::make_unique<SettingsStore>(*qsettings))
    {
        QDir::setCurrent(m_dir.path());
        // The window in English, as the program shows it under an English or C locale.
        translations::install(QStringLiteral("en"));
    }
    ~TestEnvironment() { QDir::setCurrent(m_previousDir); }

    QString path(const QString& name) const { return m_dir.filePath(name); }

    QByteArray logBytes() const
    {
        QFile file(path("tavrin.log"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Reopens the settings file as a fresh store would see it.
    QSettings reopenedSettings() const
    {
        qsettings->sync();
        return QSettings(path("Tavrin.conf"), QSettings::IniFormat);
    }

    std::unique_ptr<QSettings> qsettings;
    std::unique_ptr<SettingsStore> settings;
    RecordingPrompter prompter;
    FixedClock clock;
};

} // namespace tavrin::test
