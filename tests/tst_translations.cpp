// The window's languages: the shipped translations are current and complete, German shows
// German, English and C show the English texts exactly, plural forms come out right.
#include "core/platform/Translations.h"
#include "gui/MainWindow.h"
#include "support/ProcessRun.h"
#include "support/TestEnvironment.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenuBar>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

using namespace tavrin;

namespace {

const QString sourceDir = QStringLiteral(TAVRIN_SOURCE_DIR);
const QStringList shipped = {QStringLiteral("tavrin_de.ts"), QStringLiteral("tavrin_en.ts")};

struct Message {
    QString context;
    QString source;
    QStringList translations; // one, or one per plural form
    bool unfinished = false;
};

QList<Message> messagesOf(const QString& file)
{
    QFile ts(file);
    if (!ts.open(QIODevice::ReadOnly))
        return {};
    QList<Message> messages;
    QString context;
    QXmlStreamReader xml(&ts);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (xml.name() == QLatin1String("message")) {
            messages.append({context, {}, {}, false});
        } else if (xml.name() == QLatin1String("source")) {
            messages.last().source = xml.readElementText();
        } else if (xml.name() == QLatin1String("translation")) {
            Message& m = messages.last();
            m.unfinished =
                xml.attributes().value(QLatin1String("type")) == QLatin1String("unfinished");
            // Plain text, or one numerus form per plural form.
            QString text;
            while (!(xml.readNext() == QXmlStreamReader::EndElement &&
                     xml.name() == QLatin1String("translation"))) {
                if (xml.isCharacters())
                    text += xml.text();
                else if (xml.isStartElement() && xml.name() == QLatin1String("numerusform"))
                    m.translations.append(xml.readElementText());
            }
            if (m.translations.isEmpty())
                m.translations.append(text);
        }
    }
    return messages;
}

QStringList placeholders(const QString& text)
{
    static const QRegularExpression marker(QStringLiteral("%(\\d|n)"));
    QStringList found;
    for (auto it = marker.globalMatch(text); it.hasNext();)
        found.append(it.next().captured(0));
    found.sort();
    found.removeDuplicates();
    return found;
}

// The window, built after the language is chosen as the program does.
struct Window {
    explicit Window(const QString& language)
    {
        chosen = translations::install(language);
        window = std::make_unique<MainWindow>(*env.settings, env.prompter, env.clock,
                                              MainWindowOptions{});
    }
    ~Window() { translations::install(QStringLiteral("en")); }
    template <typename T> T* named(const char* name) const
    {
        return window->findChild<T*>(QLatin1String(name));
    }
    QString menuTitle(const char* name) const { return named<QMenu>(name)->title(); }

    test::TestEnvironment env;
    QString chosen;
    std::unique_ptr<MainWindow> window;
};

} // namespace

