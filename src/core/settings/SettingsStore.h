#pragma once

#include <QAnyStringView>
#include <QString>
#include <QStringList>
#include <functional>

class QSettings;

namespace tavrin {

// The per-user text settings of the program, in the group "Main" unless said otherwise. Every write
// reaches the file at once, readable by its owner only (it holds unique IDs); a write that cannot
// be saved is told once per run.
class SettingsStore {
public:
    // Called once, at the first write that could not be saved, with what to tell the user.
    using FailureHandler = std::function<void(const QString& message)>;

    explicit SettingsStore(QSettings& settings);

    // The stored text, or the default when the key is absent. Never fails.
    QString read(QAnyStringView key, const QString& defaultValue = {}) const;
    void write(QAnyStringView key, const QString& value);
    // The same in another group: "View" for how the list is shown.
    QString readIn(QAnyStringView group, QAnyStringView key,
                   const QString& defaultValue = {}) const;
    void writeIn(QAnyStringView group, QAnyStringView key, const QString& value);
    // The groups inside `group` ("Servers" holds one per saved server), and removing one whole.
    QStringList childGroups(QAnyStringView group) const;
    void removeGroup(QAnyStringView group, QAnyStringView child);

    // The file the settings live in.
    QString fileName() const;

    void setFailureHandler(FailureHandler handler) { m_onFailure = std::move(handler); }
    // True once a write could not be saved.
    bool hasFailed() const { return m_failed; }

    // Keeps a settings file that cannot be read as settings (malformed, or holding NUL bytes)
    // as "<file>.bad", or "<file>.bad.<time stamp>" when that exists, before anything can
    // overwrite it. Returns the name it was kept under, or nothing when the file is sound.
    static QString keepDamagedFile(const QString& fileName);

private:
    // Writes the file now, readable by its owner only; a failure is told once.
    void save();

    QSettings& m_settings;
    FailureHandler m_onFailure;
    bool m_failed = false;
};

} // namespace tavrin
