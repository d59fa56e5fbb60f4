#include "serial/eventwait.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>

qint64 waitWhileProcessingEvents(int timeoutMs, const std::function<bool()> &done)
{
    QElapsedTimer clock;
    clock.start();
    // Its only job is to wake a sleeping pass when the deadline is due; it is re-armed before every sleep because a
    // timer may fire a little before the monotonic clock says the time is up.
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);

    QCoreApplication::processEvents(QEventLoop::AllEvents);
    for (;;) {
        if (done && done())
            break;
        const qint64 elapsed = clock.elapsed();
        if (elapsed >= timeoutMs)
            break;
        wake.start(static_cast<int>(std::max<qint64>(1, timeoutMs - elapsed)));
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    return clock.elapsed();
}
