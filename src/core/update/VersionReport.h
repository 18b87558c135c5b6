#pragma once

#include <QByteArray>
#include <QString>

namespace tavrin {

// What a check for a new version comes to.
struct UpdateOutcome {
    enum class Kind {
        Latest, // the newest listed release is the running one
        Report, // newer releases exist; `text` is the report
        Failure // `text` describes what went wrong
    };
    Kind kind = Kind::Failure;
    QString text;

    static UpdateOutcome failure(const QString& description)
    {
        return {Kind::Failure, description};
    }
};

// The program's own text for a body that holds no XML document.
QString downloadFailedText();

// Reads a fetched Versions document and compares its releases with the running version.
UpdateOutcome evaluateVersions(const QByteArray& body, const QString& runningVersion);

} // namespace tavrin
