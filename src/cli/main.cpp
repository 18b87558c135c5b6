// tavrin-cli: the command service from scripts and terminals, on the same core as the window.
#include "cli/CliClient.h"
#include "cli/CliOptions.h"
#include "core/platform/MessageText.h"
#include "core/servers/ApplicationIdentity.h"
#include "core/servers/SavedServers.h"
#include "core/settings/SettingsStore.h"

#include <QCoreApplication>
#include <QSettings>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

int interruptPipe[2] = {-1, -1};

// A signal reaches the event loop through a pipe, as its number, so the terminal is restored in
// order.
void onInterrupt(int signal)
{
    const char byte = static_cast<char>(signal);
    [[maybe_unused]] const auto written = ::write(interruptPipe[1], &byte, 1);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    // The window's settings: a user who has connected once needs no options.
    tavrin::setApplicationIdentity();

    QString error;
    const auto invocation = tavrin::cli::parse(QCoreApplication::arguments().mid(1), error);
    if (!invocation) {
        std::fprintf(stderr, "tavrin-cli: %s\nTry 'tavrin-cli --help'.\n",
                     qPrintable(tavrin::messageBoxText(error, 400, 0)));
        return tavrin::cli::BadUsage;
    }
    if (invocation->command == QLatin1String("help")) {
        std::fputs(qPrintable(tavrin::cli::usage()), stdout);
        return 0;
    }
    if (invocation->command == QLatin1String("version")) {
        std::printf("tavrin-cli %s\n", TAVRIN_VERSION);
        return 0;
    }

    QSettings qsettings;
    tavrin::SettingsStore settings(qsettings);
    // The names only: a saved unique ID is never printed.
    if (invocation->command == QLatin1String("servers")) {
        for (const QString& name : tavrin::SavedServers(settings).names())
            std::printf("%s\n", qPrintable(tavrin::terminalCell(name, 1000)));
        return 0;
    }
    tavrin::cli::CliClient client(*invocation, settings);
    QObject::connect(&client, &tavrin::cli::CliClient::finished, &app, &QCoreApplication::exit);
    if (::pipe(interruptPipe) == 0) {
        auto* notifier = new QSocketNotifier(interruptPipe[0], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &client, [&client] {
            char signal = 0;
            if (::read(interruptPipe[0], &signal, 1) != 1)
                return;
            if (signal == SIGWINCH)
                client.terminalResized();
            else
                client.interrupt(signal);
        });
        struct sigaction action {};
        action.sa_handler = onInterrupt;
        sigemptyset(&action.sa_mask);
        for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGWINCH})
            sigaction(signal, &action, nullptr);
    }
    client.start();
    return QCoreApplication::exec();
}
