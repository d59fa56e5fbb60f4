#include "serial/serialtrace.h"

#include <QElapsedTimer>
#include <QVector>

#include <algorithm>

namespace serialtrace {

namespace {
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

Trace::Trace() : frames(ringCapacity)
{
    clock.start();
}

double Trace::elapsedMs() const
{
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

void Trace::log(const char *direction, const QByteArray &bytes, const QString &verdict)
{
    // Copied into the ring's own slot: no allocation on the page path, and no hold on the frame's buffer.
    Frame &f = frames[static_cast<int>(written++ % ringCapacity)];
    f.ms = elapsedMs();
    f.direction = direction;
    f.size = bytes.size();
    std::copy_n(bytes.constData(), std::min(f.size, shownBytes), f.shown);
    f.verdict = verdict;
    qCDebug(lcSerialTrace).noquote() << lineAt(f.ms, direction, describe(bytes), verdict);
}

QStringList Trace::lines() const
{
    QStringList out;
    for (qint64 i = std::max(marked, written - ringCapacity); i < written; ++i) {
        const Frame &f = frames.at(static_cast<int>(i % ringCapacity));
        out << lineAt(f.ms, f.direction, describeFirst(f.shown, f.size), f.verdict);
    }
    return out;
}

void Trace::mark()
{
    marked = written;
}

} // namespace serialtrace
