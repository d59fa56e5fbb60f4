#include "bench/report.h"

#include <algorithm>
#include <cstdio>

namespace {

// Targets the transfer is held to.
constexpr double maxRatio = 1.05;
constexpr double maxCpuShare = 0.10;
constexpr double minPagesPerSecond = 1000;
constexpr double maxUnplugToBoxMs = 1000;
constexpr double maxUnplugCpuMs = 100;
// Longer than this without processing events, and the window has frozen.
constexpr double maxStallMs = 1000;

double median(QVector<double> values)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const int n = values.size();
    return n % 2 ? values.at(n / 2) : (values.at(n / 2 - 1) + values.at(n / 2)) / 2;
}

double percentile(QVector<double> values, double p)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const int index = std::min(values.size() - 1, static_cast<int>(p * values.size()));
    return values.at(index);
}

double sum(const QVector<double> &values)
{
    double total = 0;
    for (double v : values)
        total += v;
    return total;
}

const char *verdict(bool holds)
{
    return holds ? "PASS" : "MISS";
}

void printBoxes(const QStringList &boxes)
{
    for (const QString &b : boxes)
        std::printf("    message box: %s\n", qPrintable(QString(b).replace(QLatin1Char('\n'), QLatin1Char(' '))));
}

// Both tables end in the same six columns: where the time between one page and the next went. "Line idle" is the
// device's view (from one page request's arrival to the next, less the line time of the answer and of the next
// request; unpaced, that is the whole page cycle); "client" is the client's share of it, from the last delivery of
// the answer's bytes to the write of the next request.
void printTableHead(const char *second, const char *secondUnit, const char *idle)
{
    std::printf("  %-4s %9s %9s %8s %8s %9s | %-26s | %-26s\n", "run", "wall", second, "client", "client", "device",
                idle, "client turn-around, ms");
    std::printf("  %-4s %9s %9s %8s %8s %9s | %8s %8s %8s | %8s %8s %8s\n", "", "s", secondUnit, "CPU s", "CPU %",
                "CPU s", "median", "p99", "sum", "median", "p99", "sum");
}

// One table row: `second` is the ratio (paced) or the page rate (unpaced), with its printf format.
void printTableRow(int run, const TransferResult &r, double second, const char *secondFormat, const Bench &bench)
{
    std::printf("  %-4d %9.3f ", run, r.wallSeconds);
    std::printf(secondFormat, second);
    std::printf(" %8.3f %7.2f%% %9.2f", r.cpuSeconds, 100 * r.cpuSeconds / r.wallSeconds, r.simulatorCpuSeconds);
    const QVector<double> idle = bench.idleMsPerPage(r);
    const QVector<double> &turn = r.turnaroundsMs;
    std::printf(" | %8.3f %8.3f %8.1f | %8.3f %8.3f %8.1f\n", median(idle), percentile(idle, 0.99), sum(idle),
                median(turn), percentile(turn, 0.99), sum(turn));
    printBoxes(r.boxes);
    std::fflush(stdout);
}

bool reportFailure(int run, const TransferResult &r)
{
    if (r.ok)
        return false;
    std::printf("  %-4d FAILED: %s\n", run, qPrintable(r.failure));
    printBoxes(r.boxes);
    return true;
}

} // namespace

void printHeader(const BenchOptions &options, const QByteArray &image, const Bench &bench)
{
    const LinePlan &plan = bench.plan();
    std::printf("Kivra Zid transfer bench\n");
    std::printf("  image      %s: %d bytes, %lld pages\n", qPrintable(firmwareFileName), static_cast<int>(image.size()),
                static_cast<long long>(plan.pages));
    std::printf("  device     %s, run mode %d at start, think time %g ms\n",
                qPrintable(options.port.isEmpty() ? options.simulator : options.port), options.runMode,
                options.latencyMs);
    std::printf("  frames     %d requests (%lld bytes) and %d answers (%lld bytes) to wait for\n", plan.requests,
                static_cast<long long>(plan.requestBytes), plan.replies, static_cast<long long>(plan.replyBytes));
    if (!bench.startupBoxes().isEmpty()) {
        std::printf("  start-up   answered before measuring:\n");
        printBoxes(bench.startupBoxes());
    }
    std::fflush(stdout);
}

