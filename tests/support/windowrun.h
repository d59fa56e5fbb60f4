#pragma once

// One whole run of the client's window as a user has it (sim/user/windowsession.h); the device and the system are
// the caller's (clientrun.h on Linux, the real Windows layers in tests/windows).

#include "release.h"
#include "sim/user/windowsession.h"
#include "texts.h"
#include "ui/mainwindow.h"

#include <QProgressBar>

class WindowRun : public WindowSession
{
public:
    WindowRun() { user.setPause(20); }

    // The rows from the first one that reads `first` on (none if no row does).
    QStringList rowsFrom(const QString &first) const;
};

// A close held during the transfer: the run went on to its outcome box, the close was acknowledged below the update's
// line, the device was looked at once more, and the client ended after the last of `boxes`, its port let go.
void checkHeldClose(WindowRun &run, const QStringList &boxes);

// The first prompt, the catalogues installed as start-up does, reads as texts::promptIn() has it; the user cancels.
void checkPromptInUsersLanguage(WindowRun &run);
