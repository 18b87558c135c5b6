#include "core/links/InstanceChannel.h"
#include "core/links/LinkCheck.h"
#include "core/platform/Allocator.h"
#include "core/platform/Clock.h"
#include "core/platform/MessageText.h"
#include "core/platform/TerminationSignals.h"
#include "core/platform/Translations.h"
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
constexpr const char* newInstanceOption = "--new-instance";

// Qt's own options that take a value in the next argument; their values are not links.
bool takesValue(QByteArrayView option)
{
    while (option.startsWith('-'))
        option = option.sliced(1);
    for (const char* name : {"platform",
                             "platformpluginpath",
                             "platformtheme",
                             "plugin",
                             "qmljsdebugger",
                             "qwindowgeometry",
                             "qwindowicon",
                             "qwindowtitle",
                             "session",
                             "display",
                             "geometry",
                             "style",
                             "stylesheet",
                             "title",
                             "name",
                             "visual",
                             "fn",
                             "font",
                             "bg",
                             "background",
                             "fg",
                             "foreground",
                             "btn",
                             "button",
                             "im",
                             "inputstyle"}) {
        if (option == name)
            return true;
    }
    return false;
}

// What the command line asks before any application object exists: its links, in order, and
// whether this start is to keep them to itself.
struct Launch {
    QStringList links;
    bool newInstance = false;
    // An option neither Tavrin nor Qt knows, refused before any display is needed.
    QString unknownOption;
};

bool isQtFlag(QByteArrayView option)
{
    while (option.startsWith('-'))
        option = option.sliced(1);
    for (const char* name : {"reverse", "nograb", "dograb", "sync", "widgetcount", "testability"}) {
        if (option == name)
            return true;
    }
    return false;
}

Launch scanArguments(int argc, char* argv[])
{
    Launch launch;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const QByteArrayView argument(argv[i]);
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && argument.startsWith('-')) {
            const QByteArrayView name =
                argument.first(argument.contains('=') ? argument.indexOf('=') : argument.size());
            if (argument == newInstanceOption)
                launch.newInstance = true;
            else if (takesValue(name))
                i += argument.contains('=') ? 0 : 1;
            else if (!isQtFlag(name) && launch.unknownOption.isEmpty())
                launch.unknownOption = QString::fromLocal8Bit(name);
        } else {
            launch.links.append(QString::fromLocal8Bit(argument));
        }
    }
    return launch;
}

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
    parser.addOption(QCommandLineOption(
        QStringLiteral("new-instance"),
        QStringLiteral("Open a window of its own, even when Tavrin already runs.")));
    parser.addPositionalArgument(
        QStringLiteral("links"),
        QStringLiteral("Magnet or http(s) links to add. A running Tavrin takes them and this "
                       "start ends; otherwise they wait in the new window's Add Link box."),
        QStringLiteral("[LINK...]"));
    if (!parser.parse(arguments)) {
        std::fprintf(stderr, "tavrin: %s\nTry 'tavrin --help'.\n", qPrintable(parser.errorText()));
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

    // Links are checked and handed over before any window (or display) is needed.
    const Launch launch = scanArguments(argc, argv);
    if (const tavrin::links::Checked checked = tavrin::links::check(launch.links);
        !checked.refusal.isEmpty()) {
        std::fprintf(stderr, "tavrin: %s\n", qPrintable(checked.refusal));
        return badUsage;
    }
    if (!launch.unknownOption.isEmpty()) {
        std::fprintf(stderr, "tavrin: Unknown option '%s'.\nTry 'tavrin --help'.\n",
                     qPrintable(tavrin::terminalCell(launch.unknownOption, 200)));
        return badUsage;
    }
    if (!launch.links.isEmpty() && !launch.newInstance) {
        int coreArgc = 1;
        QCoreApplication core(coreArgc, argv);
        const tavrin::links::HandOver handOver =
            tavrin::links::handOverLinks(tavrin::links::defaultChannelName(), launch.links);
        if (handOver.outcome == tavrin::links::HandOver::Outcome::Handed)
            return 0;
        if (handOver.outcome == tavrin::links::HandOver::Outcome::Failed)
            std::fprintf(stderr, "tavrin: %s; this start opens a window of its own\n",
                         qPrintable(handOver.error));
    }

    tavrin::platform::keepLargeBuffers();
    QApplication app(argc, argv);
    // Caught from here on; one that comes before the window is there waits in the pipe.
    tavrin::TerminationSignals termination;
    QGuiApplication::setDesktopFileName(QStringLiteral(TAVRIN_APP_ID));
    if (const std::optional<int> status = answerArguments(QCoreApplication::arguments()))
        return *status;

    QSettings qsettings;
    tavrin::SettingsStore settings(qsettings);
    // [Options] Language, or the system's when it is empty.
    tavrin::translations::install(
        settings.readIn(QStringLiteral("Options"), QStringLiteral("Language")));
    tavrin::QtPrompter prompter;
    tavrin::SystemClock clock;
    tavrin::MainWindowOptions options;
    options.linkChannel = tavrin::links::defaultChannelName();
    tavrin::MainWindow window(settings, prompter, clock, options);
    prompter.setParentWindow(&window);
    // A logout or Ctrl+C ends Tavrin as closing its window does: sizes and torrents remembered.
    QObject::connect(&termination, &tavrin::TerminationSignals::terminationRequested, &window,
                     [&window] {
                         window.quit();
                         QApplication::quit();
                     });
    window.show();
    if (!launch.links.isEmpty())
        window.openLinks(launch.links);
    return QApplication::exec();
}
