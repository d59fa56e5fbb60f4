#pragma once

#include "app/version.h"

#include <QByteArray>
#include <QVector>

constexpr int bitsPerByte = 10; // 8N1: start bit, eight data bits, stop bit

// The version the simulated device is told to report, so that its status reply is known byte for byte.
constexpr quint8 benchDeviceVersion[3] = {previousRelease.major, previousRelease.minor, previousRelease.build};

// Every frame a transfer exchanges and has to wait for, in both directions, built with the client's own request
// builders and frame codec so that the stuffing is counted byte for byte, plus the pause the protocol itself demands.
struct LinePlan
{
    qint64 requestBytes = 0;
    qint64 replyBytes = 0;
    int requests = 0;
    int replies = 0;
    QVector<int> pageRequestBytes; // frame length of each page's request
    int pageReplyBytes = 0;        // frame length of a page's answer
    double requiredWaitMs = 0;     // the device's restart and its think time: waits that no client can avoid
    qint64 pages = 0;

    double lineSeconds(int baud) const { return static_cast<double>((requestBytes + replyBytes) * bitsPerByte) / baud; }
    double lowerBoundSeconds(int baud) const { return lineSeconds(baud) + requiredWaitMs / 1000.0; }
    double byteMs(int baud) const { return baud > 0 ? 1000.0 * bitsPerByte / baud : 0; }
};

LinePlan planTransfer(const QByteArray &image, bool startsInApplication, double thinkTimeMs);
