#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

// Everything the driver steps ask of the operating system, behind one seam: the workflow's decisions stay the same on
// every platform, and any system that answers these questions (a scripted one among them) can stand behind it.
class SystemAccess
{
public:
    virtual ~SystemAccess() = default;

    // Is the CP210x USB-serial driver installed? A file search may take seconds (30 s at most); the window keeps
    // processing events meanwhile, so the answer comes from a nested wait like the other waits of the workflow.
    virtual bool driverPresent() = 0;

    // Is the vendor's installer ("CP210xVCPInstaller.exe") still running? Waits like driverPresent, 30 s at most.
    virtual bool installerRunning() = 0;

    // Starts the unpacked installer detached, with no arguments, in the given working directory.
    virtual bool startInstaller(const QString &program, const QString &workingDirectory) = 0;

    // The run is given up: a probe that is waiting stops now (its command is ended, with what it had said so far
    // counting), and later ones answer without asking, until the run is taken up again. An installer already started
    // is left to run.
    void setCancelled(bool cancel) { cancelled = cancel; }

protected:
    bool isCancelled() const { return cancelled; }

private:
    bool cancelled = false;
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

// Runs a whole command line (QProcess splits it into program and arguments) and hands back what it wrote to standard
// output: all of it, what it wrote before it was ended at the time limit or when `stop` said so, or nothing when it
// could not start. The event loop keeps running while it waits, and `stop` is asked after every pass.
QByteArray runCommandOutput(const QString &commandLine, int timeoutMs, const std::function<bool()> &stop);

// Starts a program with an empty argument list, so a path with spaces stays one path. True if it started.
bool startDetachedProgram(const QString &program, const QString &workingDirectory);

} // namespace driverprobe
