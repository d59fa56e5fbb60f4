#include "driver/systemaccess.h"

#include "driver/linuxsystem.h"
#include "driver/windowssystem.h"

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

bool startDetachedProgram(const QString &program, const QString &workingDirectory)
{
    return QProcess::startDetached(program, QStringList(), workingDirectory);
}

} // namespace driverprobe
