#pragma once

// Lines of the serial trace (category kivrazid.serial.trace, see app/logging.h): when, which way, the bytes, and the
// decoder's verdict on a reply.

#include "app/logging.h"
#include "serial/framecodec.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace serialtrace {

// At most this many bytes of a frame are shown in hex; the rest is counted.
constexpr int shownBytes = 48;

// Milliseconds since the first call, which the serial worker makes when it is created.
double elapsedMs();

// "12 bytes: 7e 08 0c ... (+40 more)"
QString describe(const QByteArray &bytes);

// The decoder's verdict on a reply, as the trace shows it: "ok", "bad CRC", ...
QString verdict(framecodec::DecodeResult result);

// One trace line: time, direction (">>" written, "<<" received), the bytes, and an optional verdict.
QString line(const char *direction, const QByteArray &bytes, const QString &verdict = QString());

// Writes that line to the trace category (nothing is formatted while the trace is off), and keeps the frame in the
// ring below whatever the category says.
void log(const char *direction, const QByteArray &bytes, const QString &verdict = QString());

// The last frames of the process, for the trace a failed run leaves beside its history record: at most
// ringCapacity, the oldest dropped. Each keeps what its line shows (the first bytes and the count), put into a line
// only when asked for.
constexpr int ringCapacity = 4096;
// The frames kept since the last mark, as trace lines.
QStringList ringLines();
// Marks the ring: ringLines() gives the frames from here on (a run's own, from its start).
void markRing();

} // namespace serialtrace
