#pragma once

#include "sim/device/devicelog.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

// kivra-zid-sim as a child process. Its request log goes to a file rather than a pipe, so that reading it costs the
// measured process nothing during the transfer.
class SimulatorProcess
{
public:
    ~SimulatorProcess() { stop(); }

    bool start(const QString &program, const QStringList &arguments, const QString &logFile, QString *error)
    {
        logPath = logFile;
        process.setProgram(program);
        process.setArguments(arguments);
        process.setStandardErrorFile(logFile);
        process.start(QIODevice::ReadOnly);
        if (!process.waitForStarted(5000)) {
            *error = QStringLiteral("cannot start %1: %2").arg(program, process.errorString());
            return false;
        }
        QElapsedTimer clock;
        clock.start();
        while (!process.canReadLine()) {
            if (clock.elapsed() > 5000 || !process.waitForReadyRead(5000)) {
                *error = QStringLiteral("%1 printed no port path").arg(program);
                stop();
                return false;
            }
        }
        linePath = QString::fromLocal8Bit(process.readLine()).trimmed();
        return !linePath.isEmpty();
    }

    QString portPath() const { return linePath; }

    // The cable is pulled: the process dies at once and the kernel hangs up its pty.
    void kill() { process.kill(); }

    // CPU time (user + system) the simulator has used so far, to the kernel's clock tick, or -1 when it cannot be
    // read.
    double cpuSeconds() const
    {
#ifdef Q_OS_WIN
        return -1;
#else
        QFile stat(QStringLiteral("/proc/%1/stat").arg(process.processId()));
        if (process.processId() <= 0 || !stat.open(QIODevice::ReadOnly))
            return -1;
        const QByteArray line = stat.readAll();
        // The program name in parentheses may hold spaces; the fields are counted from its closing parenthesis on,
        // where the third field of the line (the state) comes first and utime and stime (14 and 15) are 11 and 12.
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() < 13)
            return -1;
        const long ticksPerSecond = ::sysconf(_SC_CLK_TCK);
        return static_cast<double>(fields.at(11).toLongLong() + fields.at(12).toLongLong()) / ticksPerSecond;
#endif
    }

    // Stops it the way a user would (SIGTERM), so that it writes its closing line; returns its whole log.
    devicelog::Log stop()
    {
        if (process.state() != QProcess::NotRunning) {
            process.terminate();
            if (!process.waitForFinished(5000)) {
                process.kill();
                process.waitForFinished(5000);
            }
        }
        return logPath.isEmpty() ? devicelog::Log() : devicelog::read(logPath);
    }

private:
    QProcess process;
    QString logPath;
    QString linePath;
};

// The simulator program: `given`, else the one built with the benchmark.
inline QString findSimulator(const QString &given)
{
    if (!given.isEmpty())
        return given;
    const QString dir = QCoreApplication::applicationDirPath();
    const QStringList candidates{dir + QStringLiteral("/kivra-zid-sim"), dir + QStringLiteral("/../sim/kivra-zid-sim"),
#ifdef KZ_SIM_PATH
                                 QStringLiteral(KZ_SIM_PATH)
#endif
    };
    for (const QString &c : candidates) {
        const QFileInfo info(c);
        if (info.isFile() && info.isExecutable())
            return info.canonicalFilePath();
    }
    return {};
}
