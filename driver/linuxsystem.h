#pragma once

#include "driver/systemaccess.h"

#include <QDeadlineTimer>
#include <QString>

#include <functional>

// Where the Linux probes look: the running system's trees unless another root is named.
struct LinuxPaths
{
    QString sysRoot = QStringLiteral("/sys");
    QString modulesRoot = QStringLiteral("/lib/modules");
    QString kernelRelease = defaultKernelRelease();
    QString procRoot = QStringLiteral("/proc");
    int searchLimitMs = driverprobe::probeTimeLimitMs;

    // The running kernel's release, as "uname -r" prints it.
    static QString defaultKernelRelease();
};

// The same two questions as on Windows, answered from the kernel's own view: sysfs and the module tree for the
// driver, /proc for the installer. The carried package is a Windows installer, so installing cannot succeed here; the
// workflow then ends with its second detection.
class LinuxSystem final : public SystemAccess
{
public:
    explicit LinuxSystem(LinuxPaths paths = LinuxPaths());

    bool driverPresent() override;
    bool installerRunning() override;
    bool startInstaller(const QString &program, const QString &workingDirectory) override;

private:
    LinuxPaths paths;
};

namespace driverprobe {

// The cp210x driver is built into the running kernel or loaded: usb-serial lists it under <sysRoot>/bus.
bool cp210xDriverRegistered(const QString &sysRoot);

// Somewhere below moduleDir lies a file whose name begins with "cp210x.ko" (compressed or not). Symbolic links to
// directories are not entered, so a link loop cannot keep the search going. A search still running at the deadline
// stops and counts as not found, like a "where" that is stopped before it printed anything. The search lets the event
// loop run every few milliseconds, and stops (not found) when `stop` says so.
bool moduleTreeHasCp210x(const QString &moduleDir, QDeadlineTimer deadline, const std::function<bool()> &stop = {});

// One line per process below procRoot (directories named by a number): the last component of its argv[0], split at
// "/" and at "\" (Windows programs run through a compatibility layer carry Windows paths). Ascending process id;
// processes without a readable or non-empty command line are left out.
QString processListFromProc(const QString &procRoot);

} // namespace driverprobe
