#include "core/platform/Clock.h"
#include "core/servers/ApplicationIdentity.h"
#include "core/settings/SettingsStore.h"
#include "gui/MainWindow.h"
#include "gui/QtPrompter.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QSettings>
#include <cstdio>
#include <optional>

namespace {

constexpr int badUsage = 2;

// Help and version are answered before any window exists, so they need no display.
bool asksForTerminal(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        const QByteArrayView argument(argv[i]);
        for (const char* option : {"-h", "-?", "--help", "--help-all", "-v", "--version"}) {
            if (argument == option)
                return true;
        }
    }
    return false;
}

// The exit status when the arguments end the program (help, version, bad usage), or nothing
// when the window is to open. Qt's own options are gone from the arguments by now.
std::optional<int> answerArguments(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Remote control for the Kestrun BitTorrent client. Host, port and unique ID are typed "
        "in the window and kept in the settings."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    if (!parser.parse(arguments) || !parser.positionalArguments().isEmpty()) {
        const QString error = parser.errorText().isEmpty()
                                  ? QStringLiteral("Unexpected argument: ") +
                                        parser.positionalArguments().constFirst()
                                  : parser.errorText();
        std::fprintf(stderr, "tavrin: %s\n\n%s", qPrintable(error), qPrintable(parser.helpText()));
        return badUsage;
    }
    if (parser.isSet(version)) {
        std::printf("%s %s\n", qPrintable(QCoreApplication::applicationName()),
                    qPrintable(QCoreApplication::applicationVersion()));
        return 0;
    }
    if (parser.isSet(help)) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (parser.isSet(QStringLiteral("help-all")))
        parser.process(arguments); // prints Qt's options as well and ends the program
    return std::nullopt;
}

} // namespace

int main(int argc, char* argv[])
{
    tavrin::setApplicationIdentity();
    if (asksForTerminal(argc, argv)) {
        QCoreApplication app(argc, argv);
        return answerArguments(QCoreApplication::arguments()).value_or(0);
    }

    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral(TAVRIN_APP_ID));
    if (const std::optional<int> status = answerArguments(QCoreApplication::arguments()))
        return *status;

    QSettings qsettings;
    tavrin::SettingsStore settings(qsettings);
    tavrin::QtPrompter prompter;
    tavrin::SystemClock clock;
    tavrin::MainWindow window(settings, prompter, clock);
    prompter.setParentWindow(&window);
    window.show();
    return QApplication::exec();
}
