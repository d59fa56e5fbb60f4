#pragma once

// One client at a time for a user. Two would share the port and the driver step's temporary folder, and the second
// would end in "restart the program"; so a second start, a double click too many, brings the running window to the
// front and ends. A double click while the running client is on its way out (its timed close, after Cancel, after a
// box that ends the run) must not be lost: the second start then waits for the first to go and runs in its place.
//
// The running client holds a lock (app/ownlock.h) in the user's own folder for as long as it runs. A second start
// that finds it held asks the running client through a file of its own in a folder beside the lock, and the running
// client answers in a file beside it: "shown" (its window raised and activated, or flashed where the desktop will
// not hand over the focus) or "ending". Files rather than a local socket, because the Windows build's toolkit has no
// network module; the running client watches the folder and looks at it once a second besides.

#include "app/ownlock.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

class SingleInstance : public QObject
{
    Q_OBJECT

public:
    // The lock and the answers live in `folder` (made where missing); an empty folder keeps no lock.
    explicit SingleInstance(const QString &folder = defaultFolder(), QObject *parent = nullptr);

    // The user's own folder for the lock: the runtime folder where there is one and only its owner may enter it,
    // else the per-user application data folder (which carries the program's name already).
    static QString defaultFolder();
    static QString folderFor(const QString &runtime, bool runtimePrivate, const QString &appData);
    // A folder that is this user's and theirs alone: a real folder (not a link), owned by them, closed to the rest.
    static bool isOwnersAlone(const QString &folder);
    // Where a folder may be shared between users (a temporary folder set by policy), the files carry the user.
    static QString userTag();

    enum class Start {
        Run,       // this client is the only one: it holds the lock until it ends
        Shown,     // the running client showed its window; this start ends
        Unanswered // a client runs but neither answered nor ended in time; the user is to be told
    };
    // Claims the lock, or asks the client that holds it, and waits (bounded) for it to end where it is ending.
    Start start();
    // How this client answers a second start: true where it showed its window, false where its run is ending.
    void answerWith(std::function<bool()> showWindow);
    // Tells the user, in their language, that a client runs that does not answer.
    static void tellUnanswered();

private:
    enum class Answer { None, Shown, Ending };
    bool claim();
    Answer ask();
    void answerAsks();
    QString asksFolder() const;

    QString folder;
    OwnLock lock;
    QFileSystemWatcher watcher;
    QTimer lookAgain;
    std::function<bool()> showWindow;
};