class TestTranslations : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Running lupdate over the sources again changes no shipped file.
    void translationsAreCurrent()
    {
        QTemporaryDir dir;
        for (const QString& name : shipped)
            QVERIFY(QFile::copy(sourceDir + "/translations/" + name, dir.filePath(name)));
        for (const QString& name : shipped) {
            QStringList args{"-locations", "none", "-no-obsolete"};
            if (name.endsWith(QLatin1String("_en.ts")))
                args << "-pluralonly";
            args << sourceDir + "/src"
                 << "-ts" << dir.filePath(name);
            const test::ProcessRun run = test::runProcess(QStringLiteral(TAVRIN_LUPDATE), args);
            QCOMPARE(run.status, 0);
            QFile before(sourceDir + "/translations/" + name), after(dir.filePath(name));
            QVERIFY(before.open(QIODevice::ReadOnly));
            QVERIFY(after.open(QIODevice::ReadOnly));
            QCOMPARE(after.readAll(), before.readAll());
        }
    }

    // Every message of a shipped translation is finished and keeps its source's placeholders.
    void everyMessageFinished_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QStringList>("translations");
        QTest::addColumn<bool>("unfinished");
        for (const QString& name : shipped) {
            for (const Message& m : messagesOf(sourceDir + "/translations/" + name))
                QTest::addRow("%s %s: %s", qPrintable(name), qPrintable(m.context),
                              qPrintable(m.source.left(40)))
                    << m.source << m.translations << m.unfinished;
        }
    }
    void everyMessageFinished()
    {
        QFETCH(QString, source);
        QFETCH(QStringList, translations);
        QFETCH(bool, unfinished);
        QVERIFY(!unfinished);
        for (const QString& translation : translations) {
            QVERIFY(!translation.isEmpty());
            QCOMPARE(placeholders(translation), placeholders(source));
        }
    }

    // The same controls, menus and a message box in German and in English.
    void windowSpeaksTheLanguage_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QString>("message");
        QTest::newRow("German") << "de"
                                << "de" << QStringList{"Verbinden",       "Laden", "Aktion",
                                                       "Optionen",        "Hilfe", "Alle anhalten",
                                                       "Priorität ändern"}
                                << QString::fromUtf8(
                                       "Port: „x“ ist keine ganze Zahl von 1 bis 65535.");
        QTest::newRow("German, as LANG writes it")
            << "de_DE.UTF-8"
            << "de" << QStringList{"Verbinden", "Laden",         "Aktion",          "Optionen",
                                   "Hilfe",     "Alle anhalten", "Priorität ändern"}
            << QString::fromUtf8("Port: „x“ ist keine ganze Zahl von 1 bis 65535.");
        const QStringList english{"Connect", "Add",       "Action",         "Options",
                                  "Help",    "Pause All", "Change Priority"};
        const QString englishMessage = "Port: \"x\" is not a whole number from 1 to 65535.";
        QTest::newRow("C") << "C"
                           << "en" << english << englishMessage;
        QTest::newRow("a language without a translation") << "fr"
                                                          << "en" << english << englishMessage;
    }
    void windowSpeaksTheLanguage()
    {
        QFETCH(QString, language);
        QFETCH(QString, chosen);
        QFETCH(QStringList, texts);
        QFETCH(QString, message);
        Window w(language);
        QCOMPARE(w.chosen, chosen);
        const QStringList shown{w.named<QAbstractButton>("connectButton")->text(),
                                w.named<QAbstractButton>("addButton")->text(),
                                w.menuTitle("actionMenu"),
                                w.menuTitle("optionsMenu"),
                                w.menuTitle("helpMenu"),
                                w.named<QAbstractButton>("pauseAllButton")->toolTip(),
                                w.menuTitle("priorityMenu")};
        QCOMPARE(shown, texts);
        w.named<QLineEdit>("portEdit")->setText(QStringLiteral("x"));
        w.named<QAbstractButton>("connectButton")->click();
        QCOMPARE(w.env.prompter.texts(), QStringList{message});
    }

    // A text no translation has is shown as written.
    void untranslatedFallsBackToEnglish()
    {
        QCOMPARE(translations::install(QStringLiteral("de")), QStringLiteral("de"));
        QCOMPARE(QCoreApplication::translate("tavrin::MainWindow", "A text nobody translated"),
                 QStringLiteral("A text nobody translated"));
        translations::install(QStringLiteral("en"));
    }

    void pluralForms_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("torrents");
        QTest::addColumn<QString>("links");
        QTest::newRow("en 0") << "en" << 0 << "0 torrents"
                              << "0 links wait to be added";
        QTest::newRow("en 1") << "en" << 1 << "1 torrent"
                              << "1 link waits to be added";
        QTest::newRow("en 2") << "en" << 2 << "2 torrents"
                              << "2 links wait to be added";
        QTest::newRow("de 0") << "de" << 0 << "0 Torrents"
                              << "0 Links warten auf Hinzufügen";
        QTest::newRow("de 1") << "de" << 1 << "1 Torrent"
                              << "1 Link wartet auf Hinzufügen";
        QTest::newRow("de 2") << "de" << 2 << "2 Torrents"
                              << "2 Links warten auf Hinzufügen";
    }
    void pluralForms()
    {
        QFETCH(QString, language);
        QFETCH(int, count);
        QFETCH(QString, torrents);
        QFETCH(QString, links);
        translations::install(language);
        QCOMPARE(QCoreApplication::translate("tavrin::ConnectionStatus", "%n torrent(s)", nullptr,
                                             count),
                 torrents);
        QCOMPARE(QCoreApplication::translate("tavrin::ConnectionStatus",
                                             "%n link(s) waiting to be added", nullptr, count),
                 links);
        translations::install(QStringLiteral("en"));
    }
};

QTEST_MAIN(TestTranslations)
#include "tst_translations.moc"
