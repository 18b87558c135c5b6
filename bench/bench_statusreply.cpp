// Status reply processing at 1,000 and 10,000 torrents, against the least work any client must
// do with a reply: splitting it into rows and fields as views into its bytes.
#include "StatusReplyFactory.h"
#include "core/columns/ColumnLayout.h"
#include "core/torrents/StatusReplyProcessor.h"
#include "core/torrents/TorrentListModel.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
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
        const char* p = reply.constData();
        const char* end = p + reply.size();
        const char* firstLf = static_cast<const char*>(std::memchr(p, '\n', end - p));
        p = firstLf ? firstLf + 1 : end;
        std::size_t total = 0;
        while (p < end) {
            const char* lf = static_cast<const char*>(std::memchr(p, '\n', end - p));
            const char* lineEnd = lf ? lf : end;
            fields.clear();
            const char* f = p;
            for (;;) {
                const char* bar = static_cast<const char*>(std::memchr(f, '|', lineEnd - f));
                if (!bar) {
                    fields.emplace_back(f, lineEnd - f);
                    break;
                }
                fields.emplace_back(f, bar - f);
                f = bar + 1;
            }
            total += fields.size();
            benchmark::DoNotOptimize(fields.data());
            p = lineEnd + 1;
        }
        benchmark::DoNotOptimize(total);
    }
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
    bench::StatusReplyFactory factory(static_cast<int>(state.range(0)));
    std::vector<QByteArray> replies;
    for (int i = 0; i < 16; ++i) {
        replies.push_back(factory.reply());
        factory.step(10, 1);
    }
    StatusReplyProcessor processor(false);
    auto model = emptyList();
    process(processor, replies.back(), *model);
    std::size_t next = 0;
    for (auto _ : state) {
        process(processor, replies[next], *model);
        next = (next + 1) % replies.size();
    }
}

BENCHMARK(Split)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(FirstFill)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(UnchangedRefresh)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(ChangedRefresh)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// Keeps each case's mean time so the ratios can be printed after the run.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred)
                continue;
            // With repetitions the mean stands for the case; otherwise its one run does.
            const std::string name = run.run_name.str();
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "mean") {
                times[name] = run.GetAdjustedRealTime();
                means.insert(name);
            } else if (run.run_type == Run::RT_Iteration && !means.count(name)) {
                times[name] = run.GetAdjustedRealTime();
            }
        }
    }
    std::set<std::string> means;
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

// A fresh process holds 10,000 torrents after a fill and two refreshes, with the log lines
// built as the program builds them; its peak resident size is the figure.
long peakWithTenThousand()
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return -1;
    const pid_t child = fork();
    if (child == 0) {
        close(pipeEnds[0]);
        bench::StatusReplyFactory factory(10000);
        StatusReplyProcessor processor(true);
        auto model = emptyList();
        for (int i = 0; i < 3; ++i) {
            const QByteArray reply = factory.reply();
            benchmark::DoNotOptimize(
                processor.process(reply, layout(), *model, RequestKind::Status, 0).logLines);
            factory.step(10, 1);
        }
        const long kb = model->count() == 10000 ? peakKilobytes() : -1;
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

} // namespace

int main(int argc, char** argv)
{
    const long peak = peakWithTenThousand();

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
    return 0;
}
