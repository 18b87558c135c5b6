#pragma once

#include "FixedClock.h"
#include "RecordingPrompter.h"
#include "core/settings/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <memory>

namespace tavrin::test {

// A temporary working directory (where tavrin.log goes) and a temporary settings file.
class TestEnvironment {
public:
    TestEnvironment() : m_previousDir(QDir::currentPath())
    {
        QDir::setCurrent(m_dir.path());
        qsettings = std::make_unique<QSettings>(m_dir.filePath(QStringLiteral("Tavrin.conf")),
                                                QSettings::IniFormat);
        settings = std::make_unique<SettingsStore>(*qsettings);
    }
    ~TestEnvironment() { QDir::setCurrent(m_previousDir); }
    TestEnvironment(const TestEnvironment&) = delete;
    TestEnvironment& operator=(const TestEnvironment&) = delete;

    QString path(const QString& name) const { return m_dir.filePath(name); }

    QByteArray logBytes() const
    {
        QFile file(m_dir.filePath(QStringLiteral("tavrin.log")));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Reopens the settings file as a fresh store would see it.
    QSettings reopenedSettings() const
    {
        qsettings->sync();
        return QSettings(m_dir.filePath(QStringLiteral("Tavrin.conf")), QSettings::IniFormat);
    }

    std::unique_ptr<QSettings> qsettings;
    std::unique_ptr<SettingsStore> settings;
    RecordingPrompter prompter;
    FixedClock clock;

private:
    QString m_previousDir;
    QTemporaryDir m_dir;
};

} // namespace tavrin::test
