#pragma once

#include <QString>

namespace tavrin {

// Characters of outside text a message box shows before it cuts the rest off with "…".
inline constexpr qsizetype messageBoxCharacters = 1000;
// Line breaks a message box shows before it cuts the rest off, so the box fits on a screen.
inline constexpr int messageBoxLines = 40;

// The text a message box shows for `text`: control characters other than tab, CR and LF are
// written as visible symbols (so a NUL cannot end the text early), and a text longer than
// `characters` characters or `lines` line breaks ends there with "…".
QString messageBoxText(const QString& text, qsizetype characters = messageBoxCharacters,
                       int lines = messageBoxLines);

// One line of outside text for a terminal: every control character, tab and line breaks
// included, written as a visible symbol, and at most `characters` characters, the last of them
// "…" when the text was longer.
QString terminalCell(const QString& text, qsizetype characters);

} // namespace tavrin
