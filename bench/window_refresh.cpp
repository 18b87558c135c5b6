// The whole program under a steady refresh: the real main window, connected to a running
// server, refreshing every second. Prints the process's CPU time per refresh (every thread,
// from /proc/self/stat) and the longest time the window thread was held after the first reply.
// Beside them: the bare split of the same replies (rows and fields found, nothing more) and
// its ratio, and the resident size per torrent over the program before its first list.
// With --sort or --filter it measures the list in the server's order first, then sorted by that
// column (as a header click sorts it) and filtered by that text, and prints their ratio.
//     tavrin-window-bench [--sort COLUMN] [--filter TEXT] PORT [SECONDS]
#include "core/platform/Allocator.h"
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
#include <cstring>
#include <ctime>
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

// The resident size of the process now, in kB.
qint64 residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

volatile std::size_t fieldsSeen = 0;

// The least any client does with a reply, on this thread's CPU clock: find every row and every
// field in it. Milliseconds per reply over `replies`.
double bareSplitMs(const QList<QByteArray>& replies)
{
    if (replies.isEmpty())
        return 0;
    timespec start{}, end{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &start);
    std::size_t fields = 0;
    for (const QByteArray& reply : replies) {
        const char* p = reply.constData();
        const char* const stop = p + reply.size();
        while (p < stop) {
            const char* lineEnd =
                static_cast<const char*>(std::memchr(p, '\n', std::size_t(stop - p)));
            if (!lineEnd)
                lineEnd = stop;
            for (const char* f = p; f < lineEnd; ++fields) {
                const char* bar =
                    static_cast<const char*>(std::memchr(f, '|', std::size_t(lineEnd - f)));
                f = bar ? bar + 1 : lineEnd;
            }
            p = lineEnd + 1;
        }
    }
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &end);
    fieldsSeen = fields; // kept, so the loop is not optimised away
    return (double(end.tv_sec - start.tv_sec) * 1000.0 +
            double(end.tv_nsec - start.tv_nsec) / 1e6) /
           double(replies.size());
}

struct Figures {
    int refreshes = 0;
    double cpuPerRefresh = 0;
    qint64 longestHold = 0;
    // The most CPU the window thread spent in one gap, and in the longest gap: a hold longer
    // than its CPU time is the scheduler's, not the program's.
    double longestHoldCpu = 0;
    double cpuInLongestHold = 0;
};

// The calling thread's CPU time so far, in milliseconds.
double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1000.0 + double(now.tv_nsec) / 1e6;
}

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
    probe.setTimerType(Qt::PreciseTimer);
    QElapsedTimer since;
    double cpuBefore = threadCpuMs();
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 hold = since.restart() - 5;
        const double cpuNow = threadCpuMs();
        const double cpu = cpuNow - cpuBefore;
        cpuBefore = cpuNow;
        figures.longestHoldCpu = std::max(figures.longestHoldCpu, cpu);
        if (hold > figures.longestHold) {
            figures.longestHold = hold;
            figures.cpuInLongestHold = cpu;
        }
    });
    probe.start(5);
    since.start();
    runUntil([] { return false; }, seconds * 500);
    return figures;
}

} // namespace

int main(int argc, char* argv[])
{
    // As the program starts, unless the allocator's own behaviour is to be measured.
    if (std::none_of(argv + 1, argv + argc,
                     [](const char* arg) { return std::strcmp(arg, "--default-allocator") == 0; }))
        tavrin::platform::keepLargeBuffers();
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
        if (args.at(i) == QLatin1String("--default-allocator")) {
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
                             "[--no-notifications] [--no-reply-log] [--default-allocator] PORT "
                             "[SECONDS]\n");
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
    // The last reply, split bare after the run for the yardstick (its bytes are left out of
    // the resident size per torrent).
    QByteArray last;
    QObject::connect(window.session(), &tavrin::Session::statusReplyArrived,
                     [&replies, &last](const QByteArray& reply) {
                         ++replies;
                         last = reply;
                     });
    // Connected to nothing yet: what the program costs without a list.
    runUntil([] { return false; }, 500);
    const qint64 idleKb = residentKb();
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
                    "longest hold of the window thread: %lld ms\n"
                    "window thread's CPU in that hold: %.1f ms\n"
                    "most window thread CPU between two ticks: %.1f ms\n",
                    what, seconds, f.refreshes, f.cpuPerRefresh,
                    static_cast<long long>(f.longestHold), f.cpuInLongestHold, f.longestHoldCpu);
    };
    print(shown ? "in the server's order:\n" : "", plain);
    if (shown) {
        print("sorted and filtered:\n", *shown);
        std::printf("sorted \u00f7 unsorted: %.2f\n",
                    shown->cpuPerRefresh / std::max(plain.cpuPerRefresh, 0.001));
    }
    std::printf("peak resident size: %s\n", peak.constData());
    const double bare = bareSplitMs({last, last, last});
    std::printf("bare split per refresh: %.1f ms\n", bare);
    std::printf("ratio to bare split: %.1f\n", plain.cpuPerRefresh / std::max(bare, 0.001));
    std::printf("resident per torrent: %lld bytes\n",
                static_cast<long long>(((residentKb() - idleKb) * 1024 - last.size()) /
                                       std::max(listed, 1)));
    window.close();
    return 0;
}
