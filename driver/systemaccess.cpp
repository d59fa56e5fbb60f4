#include "driver/systemaccess.h"

#include "driver/linuxsystem.h"
#include "driver/windowssystem.h"
#include "serial/eventwait.h"

#include <QProcess>

std::unique_ptr<SystemAccess> createSystemAccess()
{
#ifdef Q_OS_WIN
    return std::make_unique<WindowsSystem>();
#else
    return std::make_unique<LinuxSystem>();
#endif
}

namespace driverprobe {

QString installerProcessName()
{
    return QStringLiteral("CP210xVCPInstaller.exe");
}

QString commandText(const QByteArray &output)
{
    const int end = output.indexOf('\0');
    return QString::fromUtf8(end < 0 ? output : output.left(end));
}

bool processListHasInstaller(const QString &processList)
{
    return processList.contains(installerProcessName(), Qt::CaseSensitive);
}

QByteArray runCommandOutput(const QString &commandLine, int timeoutMs, const std::function<bool()> &stop)
{
    QStringList arguments = QProcess::splitCommand(commandLine);
    if (arguments.isEmpty())
        return QByteArray();
    const QString program = arguments.takeFirst();
    QProcess process;
    process.start(program, arguments, QIODevice::ReadWrite);
    // The wait sleeps in the event dispatcher, which the process's end (and its output) wakes; the window repaints
    // and its close button works meanwhile.
    waitWhileProcessingEvents(
        timeoutMs, [&process, &stop] { return process.state() == QProcess::NotRunning || (stop && stop()); });
    // A command that outlives the limit, or a run that was given up, ends the command; what it wrote until then
    // still counts.
    const QByteArray output = process.readAllStandardOutput();
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished();
    }
    return output;
}

bool startDetachedProgram(const QString &program, const QString &workingDirectory)
{
    return QProcess::startDetached(program, QStringList(), workingDirectory);
}

} // namespace driverprobe
