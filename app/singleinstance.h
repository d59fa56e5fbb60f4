#pragma once

// One client at a time for a user. Two would share the port and the driver step's temporary folder, and the second
// would end in "restart the program"; so a second start, a double click too many, shows the running window and ends
// without a word.
//
// The running client holds a lock file in the user's own runtime folder for as long as it runs (QLockFile: a client
// that crashed or was killed leaves a lock whose process has gone, which the next start takes over). A second start
// that finds the lock held appends a line to a file beside it, which the running client watches.

#include <QFileSystemWatcher>
#include <QLockFile>
#include <QObject>
#include <QString>

class SingleInstance : public QObject
{
    Q_OBJECT

public:
    // The lock and the request to show live in `folder` (made where missing).
    explicit SingleInstance(const QString &folder = defaultFolder(), QObject *parent = nullptr);

    // The user's runtime folder for this program: per user, cleared at logout where the system has one.
    static QString defaultFolder();

    // True where no other client runs: this one holds the lock until it ends, and showRequested() tells of the
    // starts that come while it runs. False where another one holds it, or where the lock cannot be had at all.
    bool claim();
    // Asks the client that holds the lock to show its window (and, on Windows, lets it come to the foreground).
    void askToShow();

signals:
    void showRequested();

private:
    QString requestFile() const;

    QString folder;
    QLockFile lock;
    QFileSystemWatcher watcher;
};
