// Status reply processing at 1,000 and 10,000 torrents, against the least work any client must
// do with a reply: splitting it into rows and fields as views into its bytes.
#include "StatusReplyFactory.h"
#include "core/columns/ColumnLayout.h"
#include "core/log/EventLog.h"
#include "core/platform/Clock.h"
#include "core/platform/Prompter.h"
#include "core/torrents/ReplyRows.h"
#include "core/torrents/StatusReplyProcessor.h"
#include "core/torrents/TorrentListModel.h"
#include "core/view/TorrentViewModel.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QTemporaryDir>
#include <cstdio>
#include <cstring>
#include <malloc.h>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace tavrin;

namespace {

pugi::xml_document& layout()
{
    static pugi::xml_document document;
    if (!document.first_child())
        columns::parse(document, columns::defaultText(true));
    return document;
}

std::unique_ptr<TorrentListModel> emptyList()
{
    auto model = std::make_unique<TorrentListModel>();
    QStringList captions;
    for (const columns::ColumnHeader& header : columns::columnHeaders(layout()))
        captions.append(header.caption);
    model->setColumns(captions);
    return model;
}

void process(StatusReplyProcessor& processor, const QByteArray& reply, TorrentListModel& model)
{
    const StatusReplyOutcome outcome =
        processor.process(reply, layout(), model, RequestKind::Status, 0);
    if (!outcome.error.isEmpty())
        std::fprintf(stderr, "%s\n", qPrintable(outcome.error));
    benchmark::DoNotOptimize(outcome.selectPosition);
}

void Split(benchmark::State& state)
{
    const QByteArray reply = bench::StatusReplyFactory(static_cast<int>(state.range(0))).reply();
    std::vector<QByteArrayView> fields;
    fields.reserve(64);
    for (auto _ : state) {
        std::size_t total = 0;
        replyrows::forEachRow(reply, [&](QByteArrayView row) {
            replyrows::splitFields(row, fields);
            total += fields.size();
            benchmark::DoNotOptimize(fields.data());
        });
        benchmark::DoNotOptimize(total);
    }
}

// A clock and a prompter for the log outside the window.
struct Now final : Clock {
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};
struct Silent final : Prompter {
    void showMessage(const QString&, MessageStyle, const QString&) override {}
    void showNotice(const QString&, const QString&) override {}
    void setWaitPointer(bool) override {}
    bool waitPointer() const override { return false; }
};

// Sixteen replies of `rows` torrents, each differing from the one before in 10% of the cells
// and 1% of the torrents.
std::vector<QByteArray> steppedReplies(int rows)
{
    bench::StatusReplyFactory factory(rows);
    std::vector<QByteArray> replies;
    for (int i = 0; i < 16; ++i) {
        replies.push_back(factory.reply());
        factory.step(10, 1);
    }
    return replies;
}

// What the program does with each reply: the list and the log, with the log written to disk
// (in a temporary directory) by its thread. CPU time counts every thread of the process.
void LoggedRefresh(benchmark::State& state)
{
    const std::vector<QByteArray> replies = steppedReplies(static_cast<int>(state.range(0)));
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    Now clock;
    Silent prompter;
    {
        EventLog log(clock, prompter);
        StatusReplyProcessor processor(true);
        auto model = emptyList();
        std::size_t next = 0;
        for (auto _ : state) {
            const StatusReplyOutcome outcome =
                processor.process(replies[next], layout(), *model, RequestKind::Status, 0);
            log.writeLogs(outcome.logLines);
            log.flush();
            next = (next + 1) % replies.size();
        }
    }
    QDir::setCurrent(previous);
}

void FirstFill(benchmark::State& state)
{
    const QByteArray reply = bench::StatusReplyFactory(static_cast<int>(state.range(0))).reply();
    StatusReplyProcessor processor(false);
    for (auto _ : state) {
        state.PauseTiming();
        auto model = emptyList();
        state.ResumeTiming();
        process(processor, reply, *model);
        state.PauseTiming();
        model.reset();
        state.ResumeTiming();
    }
}

void UnchangedRefresh(benchmark::State& state)
{
    const QByteArray reply = bench::StatusReplyFactory(static_cast<int>(state.range(0))).reply();
    StatusReplyProcessor processor(false);
    auto model = emptyList();
    process(processor, reply, *model);
    for (auto _ : state)
        process(processor, reply, *model);
}

// Each reply differs from the one before in 10% of the cells and 1% of the torrents.
void ChangedRefresh(benchmark::State& state)
{
    const std::vector<QByteArray> replies = steppedReplies(static_cast<int>(state.range(0)));
    StatusReplyProcessor processor(false);
    auto model = emptyList();
    process(processor, replies.back(), *model);
    std::size_t next = 0;
    for (auto _ : state) {
        process(processor, replies[next], *model);
        next = (next + 1) % replies.size();
    }
}

// The same replies into the list as shown sorted by download speed and filtered by name: the
// sort keys and matches of changed rows, and placing them again.
void SortedChangedRefresh(benchmark::State& state)
{
    const std::vector<QByteArray> replies = steppedReplies(static_cast<int>(state.range(0)));
    StatusReplyProcessor processor(false);
    auto model = emptyList();
    view::TorrentViewModel shown(*model);
    process(processor, replies.back(), *model);
    shown.setSort(static_cast<int>(model->columns().indexOf(QStringLiteral("DL Speed"))),
                  Qt::DescendingOrder);
    shown.setFilter({QStringLiteral("a"), view::StatusFilter::All});
    std::size_t next = 0;
    for (auto _ : state) {
        process(processor, replies[next], *model);
        next = (next + 1) % replies.size();
    }
    benchmark::DoNotOptimize(shown.shownCount());
}

BENCHMARK(Split)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(FirstFill)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(UnchangedRefresh)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(ChangedRefresh)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(SortedChangedRefresh)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(LoggedRefresh)
    ->Arg(10000)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// Keeps each case's median time so the ratios can be printed after the run.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred)
                continue;
            // With repetitions the median stands for the case (a run now and then takes half as
            // long again, whatever the code); otherwise its one run does.
            const std::string name = run.run_name.str();
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                times[name] = run.GetAdjustedRealTime();
                medians.insert(name);
            } else if (run.run_type == Run::RT_Iteration && !medians.count(name)) {
                times[name] = run.GetAdjustedRealTime();
            }
        }
    }
    std::set<std::string> medians;
    std::map<std::string, double> times;
};

