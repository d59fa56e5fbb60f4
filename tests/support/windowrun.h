#pragma once

// One whole run of the client's window as a user would have it (sim/user/windowsession.h), offscreen, with what the
// suites check of every run. Where the device and the system come from is the caller's (clientrun.h on Linux, the
// real Windows layers in tests/windows).

#include "release.h"
#include "sim/user/windowsession.h"
#include "texts.h"
#include "ui/mainwindow.h"

#include <QProgressBar>
#include <QVector>

class WindowRun : public WindowSession
{
public:
    WindowRun() { user.setPause(20); }

    // Runs the client from its start until it ends the run.
    RunEnd run() { return runToEnd(); }
    // The rows from the first one that reads `first` on (none if no row does), so that a test finds the part of the
    // table it looks at by its content.
    QStringList rowsFrom(const QString &first) const;
};

// A close held during the transfer: the run went on to its outcome box, the close was acknowledged below the update's
// line, the device was looked at once more, and the client ended after the last of `boxes`, its port let go.
void checkHeldClose(WindowRun &run, const QStringList &boxes);

// The first prompt of a run started in the system locale's language, the catalogues installed as the client's
// start-up installs them, reads as texts::promptIn() words it for that language; the user cancels there.
void checkPromptInUsersLanguage(WindowRun &run);

template <typename T> QList<T> times(int n, const T &value)
{
    return QVector<T>(n, value).toList();
}
