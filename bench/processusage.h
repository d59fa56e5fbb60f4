#pragma once

// What this process has spent so far, on every platform the benchmark runs on.

// CPU time (user + system) in seconds.
double processCpuSeconds();
// Peak resident memory (the peak working set on Windows) in KiB.
long peakResidentKiB();
