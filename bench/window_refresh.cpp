// The whole program under a steady refresh: the real main window, connected to a running
// server, refreshing every second. Prints the process's CPU time per refresh (every thread,
// from /proc/self/stat) and the longest time the window thread was held after the first reply.
// With --sort or --filter it measures the list in the server's order first, then sorted by that
// column (as a header click sorts it) and filtered by that text, and prints their ratio.
//     tavrin-window-bench [--sort COLUMN] [--filter TEXT] PORT [SECONDS]
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
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>
#include <cstdio>
#include <optional>
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

struct Figures {
    int refreshes = 0;
    double cpuPerRefresh = 0;
    qint64 longestHold = 0;
};

// CPU per refresh over `seconds`, then the longest hold of the window thread over half as long:
// the gaps between the ticks of a 5 ms timer.
Figures measure(const int& replies, int seconds)
{
    Figures figures;
    const int firstReplies = replies;
    const double firstCpu = cpuMs();
    runUntil([] { return false; }, seconds * 1000);
    figures.refreshes = replies - firstReplies;
    figures.cpuPerRefresh = (cpuMs() - firstCpu) / std::max(figures.refreshes, 1);

    QTimer probe;
    QElapsedTimer since;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        figures.longestHold = std::max(figures.longestHold, since.restart() - 5);
    });
    probe.start(5);
    since.start();
    runUntil([] { return false; }, seconds * 500);
    return figures;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    QString sortColumn;
    QString filterText;
    bool notifications = true;
    bool replyLog = true;
    for (qsizetype i = 0; i + 1 < args.size();) {
        if (args.at(i) == QLatin1String("--no-notifications")) {
            notifications = false;
            args.removeAt(i);
            continue;
        }
        if (args.at(i) == QLatin1String("--no-reply-log")) {
            replyLog = false;
            args.removeAt(i);
            continue;
        }
        if (args.at(i) == QLatin1String("--sort")) {
            sortColumn = args.takeAt(i + 1);
            args.removeAt(i);
        } else if (args.at(i) == QLatin1String("--filter")) {
            filterText = args.takeAt(i + 1);
            args.removeAt(i);
        } else {
            ++i;
        }
    }
    if (args.isEmpty() || args.first().startsWith(QLatin1String("--"))) {
        std::fprintf(stderr, "usage: tavrin-window-bench [--sort COLUMN] [--filter TEXT] "
                             "[--no-notifications] [--no-reply-log] PORT [SECONDS]\n");
        return 2;
    }
    const QString port = args.at(0);
    const int seconds = args.value(1, QStringLiteral("20")).toInt();
    QTemporaryDir dir; // the log and the settings of this run
    QDir::setCurrent(dir.path());
    QSettings qsettings(dir.filePath(QStringLiteral("Tavrin.conf")), QSettings::IniFormat);
    tavrin::SettingsStore settings(qsettings);
    // The watch for finished downloads is on by default; this measures the list without it.
    if (!notifications)
        settings.writeIn(QStringLiteral("Options"), QStringLiteral("Notifications"),
                         QStringLiteral("false"));
    if (!replyLog)
        settings.writeIn(QStringLiteral("Options"), QStringLiteral("LogReplies"),
                         QStringLiteral("false"));
    tavrin::QtPrompter prompter;
    tavrin::SystemClock clock;
    tavrin::MainWindowOptions options;
    options.catchUpFile = dir.filePath(QStringLiteral("unfinished-torrents"));
    tavrin::MainWindow window(settings, prompter, clock, options);
    prompter.setParentWindow(&window);
    window.show();
    window.findChild<QLineEdit*>(QStringLiteral("portEdit"))->setText(port);

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

    const int listed = list->rowCount();
    const Figures plain = measure(replies, seconds);
    std::optional<Figures> shown;
    if (!sortColumn.isEmpty() || !filterText.isEmpty()) {
        QTreeView* view = window.findChild<QTreeView*>(QStringLiteral("torrentView"));
        if (!sortColumn.isEmpty()) {
            const int section = [&] {
                for (int c = 0; c < list->columnCount(); ++c)
                    if (list->headerData(c, Qt::Horizontal).toString() == sortColumn)
                        return c;
                return -1;
            }();
            if (section < 0) {
                std::fprintf(stderr, "no column %s\n", qPrintable(sortColumn));
                return 2;
            }
            // What a click on the header does.
            Q_EMIT view->header()->sectionClicked(section);
        }
        if (!filterText.isEmpty())
            window.findChild<QLineEdit*>(QStringLiteral("filterEdit"))->setText(filterText);
        shown = measure(replies, seconds);
    }

    QFile status(QStringLiteral("/proc/self/status"));
    QByteArray peak = "?";
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("VmHWM:"))
                peak = line.mid(6).trimmed();
        }
    }
    std::printf("torrents listed: %d\n", listed);
    if (shown)
        std::printf("torrents shown: %d\n", list->rowCount());
    const auto print = [seconds](const char* what, const Figures& f) {
        std::printf("%srefreshes in %d s: %d\nCPU per refresh: %.1f ms\n"
                    "longest hold of the window thread: %lld ms\n",
                    what, seconds, f.refreshes, f.cpuPerRefresh,
                    static_cast<long long>(f.longestHold));
    };
    print(shown ? "in the server's order:\n" : "", plain);
    if (shown) {
        print("sorted and filtered:\n", *shown);
        std::printf("sorted \u00f7 unsorted: %.2f\n",
                    shown->cpuPerRefresh / std::max(plain.cpuPerRefresh, 0.001));
    }
    std::printf("peak resident size: %s\n", peak.constData());
    window.close();
    return 0;
}
