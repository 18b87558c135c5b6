#include "CommandLine.h"
#include "SimServer.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kestrun-sim"));

    kestrunsim::CommandLine commandLine;
    if (!commandLine.parse(QCoreApplication::arguments())) {
        std::fprintf(stderr, "kestrun-sim: %s\n\n%s", qPrintable(commandLine.errorText()),
                     qPrintable(commandLine.helpText()));
        return 2;
    }
    if (commandLine.helpRequested()) {
        std::fputs(qPrintable(commandLine.helpText()), stdout);
        return 0;
    }

    const kestrunsim::SimOptions& options = commandLine.options();
    kestrunsim::SimServer server(options);
    if (!server.listen()) {
        std::fprintf(stderr, "kestrun-sim: cannot listen on 127.0.0.1:%u: %s\n",
                     unsigned(options.port), qPrintable(server.errorString()));
        return 1;
    }
    // Scripts that start us with --port 0 read the bound port from this line.
    std::printf("kestrun-sim listening on 127.0.0.1:%u (version %d, %d torrents)\n",
                unsigned(server.port()), options.serverVersion, options.torrents);
    std::fflush(stdout);
    return QCoreApplication::exec();
}