long peakKilobytes()
{
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (!status)
        return -1;
    char line[256];
    long kb = -1;
    while (std::fgets(line, sizeof line, status)) {
        if (std::strncmp(line, "VmHWM:", 6) == 0)
            kb = std::atol(line + 6);
    }
    std::fclose(status);
    return kb;
}

// Runs `work` in a fresh process and returns the peak resident size it reached, in kB; the
// peak is measured from the moment `prepare` has finished.
template <typename Prepare, typename Work> long peakOfChild(Prepare prepare, Work work)
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return -1;
    const pid_t child = fork();
    if (child == 0) {
        close(pipeEnds[0]);
        auto prepared = prepare();
        // Writing 5 to clear_refs starts the peak afresh.
        if (std::FILE* refs = std::fopen("/proc/self/clear_refs", "w")) {
            std::fputs("5", refs);
            std::fclose(refs);
        }
        const long kb = work(prepared) ? peakKilobytes() : -1;
        const ssize_t written = write(pipeEnds[1], &kb, sizeof kb);
        _exit(written == sizeof kb ? 0 : 1);
    }
    close(pipeEnds[1]);
    long kb = -1;
    if (read(pipeEnds[0], &kb, sizeof kb) != sizeof kb)
        kb = -1;
    close(pipeEnds[0]);
    waitpid(child, nullptr, 0);
    return kb;
}

// A process holding 10,000 torrents after a fill and two refreshes, with the log entries made
// as the program makes them.
long peakWithTenThousand()
{
    return peakOfChild(
        [] { return 0; },
        [](int) {
            bench::StatusReplyFactory factory(10000);
            StatusReplyProcessor processor(true);
            auto model = emptyList();
            for (int i = 0; i < 3; ++i) {
                const QByteArray reply = factory.reply();
                benchmark::DoNotOptimize(
                    processor.process(reply, layout(), *model, RequestKind::Status, 0).logLines);
                factory.step(10, 1);
            }
            return model->count() == 10000;
        });
}

constexpr qsizetype bigReply = qsizetype(64) << 20;

// The largest reply the program takes in, 64 MiB of rows, processed into an empty list and
// logged to disk; the peak counts from when the reply is in memory.
long peakWithBigReply(qsizetype* rows)
{
    const int torrents =
        static_cast<int>(bigReply / bench::StatusReplyFactory(100).reply().size() * 100);
    *rows = torrents;
    return peakOfChild(
        [torrents] {
            QByteArray reply = bench::StatusReplyFactory(torrents).reply();
            malloc_trim(0);
            return reply;
        },
        [](const QByteArray& reply) {
            QTemporaryDir dir;
            QDir::setCurrent(dir.path());
            Now clock;
            Silent prompter;
            EventLog log(clock, prompter);
            StatusReplyProcessor processor(true);
            auto model = emptyList();
            const StatusReplyOutcome outcome =
                processor.process(reply, layout(), *model, RequestKind::Status, 0);
            log.writeLogs(outcome.logLines);
            log.flush();
            return model->count() > 0 && outcome.error.isEmpty();
        });
}

} // namespace

int main(int argc, char** argv)
{
    const long peak = peakWithTenThousand();
    qsizetype bigRows = 0;
    const long bigPeak = peakWithBigReply(&bigRows);

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const auto time = [&](const char* name, int rows) {
        const auto found = reporter.times.find(std::string(name) + "/" + std::to_string(rows));
        return found == reporter.times.end() ? 0.0 : found->second;
    };
    std::printf("\n%-18s %12s %12s %10s %10s %10s\n", "case", "1000 rows", "10000 rows",
                "x split1k", "x split10k", "10k/1k");
    for (const char* name : {"Split", "FirstFill", "UnchangedRefresh", "ChangedRefresh"}) {
        const double small = time(name, 1000), large = time(name, 10000);
        const double split1k = time("Split", 1000), split10k = time("Split", 10000);
        if (small <= 0 || large <= 0)
            continue;
        std::printf("%-18s %9.3f ms %9.3f ms %10.2f %10.2f %10.2f\n", name, small, large,
                    small / split1k, large / split10k, large / small);
    }
    if (peak >= 0)
        std::printf("\npeak memory of a process holding 10000 torrents: %.1f MB\n", peak / 1024.0);
    else
        std::printf("\npeak memory of a process holding 10000 torrents: not measured\n");
    if (bigPeak >= 0) {
        std::printf("peak memory while a %.0f MiB reply (%lld rows) is listed and logged: %.1f MiB "
                    "(%.2f times the reply)\n",
                    bigReply / 1048576.0, static_cast<long long>(bigRows), bigPeak / 1024.0,
                    bigPeak * 1024.0 / bigReply);
    }
    return 0;
}
