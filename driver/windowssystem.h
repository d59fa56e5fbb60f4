#pragma once

#include "driver/systemaccess.h"

#include <QByteArray>
#include <QString>

#include <functional>

// What the Windows probes need from the system. Each part can be replaced, so that the decisions built on them run
// and are tested on any platform; real() gives the ones that touch the machine.
struct WindowsPrimitives
{
    // The root of the system drive, as QDir::rootPath() gives it ("C:/").
    std::function<QString()> rootPath;
    // The "Source" value of the driver file's PnP lockdown entry; empty when there is none.
    std::function<QString()> readRegistrySource;
    std::function<bool(const QString &path)> fileExists;
    // Runs a whole command line as driverprobe::runCommandOutput does.
    std::function<QByteArray(const QString &commandLine, int timeoutMs, const std::function<bool()> &stop)> runCommand;
    std::function<bool(const QString &program, const QString &workingDirectory)> startDetached;

    static WindowsPrimitives real();
};

// Detection through the registry and the "where" search, installer monitoring through "tasklist".
class WindowsSystem final : public SystemAccess
{
public:
    explicit WindowsSystem(WindowsPrimitives primitives = WindowsPrimitives::real());

    bool driverPresent() override;
    bool installerRunning() override;
    bool startInstaller(const QString &program, const QString &workingDirectory) override;

private:
    QByteArray run(const QString &commandLine);

    WindowsPrimitives primitives;
};

namespace driverprobe {

// The registry key that records which driver package owns silabser.sys. Its last component is one key name that
// contains forward slashes.
QString lockdownKey();

// The part of a root path before its first "/" (all of it without one): "C:/" gives "C:", "/" gives "".
QString drivePrefix(const QString &rootPath);

// The file a non-empty "Source" value points at: what follows its last "%" (all of it without one), placed under the
// Windows directory of the drive.
QString registryCandidate(const QString &prefix, const QString &source);

// The "where" command line that searches the drive's Windows directory for the driver file.
QString searchCommand(const QString &prefix);

// The search found the 64-bit driver: its output names an "x64" path, in exactly that letter case.
bool searchOutputHasDriver(const QByteArray &output);

// Whether a sub-key name under PnpLockdownFiles, in either slash form and any letter case, is the driver's entry.
bool isDriverLockdownEntry(const QString &keyName);

} // namespace driverprobe
