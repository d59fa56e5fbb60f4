#include "app/singleinstance.h"

#include "app/logging.h"
#include "app/ownfiles.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

SingleInstance::SingleInstance(const QString &folder, QObject *parent)
    : QObject(parent), folder(folder), lock(folder + QStringLiteral("/instance.lock"))
{
    // Stale only where the process that took it has gone.
    lock.setStaleLockTime(0);
    connect(&watcher, &QFileSystemWatcher::fileChanged, this, [this] {
        qCDebug(lcStartup) << "Another start: the running window is shown";
        emit showRequested();
        // A file replaced rather than written in place drops out of the watch.
        if (watcher.files().isEmpty())
            watcher.addPath(requestFile());
    });
}

QString SingleInstance::defaultFolder()
{
    // The temporary folder is the user's own on Windows; elsewhere the runtime folder is (the temporary one is shared).
#ifdef Q_OS_WIN
    const QString base = QDir::tempPath();
#else
    const QString base = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
#endif
    return base + QLatin1Char('/') + QCoreApplication::applicationName();
}

QString SingleInstance::requestFile() const
{
    return folder + QStringLiteral("/show");
}

bool SingleInstance::claim()
{
    if (!QDir().mkpath(folder))
        qCDebug(lcStartup) << "No lock against a second start: cannot make" << folder;
    if (!lock.tryLock(0)) {
        // A lock that cannot be made at all (a read-only folder) must not keep the user from the update.
        if (lock.error() != QLockFile::LockFailedError)
            return true;
        // A lock in this process's own name was left by a client that died with the same process id (Wine hands
        // out the same ids again after a restart): it is stale.
        qint64 pid = 0;
        QString host;
        QString application;
        if (!lock.getLockInfo(&pid, &host, &application) || pid != QCoreApplication::applicationPid() ||
            !lock.removeStaleLockFile() || !lock.tryLock(0))
            return false;
    }
    // The file a second start writes to is this client's own: a link put in its place goes (the link, not what it
    // points to), and one is made.
    if (ownfiles::entryAt(requestFile()) == ownfiles::Entry::Other)
        QFile::remove(requestFile());
    QFile request(requestFile());
    if (ownfiles::openRegular(request, QIODevice::WriteOnly | QIODevice::Append))
        request.close();
    watcher.addPath(requestFile());
    return true;
}

void SingleInstance::askToShow()
{
#ifdef Q_OS_WIN
    // Windows lets a program come to the foreground only where the one in front allows it: this start is in front.
    qint64 pid = 0;
    QString host;
    QString application;
    if (lock.getLockInfo(&pid, &host, &application))
        AllowSetForegroundWindow(DWORD(pid));
#endif
    QFile request(requestFile());
    if (!ownfiles::openRegular(request, QIODevice::WriteOnly | QIODevice::Append) ||
        request.write(QByteArray::number(QDateTime::currentMSecsSinceEpoch()) + '\n') < 0)
        qCDebug(lcStartup) << "The running client could not be asked to show its window:" << request.errorString();
}
