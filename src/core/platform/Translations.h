#pragma once

#include <QString>
#include <QStringList>

// The languages the window speaks. The log's own entries, the commands on the wire, settings
// keys, column keys and the CLI's machine-readable output are never translated: people and
// tools read them across languages.
namespace tavrin::translations {

// The languages wanted, best first: `chosen` ([Options] Language) when set, else the system's
// (QLocale::system().uiLanguages(), which honours LANGUAGE).
QStringList wantedLanguages(const QString& chosen);
// Installs Tavrin's translation (and Qt's own, for its dialogs' buttons) for the first wanted
// language Tavrin has, over English plural forms; returns its code, "en" when there is none.
QString install(const QString& chosen);

} // namespace tavrin::translations
