#include "driver/linuxsystem.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <QVector>

#include <algorithm>
#include <utility>

namespace {

// argv[0] as the process set it: the bytes of /proc/<pid>/cmdline up to the first zero byte.
QString firstArgument(const QString &cmdlinePath)
{
    QFile file(cmdlinePath);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray cmdline = file.readAll();
    const int end = cmdline.indexOf('\0');
    return QFile::decodeName(end < 0 ? cmdline : cmdline.left(end));
}

QString lastPathComponent(const QString &path)
{
    const int separator = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return path.mid(separator + 1);
}

} // namespace

namespace driverprobe {

bool cp210xDriverRegistered(const QString &sysRoot)
{
    return QFileInfo(sysRoot + QStringLiteral("/bus/usb-serial/drivers/cp210x")).isDir();
}

bool moduleTreeHasCp210x(const QString &moduleDir, QDeadlineTimer deadline, const std::function<bool()> &stop)
{
    constexpr qint64 slice = 20; // ms of searching between two turns of the event loop
    QElapsedTimer sinceEvents;
    sinceEvents.start();
    QDirIterator it(moduleDir, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (!deadline.hasExpired() && it.hasNext()) {
        if (sinceEvents.elapsed() >= slice) {
            QCoreApplication::processEvents();
            sinceEvents.restart();
        }
        if (stop && stop())
            return false;
        it.next();
        if (it.fileName().startsWith(QStringLiteral("cp210x.ko"), Qt::CaseSensitive))
            return true;
    }
    return false;
}

QString processListFromProc(const QString &procRoot)
{
    QVector<std::pair<qulonglong, QString>> processes;
    const QStringList entries = QDir(procRoot).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        bool isPid = false;
        const qulonglong pid = entry.toULongLong(&isPid);
        if (!isPid)
            continue;
        const QString name =
            lastPathComponent(firstArgument(procRoot + QLatin1Char('/') + entry + QStringLiteral("/cmdline")));
        if (!name.isEmpty())
            processes.append({pid, name});
    }
    std::sort(processes.begin(), processes.end());
    QString listing;
    for (const auto &process : std::as_const(processes))
        listing += process.second + QLatin1Char('\n');
    return listing;
}

} // namespace driverprobe

QString LinuxPaths::defaultKernelRelease()
{
    return QSysInfo::kernelVersion();
}

LinuxSystem::LinuxSystem(LinuxPaths paths) : paths(std::move(paths)) {}

bool LinuxSystem::driverPresent()
{
    if (isCancelled())
        return false;
    if (driverprobe::cp210xDriverRegistered(paths.sysRoot))
        return true;
    // Without a release there is no tree of the running kernel to search, and the whole of /lib/modules would say
    // nothing about it.
    if (paths.kernelRelease.isEmpty())
        return false;
    return driverprobe::moduleTreeHasCp210x(paths.modulesRoot + QLatin1Char('/') + paths.kernelRelease,
                                            QDeadlineTimer(paths.searchLimitMs), [this] { return isCancelled(); });
}

bool LinuxSystem::installerRunning()
{
    if (isCancelled())
        return false;
    return driverprobe::processListHasInstaller(driverprobe::processListFromProc(paths.procRoot));
}

bool LinuxSystem::startInstaller(const QString &program, const QString &workingDirectory)
{
    return driverprobe::startDetachedProgram(program, workingDirectory);
}
