#include "serial/serialtrace.h"

#include <QElapsedTimer>
#include <QVector>

#include <algorithm>

namespace serialtrace {

namespace {
// What a trace line shows of a frame, copied into the ring's own slot: no allocation on the page path, and no hold on
// the frame's buffer, whatever its capacity.
struct Frame
{
    double ms = 0;
    const char *direction = "";
    int size = 0;
    char shown[shownBytes] = {};
    QString verdict;
};

struct Ring
{
    QVector<Frame> frames = QVector<Frame>(ringCapacity);
    qint64 written = 0; // frames ever added
    qint64 mark = 0;    // the first frame ringLines() gives
};

Ring &ring()
{
    static Ring r;
    return r;
}

QString describeFirst(const char *shown, int size)
{
    QString text = QStringLiteral("%1 bytes").arg(size);
    if (size == 0)
        return text;
    text += QStringLiteral(": ") +
            QString::fromLatin1(QByteArray::fromRawData(shown, std::min(size, shownBytes)).toHex(' '));
    if (size > shownBytes)
        text += QStringLiteral(" ... (+%1 more)").arg(size - shownBytes);
    return text;
}

QString lineAt(double ms, const char *direction, const QString &described, const QString &verdict)
{
    QString text = QStringLiteral("%1 ms %2 %3").arg(ms, 10, 'f', 3).arg(QLatin1String(direction), described);
    if (!verdict.isEmpty())
        text += QStringLiteral("  [") + verdict + QLatin1Char(']');
    return text;
}
} // namespace

double elapsedMs()
{
    static QElapsedTimer clock = [] {
        QElapsedTimer started;
        started.start();
        return started;
    }();
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

QString describe(const QByteArray &bytes)
{
    return describeFirst(bytes.constData(), bytes.size());
}

QString verdict(framecodec::DecodeResult result)
{
    switch (result) {
    case framecodec::DecodeResult::Ok:
        return QStringLiteral("ok");
    case framecodec::DecodeResult::NoStartByte:
        return QStringLiteral("rejected: no start byte first");
    case framecodec::DecodeResult::NoEndByte:
        return QStringLiteral("rejected: no end byte");
    case framecodec::DecodeResult::EmptyBody:
        return QStringLiteral("rejected: empty frame");
    case framecodec::DecodeResult::ShortBody:
        return QStringLiteral("rejected: too short for a payload and its CRC");
    case framecodec::DecodeResult::CrcMismatch:
        return QStringLiteral("rejected: bad CRC");
    }
    return QStringLiteral("rejected");
}

QString line(const char *direction, const QByteArray &bytes, const QString &verdict)
{
    return lineAt(elapsedMs(), direction, describe(bytes), verdict);
}

void log(const char *direction, const QByteArray &bytes, const QString &verdict)
{
    Frame &f = ring().frames[static_cast<int>(ring().written++ % ringCapacity)];
    f.ms = elapsedMs();
    f.direction = direction;
    f.size = bytes.size();
    std::copy_n(bytes.constData(), std::min(f.size, shownBytes), f.shown);
    f.verdict = verdict;
    qCDebug(lcSerialTrace).noquote() << line(direction, bytes, verdict);
}

QStringList ringLines()
{
    const Ring &r = ring();
    QStringList lines;
    for (qint64 i = std::max(r.mark, r.written - ringCapacity); i < r.written; ++i) {
        const Frame &f = r.frames.at(static_cast<int>(i % ringCapacity));
        lines << lineAt(f.ms, f.direction, describeFirst(f.shown, f.size), f.verdict);
    }
    return lines;
}

void markRing()
{
    ring().mark = ring().written;
}

} // namespace serialtrace
