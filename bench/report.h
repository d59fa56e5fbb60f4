#pragma once

// The benchmark's runs as they are printed: the header, one table per kind of transfer, the unplug timings, and the
// targets the medians are held to.

#include "bench/transferbench.h"

#include <QByteArray>
#include <QVector>

// What the measured parts found, for the targets at the end.
struct Summary
{
    bool allOk = true;
    QVector<double> ratios, cpuShares, pageRates, unplugBoxMs, unplugCpuMs, unplugStallMs;
};

void printHeader(const BenchOptions &options, const QByteArray &image, const Bench &bench);
void measurePaced(const BenchOptions &options, Bench &bench, Summary &summary);
void measureUnpaced(const BenchOptions &options, Bench &bench, Summary &summary);
void measureUnplugs(const BenchOptions &options, Bench &bench, Summary &summary);
void printTargets(const BenchOptions &options, const Summary &summary);
