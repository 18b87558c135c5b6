#include "core/platform/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace tavrin::translations {

namespace {

// The translations built into the program, then the installed ones.
bool loadOwn(QTranslator& translator, const QString& code)
{
    const QString name = QStringLiteral("tavrin_") + code;
    return translator.load(name, QStringLiteral(":/i18n")) ||
           translator.load(name, QCoreApplication::applicationDirPath() +
                                     QStringLiteral("/../share/tavrin/translations"));
}

// "de-DE", "de_DE.UTF-8" and "de" are all "de".
QString languageCode(const QString& name)
{
    return name.section(u'.', 0, 0).section(u'_', 0, 0).section(u'-', 0, 0).toLower();
}

} // namespace

QStringList wantedLanguages(const QString& chosen)
{
    if (!chosen.trimmed().isEmpty())
        return {chosen.trimmed()};
    return QLocale::system().uiLanguages();
}

QString install(const QString& chosen)
{
    // Alive as long as the program; installed again when the choice changes.
    static QTranslator english;
    static QTranslator own;
    static QTranslator qt;
    for (QTranslator* translator : {&english, &own, &qt})
        QCoreApplication::removeTranslator(translator);
    // English texts are the sources; only their plural forms need a translation.
    if (loadOwn(english, QStringLiteral("en")))
        QCoreApplication::installTranslator(&english);
    for (const QString& language : wantedLanguages(chosen)) {
        const QString code = languageCode(language);
        if (code == QLatin1String("en") || code == QLatin1String("c"))
            return QStringLiteral("en");
        if (!loadOwn(own, code))
            continue;
        QCoreApplication::installTranslator(&own);
        if (qt.load(QStringLiteral("qtbase_") + code,
                    QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            QCoreApplication::installTranslator(&qt);
        return code;
    }
    return QStringLiteral("en");
}

} // namespace tavrin::translations
