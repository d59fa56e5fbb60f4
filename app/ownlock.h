#pragma once

// The client's lock files: the one against a second start (app/singleinstance.h) and the run history's
// (history/runhistory.h). A lock is a QLockFile; what a user's PC leaves of one is another matter. A power cut leaves
// it empty or half written, a restored profile brings one from another machine, Wine hands this process the id of the
// client that wrote the lock before a restart, and a process id is soon some other program's. QLockFile takes none of
// these over where no age limit is set, and an age limit would take over the lock of a client that is only slow; so
// the rules of what is stale are here, once, and a stale lock is taken over.
//
// Taking over is guarded by the system whatever these rules say: a live holder keeps an advisory lock on its file
// (Unix) or the file open without leave to delete it (Windows), and QLockFile::removeStaleLockFile() removes nothing
// that is so held, a stopped holder's neither. The rules decide when to try.

#include <QByteArray>
#include <QLockFile>
#include <QString>

namespace ownlock {

// What a process named by a lock is, as far as this system can say.
enum class Process { Gone, ThisProgram, OtherProgram, Unknown };

// What a lock's contents are judged against.
struct Facts
{
    qint64 ownPid = 0;
    QString ownHost;
    Process holder = Process::Unknown; // the process the lock names
    qint64 ageMs = 0;                  // since the lock file was last written
};

// A lock file that holds less than a lock is being written by its taker for at most this long.
constexpr qint64 writingMs = 1000;

// The process id a lock file names; 0 where its contents are no lock as QLockFile writes it (pid, program, host).
qint64 holderPid(const QByteArray &contents);

// Whether a lock with `contents` is left over: unreadable, empty or garbage once its taker had time to write it;
// written on another host; in this process's own id (this process does not hold it: the lock is not recursive); or
// naming a process that has gone or runs another program.
bool isStale(const QByteArray &contents, const Facts &facts);

// What the process `pid` is, compared with this program.
Process processOf(qint64 pid);

} // namespace ownlock

// A lock file taken with the rules above.
class OwnLock
{
public:
    explicit OwnLock(const QString &path);

    // Takes the lock, a stale one taken over, trying for at most `timeoutMs` (0: once).
    bool tryLock(int timeoutMs = 0);
    void unlock() { lock.unlock(); }
    bool isLocked() const { return lock.isLocked(); }
    QLockFile::LockError error() const { return lock.error(); }
    // The process that holds the lock as its file says, 0 where it says none.
    qint64 holderPid() const;

private:
    bool takeOverStale();

    QString path;
    QLockFile lock;
};
