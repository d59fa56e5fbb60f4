#pragma once

// A record as the history writes it: one line of compact JSON within the history's bound for a record
// (history/runhistory.h). Kept apart from the history's files so that the cut can be fuzzed on its own
// (fuzz/historyline_fuzzer.cpp).

#include <QByteArray>

namespace historyline {

// `json` as one line, its longest strings cut (to 4 KiB, then less) and marked with "…" until it is at most `limit`
// bytes with its newline; empty where that cannot bring it within the limit. A cut falls only between whole
// characters and whole escapes, a surrogate pair's two escapes counting as one, so that a record stays a record.
QByteArray fittedLine(QByteArray json, qint64 limit);

} // namespace historyline
