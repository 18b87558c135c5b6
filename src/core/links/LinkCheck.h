#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class QMimeData;

namespace tavrin::links {

// The longest link taken from outside, in UTF-8 bytes.
inline constexpr qsizetype maxLinkBytes = 64 * 1024;

// Why a link cannot go on the wire as one command: control characters (a line break would end
// the command and start another) or more than 64 KiB. Any scheme passes.
std::optional<QString> wireProblem(const QString& link);

// Why a link from outside (the command line, another start, a drop) is refused, or nothing when
// it is a magnet or http(s) link that can go on the wire as it is.
std::optional<QString> problem(const QString& link);

// The links a drop carries: its URLs, or else the non-empty lines of its text.
QStringList fromMimeData(const QMimeData& data);

// A link as a message shows it: control characters visible, a long one cut short.
QString shown(const QString& link);

// The links that pass, and the first refusal ("not a magnet or http(s) link: ...").
struct Checked {
    QStringList good;
    QString refusal;
};
Checked check(const QStringList& links);

} // namespace tavrin::links
