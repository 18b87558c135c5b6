#pragma once

#include "SimOptions.h"

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

namespace kestrunsim {

// Reads the simulator's options; kept apart from main() so the checks can be tested.
class CommandLine {
public:
    CommandLine();

    // False when an option is unknown or out of range; errorText() then says why.
    bool parse(const QStringList& arguments);

    bool helpRequested() const { return m_parser.isSet(QStringLiteral("help")); }
    QString helpText() const { return m_parser.helpText(); }
    QString errorText() const { return m_error; }
    const SimOptions& options() const { return m_options; }

private:
    bool readInt(const QString& name, int min, int max, int& target);

    QCommandLineParser m_parser;
    SimOptions m_options;
    QString m_error;
};

} // namespace kestrunsim
