#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

// Everything the driver steps ask of the operating system, behind one seam: the workflow's decisions stay the same on
// every platform, and tests replace the system with a scripted one.
class SystemAccess
{
public:
    virtual ~SystemAccess() = default;

    // Is the CP210x USB-serial driver installed? May block for the length of a file search (30 s at most).
    virtual bool driverPresent() = 0;

    // Is the vendor's installer ("CP210xVCPInstaller.exe") still running? May block up to 30 s.
    virtual bool installerRunning() = 0;

    // Starts the unpacked installer detached, with no arguments, in the given working directory.
    virtual bool startInstaller(const QString &program, const QString &workingDirectory) = 0;
};

// The implementation for the platform the client was built for.
std::unique_ptr<SystemAccess> createSystemAccess();

// The parts of the driver probes that every platform shares.
namespace driverprobe {

// Longest wait for one look at the system: the driver file search, and one listing of the running processes.
constexpr int probeTimeLimitMs = 30000;

// The name the unpacked installer runs under; the process list is searched for it.
QString installerProcessName();

// A command's standard output as the probes read it: UTF-8, up to the first zero byte.
QString commandText(const QByteArray &output);

// True while the listing names the installer anywhere, in exactly this letter case. A longer name that contains it
// counts; the resource's own name "CP210xVCPInstaller_x64.exe" does not, since the installer is unpacked under the
// plain name.
bool processListHasInstaller(const QString &processList);

// Starts a program with an empty argument list, so a path with spaces stays one path. True if it started.
bool startDetachedProgram(const QString &program, const QString &workingDirectory);

} // namespace driverprobe
