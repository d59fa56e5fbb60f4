#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <functional>
#include <map>
#include <memory>

class PtyPair;
class QSerialPort;
class QSocketNotifier;
class QTimer;

// The device's end of the serial line: a pseudo-terminal (or a real port), its pacing, and the device's timed work.
// It lives on the caller's thread and never blocks: bytes come in through a socket notifier (pty) or readyRead
// (serial port), and everything that has to wait is put on a precise timer, so the client's event-processing reply
// wait is what lets it run.
//
// Pacing (a baud rate) applies to the pty only, since a real port is paced by its line: a request counts as arrived
// when its last byte would have arrived, and bytes are written when their last byte would have left, one byte per ten
// bit times in each direction.
class DeviceLine : public QObject
{
    Q_OBJECT

public:
    explicit DeviceLine(QObject *parent = nullptr);
    ~DeviceLine() override;

    // Creates a pseudo-terminal; the client opens path() (the slave side) as its serial port.
    bool openPty();
    // Serves a real serial port at 115200 8N1 (bench work through a null-modem cable).
    bool openSerialPort(const QString &name);
    // The device's end is gone (and the pty with it); work still pending is dropped.
    void close();
    bool isOpen() const;
    QString path() const { return linePath; }

    // 0 = unpaced.
    void setBaudRate(int baud) { baudRate = baud; }
    // Nanoseconds since the line was opened, monotonic.
    qint64 nowNs() const { return clock.nsecsElapsed(); }

    // Runs `work` once the line's clock reaches atNs; work due at the same time runs in the order it was given.
    void at(qint64 atNs, std::function<void()> work);
    // Puts `bytes` on the line in `pieces` (0 = byte by byte), `gapNs` apart, starting once readyNs has come and the
    // line is free.
    void send(const QByteArray &bytes, qint64 readyNs, int pieces, qint64 gapNs);
    // When the line is free to send again.
    qint64 sendingFreeAtNs() const { return txFreeNs; }
    // Frames that came in with a wrong CRC (or otherwise undecodable) and were ignored.
    int badFrames() const { return rejectedFrames; }

signals:
    // A request's payload, decoded and checked, with the moment its last byte arrived.
    void requestArrived(const QByteArray &payload, qint64 arrivalNs);

private:
    void start();
    void onMasterReadable();
    void receiveBytes(const QByteArray &bytes, qint64 nowNs);
    void runDueWork();
    void armTimer();
    void write(const QByteArray &bytes);
    qint64 byteTimeNs() const;

    std::unique_ptr<PtyPair> ptyPair;
    QSocketNotifier *readNotifier = nullptr;
    QSocketNotifier *writeNotifier = nullptr;
    QSerialPort *serial = nullptr;
    QString linePath;
    QByteArray pendingOut;
    QElapsedTimer clock;
    int baudRate = 0;

    QByteArray partialFrame;
    bool inFrame = false;
    qint64 rxFreeNs = 0;
    qint64 txFreeNs = 0;
    int rejectedFrames = 0;

    // Timed work, in time order; equal times keep their insertion order.
    std::multimap<qint64, std::function<void()>> work;
    QTimer *timer = nullptr;
};