void measurePaced(const BenchOptions &options, Bench &bench, Summary &summary)
{
    const LinePlan &plan = bench.plan();
    const int baud = options.baud;
    const double bound = plan.lowerBoundSeconds(baud);
    std::printf("\nPaced at %d baud 8N1 (%d bit times per byte, both directions)\n", baud, bitsPerByte);
    std::printf("  line lower bound %.3f s", bound);
    if (plan.requiredWaitMs > 0)
        std::printf(" (%.3f s on the line + %.3f s of device restart and think time)", plan.lineSeconds(baud),
                    plan.requiredWaitMs / 1000.0);
    std::printf("\n");
    printTableHead("wall /", "bound", "line idle per page, ms");
    for (int run = 1; run <= options.runs; ++run) {
        const TransferResult r = bench.transfer(baud);
        if (reportFailure(run, r)) {
            summary.allOk = false;
            continue;
        }
        summary.ratios.append(r.wallSeconds / bound);
        summary.cpuShares.append(r.cpuSeconds / r.wallSeconds);
        printTableRow(run, r, r.wallSeconds / bound, "%9.4f", bench);
    }
}

void measureUnpaced(const BenchOptions &options, Bench &bench, Summary &summary)
{
    const LinePlan &plan = bench.plan();
    std::printf("\nUnpaced (no pacing: the pty carries bytes as fast as it can)\n");
    if (plan.requiredWaitMs > 0)
        std::printf("  pages per second leave out the device's %.3f s of restart and think time\n",
                    plan.requiredWaitMs / 1000.0);
    printTableHead("pages", "per s", "page cycle, ms");
    for (int run = 1; run <= options.runs; ++run) {
        const TransferResult r = bench.transfer(0);
        if (reportFailure(run, r)) {
            summary.allOk = false;
            continue;
        }
        // The device's restart and think time are its own pauses, not the client's speed.
        const double rate = static_cast<double>(plan.pages) / (r.wallSeconds - plan.requiredWaitMs / 1000.0);
        summary.pageRates.append(rate);
        printTableRow(run, r, rate, "%9.0f", bench);
    }
}

void measureUnplugs(const BenchOptions &options, Bench &bench, Summary &summary)
{
    std::printf("\nUnplugged (the simulator killed) until the client's error box is shown\n");
    std::printf("  %-4s %-34s %12s %12s %12s\n", "run", "when", "to box, ms", "client CPU, ms", "stall, ms");
    for (int run = 1; run <= options.runs; ++run) {
        for (const int pages : {100, -1}) {
            const UnplugResult r = bench.unplug(pages);
            const char *when = pages < 0 ? "between restart polls" : "after 100 pages";
            if (!r.ok) {
                std::printf("  %-4d %-34s FAILED: %s\n", run, when, qPrintable(r.failure));
                summary.allOk = false;
                continue;
            }
            summary.unplugBoxMs.append(r.toBoxMs);
            summary.unplugCpuMs.append(r.cpuMs);
            summary.unplugStallMs.append(double(r.longestStallMs));
            std::printf("  %-4d %-34s %12.1f %12.2f %12lld\n", run, when, r.toBoxMs, r.cpuMs, r.longestStallMs);
            std::fflush(stdout);
        }
    }
}

void printTargets(const BenchOptions &options, const Summary &summary)
{
    const char *over = options.runs > 1 ? " (median of the runs)" : "";
    std::printf("\nTargets%s\n", over);
    if (!summary.ratios.isEmpty()) {
        const double ratio = median(summary.ratios);
        const double share = median(summary.cpuShares);
        std::printf("  wall / line bound, paced   %8.4f   <= %.2f   %s\n", ratio, maxRatio, verdict(ratio <= maxRatio));
        std::printf("  client CPU share, paced    %7.2f%%   <= %.0f%%    %s\n", 100 * share, 100 * maxCpuShare,
                    verdict(share <= maxCpuShare));
    }
    if (!summary.pageRates.isEmpty()) {
        const double rate = median(summary.pageRates);
        std::printf("  pages per second, unpaced  %8.0f   >= %.0f   %s\n", rate, minPagesPerSecond,
                    verdict(rate >= minPagesPerSecond));
    }
    if (!summary.unplugBoxMs.isEmpty()) {
        const double worstBox = *std::max_element(summary.unplugBoxMs.begin(), summary.unplugBoxMs.end());
        const double worstCpu = *std::max_element(summary.unplugCpuMs.begin(), summary.unplugCpuMs.end());
        std::printf("  unplug to error box, worst %8.1f ms <= %.0f ms  %s\n", worstBox, maxUnplugToBoxMs,
                    verdict(worstBox <= maxUnplugToBoxMs));
        std::printf("  client CPU meanwhile, worst %7.2f ms <= %.0f ms   %s\n", worstCpu, maxUnplugCpuMs,
                    verdict(worstCpu <= maxUnplugCpuMs));
        const double worstStall = *std::max_element(summary.unplugStallMs.begin(), summary.unplugStallMs.end());
        std::printf("  longest stall, worst       %8.0f ms <= %.0f ms  %s\n", worstStall, maxStallMs,
                    verdict(worstStall <= maxStallMs));
    }
    if (!summary.allOk)
        std::printf("  a transfer failed\n");
}
