#pragma once

// Lines of the serial trace (category kivrazid.serial.trace, see app/logging.h): when, which way, the bytes, and the
// decoder's verdict on a reply.

#include "app/logging.h"
#include "serial/framecodec.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <QVector>

namespace serialtrace {

// At most this many bytes of a frame are shown in hex; the rest is counted.
constexpr int shownBytes = 48;

// "12 bytes: 7e 08 0c ... (+40 more)"
QString describe(const QByteArray &bytes);

// The decoder's verdict on a reply, as the trace shows it: "ok", "bad CRC", ...
QString verdict(framecodec::DecodeResult result);

// The trace of one serial worker: its clock, which starts with it, and its last frames, for the trace a failed run
// leaves beside its history record: at most ringCapacity, the oldest dropped. Each frame keeps what its line shows
// (the first bytes and the count), put into a line only when asked for.
class Trace
{
public:
    static constexpr int ringCapacity = 4096;

    Trace();
    // Milliseconds since the trace began.
    double elapsedMs() const;
    // Writes one trace line (time, direction ">>" written or "<<" received, the bytes, an optional verdict) to the
    // trace category, formatted only while the category is on, and keeps the frame in the ring whatever it says.
    void log(const char *direction, const QByteArray &bytes, const QString &verdict = QString());
    // The frames kept since the last mark, as trace lines.
    QStringList lines() const;
    // Marks the ring: lines() gives the frames from here on (a run's own, from its start).
    void mark();

private:
    struct Frame
    {
        double ms = 0;
        const char *direction = "";
        int size = 0;
        char shown[shownBytes] = {};
        QString verdict;
    };
    QElapsedTimer clock;
    QVector<Frame> frames;
    qint64 written = 0; // frames ever added
    qint64 marked = 0;  // the first frame lines() gives
};

} // namespace serialtrace
