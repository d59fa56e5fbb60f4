#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QSerialPort>
#include <QSocketNotifier>
#include <QVector>

// When the client's port delivered answer bytes and when it had written a request, on one monotonic clock. The
// worker keeps its QSerialPort to itself, so the port is recognised by its socket notifiers, which are its children,
// the first time one of them fires; from then on its readyRead and bytesWritten signals are timed. This sees the
// client from outside its code, at the cost of one extra call per event.
class PortTimeline : public QObject
{
public:
    enum Kind { Read, Written };
    struct Mark
    {
        qint64 ns;
        Kind kind;
    };

    PortTimeline() { clock.start(); }

    void notice(QObject *receiver)
    {
        if (watchedPort)
            return;
        auto *notifier = qobject_cast<QSocketNotifier *>(receiver);
        auto *port = notifier ? qobject_cast<QSerialPort *>(notifier->parent()) : nullptr;
        if (!port)
            return;
        watchedPort = port;
        connect(port, &QSerialPort::readyRead, this, [this] { marks.append({clock.nsecsElapsed(), Read}); });
        connect(port, &QSerialPort::bytesWritten, this, [this] { marks.append({clock.nsecsElapsed(), Written}); });
    }

    void clear() { marks.clear(); }

    // For each request written after an answer came in: the time from the answer's last delivery to that write,
    // in ms. This is the client's whole turn-around: decoding, the next page, framing, flushing and writing.
    QVector<double> turnaroundsMs() const
    {
        QVector<double> out;
        qint64 lastRead = -1;
        for (const Mark &m : marks) {
            if (m.kind == Read) {
                lastRead = m.ns;
            } else if (lastRead >= 0) {
                out.append(static_cast<double>(m.ns - lastRead) / 1e6);
                lastRead = -1;
            }
        }
        return out;
    }

private:
    QElapsedTimer clock;
    QPointer<QSerialPort> watchedPort;
    QVector<Mark> marks;
};

// The application of the benchmark: hands every socket notifier's activation to the timeline first.
class BenchApplication : public QApplication
{
public:
    using QApplication::QApplication;

    PortTimeline timeline;

    bool notify(QObject *receiver, QEvent *event) override
    {
        if (event->type() == QEvent::SockAct)
            timeline.notice(receiver);
        return QApplication::notify(receiver, event);
    }
};
