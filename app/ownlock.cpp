#include "app/ownlock.h"

#include "app/logging.h"
#include "app/ownfiles.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSysInfo>
#include <QThread>

#include <limits>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <cerrno>
#include <csignal>
#endif

namespace ownlock {
namespace {
// A lock file is three short lines; anything longer is read only this far.
constexpr qint64 longestLock = 4096;

QList<QByteArray> fields(const QByteArray &contents)
{
    QList<QByteArray> lines = contents.split('\n');
    // Written whole, the contents end with a newline: pid, program, host and what follows the last newline.
    return lines.size() >= 4 ? lines : QList<QByteArray>();
}

#ifdef Q_OS_WIN
bool sameProgram(const QString &executable)
{
    const QString own = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    return QFileInfo(executable).fileName().compare(own, Qt::CaseInsensitive) == 0;
}
#endif
} // namespace

qint64 holderPid(const QByteArray &contents)
{
    const QList<QByteArray> lines = fields(contents);
    bool ok = false;
    const qint64 pid = lines.isEmpty() ? 0 : lines.first().toLongLong(&ok);
    return ok && pid > 0 ? pid : 0;
}

bool isStale(const QByteArray &contents, const Facts &facts)
{
    if (holderPid(contents) == 0)
        return facts.ageMs >= writingMs;
    const QString host = QString::fromUtf8(fields(contents).at(2));
    if (!host.isEmpty() && host.compare(facts.ownHost, Qt::CaseInsensitive) != 0)
        return true;
    return holderPid(contents) == facts.ownPid || facts.holder == Process::Gone ||
           facts.holder == Process::OtherProgram;
}

Process processOf(qint64 pid)
{
#ifdef Q_OS_WIN
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, DWORD(pid));
    if (!process)
        return GetLastError() == ERROR_INVALID_PARAMETER ? Process::Gone : Process::Unknown;
    wchar_t name[MAX_PATH];
    DWORD size = MAX_PATH;
    DWORD code = 0;
    const bool named = QueryFullProcessImageNameW(process, 0, name, &size);
    const bool exited = GetExitCodeProcess(process, &code) && code != STILL_ACTIVE;
    CloseHandle(process);
    if (exited)
        return Process::Gone;
    if (!named)
        return Process::Unknown;
    return sameProgram(QString::fromWCharArray(name, int(size))) ? Process::ThisProgram : Process::OtherProgram;
#else
    if (pid > std::numeric_limits<pid_t>::max() || (::kill(pid_t(pid), 0) != 0 && errno == ESRCH))
        return Process::Gone;
    // The name the kernel gives every user (the program file's, cut to 15 bytes), where the program file itself is
    // hidden from all but the process's owner: an id of this user's client that a system service took after a
    // restart is so known for another program's.
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    if (!comm.open(QIODevice::ReadOnly))
        return Process::Unknown;
    const QByteArray name = comm.readAll().trimmed();
    const QByteArray own = QFile::encodeName(QFileInfo(QCoreApplication::applicationFilePath()).fileName());
    return !name.isEmpty() && name == own.left(15) ? Process::ThisProgram : Process::OtherProgram;
#endif
}

} // namespace ownlock

namespace {
// Between tries of a lock held by another.
constexpr int retryMs = 50;

QByteArray contentsOf(const QString &path)
{
    QFile file(path);
    return ownfiles::openRegular(file, QIODevice::ReadOnly) ? file.read(ownlock::longestLock) : QByteArray();
}
} // namespace

OwnLock::OwnLock(const QString &path) : path(path), lock(path)
{
    // Stale by the rules above, never by age: a rewrite of a long history may take its time.
    lock.setStaleLockTime(0);
}

bool OwnLock::tryLock(int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        if (lock.tryLock(0) || (lock.error() == QLockFile::LockFailedError && takeOverStale() && lock.tryLock(0)))
            return true;
        if (lock.error() != QLockFile::LockFailedError || deadline.hasExpired())
            return false;
        QThread::msleep(quint64(qBound<qint64>(1, deadline.remainingTime(), retryMs)));
    }
}

qint64 OwnLock::holderPid() const
{
    return ownlock::holderPid(contentsOf(path));
}

bool OwnLock::takeOverStale()
{
    const QByteArray contents = contentsOf(path);
    ownlock::Facts facts;
    facts.ownPid = QCoreApplication::applicationPid();
    facts.ownHost = QSysInfo::machineHostName();
    const qint64 pid = ownlock::holderPid(contents);
    facts.holder = pid > 0 ? ownlock::processOf(pid) : ownlock::Process::Unknown;
    facts.ageMs = qAbs(QFileInfo(path).lastModified().msecsTo(QDateTime::currentDateTime()));
    if (!ownlock::isStale(contents, facts))
        return false;
    // Removed only where no live process holds it (see the header), so two takers cannot both have it.
    const bool removed = lock.removeStaleLockFile();
    qCDebug(lcStartup) << "Stale lock" << path << (removed ? "taken over" : "still held by a live process");
    return removed;
}
