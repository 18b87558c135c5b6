// The whole program under a steady refresh: the real main window, connected to a running
// server, refreshing every second. Prints the process's CPU time per refresh (every thread,
// from /proc/self/stat) and the longest time the window thread was held after the first reply.
//     tavrin-window-bench PORT [SECONDS]
#include "core/platform/Clock.h"
#include "core/session/Session.h"
#include "core/settings/SettingsStore.h"
#include "gui/MainWindow.h"
#include "gui/QtPrompter.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>
#include <cstdio>
#include <unistd.h>

namespace {

// User and system CPU time of the process so far, in milliseconds.
double cpuMs()
{
    QFile stat(QStringLiteral("/proc/self/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    // Fields after the command name, which ends with the last ")": utime and stime are 14, 15.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    const double ticks = fields.value(11).toDouble() + fields.value(12).toDouble();
    return ticks * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// Runs the event loop until `done` holds (checked every 100 ms) or the time is up.
template <typename Done> bool runUntil(Done done, int ms)
{
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, [&] {
        if (done())
            loop.quit();
    });
    check.start(100);
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    return done();
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: tavrin-window-bench PORT [SECONDS]\n");
        return 2;
    }
    const int seconds = args.value(2, QStringLiteral("20")).toInt();
    QTemporaryDir dir; // the log and the settings of this run
    QDir::setCurrent(dir.path());
    QSettings qsettings(dir.filePath(QStringLiteral("Tavrin.conf")), QSettings::IniFormat);
    tavrin::SettingsStore settings(qsettings);
    tavrin::QtPrompter prompter;
    tavrin::SystemClock clock;
    tavrin::MainWindow window(settings, prompter, clock);
    prompter.setParentWindow(&window);
    window.show();
    window.findChild<QLineEdit*>(QStringLiteral("portEdit"))->setText(args.at(1));

    const QAbstractItemModel* list =
        window.findChild<QTreeView*>(QStringLiteral("torrentView"))->model();
    int replies = 0;
    QObject::connect(window.session(), &tavrin::Session::statusReplyArrived,
                     [&replies] { ++replies; });
    window.findChild<QPushButton*>(QStringLiteral("connectButton"))->click();
    if (!runUntil([&] { return list->rowCount() > 0; }, 30000)) {
        std::fprintf(stderr, "no torrents arrived\n");
        return 1;
    }

    // CPU per refresh, with nothing else running in the process.
    const int firstReplies = replies;
    const double firstCpu = cpuMs();
    runUntil([] { return false; }, seconds * 1000);
    const int refreshes = replies - firstReplies;
    const double perRefresh = (cpuMs() - firstCpu) / std::max(refreshes, 1);

    // The longest hold of the window thread: gaps between the ticks of a 5 ms timer.
    QTimer probe;
    QElapsedTimer since;
    qint64 longest = 0;
    QObject::connect(&probe, &QTimer::timeout,
                     [&] { longest = std::max(longest, since.restart() - 5); });
    probe.start(5);
    since.start();
    runUntil([] { return false; }, seconds * 500);
    probe.stop();

    QFile status(QStringLiteral("/proc/self/status"));
    QByteArray peak = "?";
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("VmHWM:"))
                peak = line.mid(6).trimmed();
        }
    }
    std::printf("torrents listed: %d\nrefreshes in %d s: %d\nCPU per refresh: %.1f ms\n"
                "longest hold of the window thread: %lld ms\npeak resident size: %s\n",
                list->rowCount(), seconds, refreshes, perRefresh, static_cast<long long>(longest),
                peak.constData());
    window.close();
    return 0;
}
