#pragma once

// One whole run of the client's window as a user would have it: offscreen, the boxes answered by the simulated user,
// and the application's event loop running until the client ends the run itself (window closed, or application
// quit) or a watchdog gives up. Where the device and the system come from is the caller's (clientrun.h on Linux, the
// real Windows layers in tests/windows).

#include "driver/systemaccess.h"
#include "release.h"
#include "sim/user/boxanswerer.h"
#include "texts.h"
#include "ui/mainwindow.h"

#include <QElapsedTimer>
#include <QProgressBar>
#include <QStringList>
#include <QTimer>
#include <QVector>

#include <memory>

enum class RunEnd { WindowClosed, ApplicationQuit, Watchdog };

// The longest time the GUI thread went without processing events while the clock lived, seen by a timer that asks
// to run every 10 ms (it runs only when the thread processes events, in nested waits too).
class StallClock
{
public:
    StallClock();
    qint64 longest() const { return longestMs; }

private:
    QTimer tick;
    QElapsedTimer sinceTick;
    qint64 longestMs = 0;
};

class WindowRun
{
public:
    WindowRun();
    virtual ~WindowRun();
    WindowRun(const WindowRun &) = delete;
    WindowRun &operator=(const WindowRun &) = delete;

    // A new client, as a user starting the program again, on the given system layer.
    void newWindow(std::unique_ptr<SystemAccess> system);
    // Runs the client from its start until it ends the run; returns how it ended.
    RunEnd run();
    // Closes the window as the user's close button does: on Windows the WM_CLOSE that "taskkill" (without /F) posts
    // to the program's windows; elsewhere the close event the window system hands the window, which a window
    // blocked by a modal box does not get.
    void closeWindow();
    // Whether the run ended about `ms` after the last box was answered: no sooner, and not much later (timers of two
    // seconds and more may fire 5 % early).
    bool endedAbout(int ms) const;

    // The step table as the user reads it: "step | result | icon" (icon "ok", "fail" or ""), "== line" for a line
    // across both columns, and "[panel HW SKU FW]" for the device panel as it reads.
    QStringList rows() const;
    // The rows from the first one that reads `first` on (none if no row does), so that a test finds the part of the
    // table it looks at by its content.
    QStringList rowsFrom(const QString &first) const;
    // What the toolkit's accessibility interface hands a screen reader for each row's step cell.
    QStringList readAloud() const;
    QString log() const;
    QProgressBar *progress() const;
    QStringList boxTexts() const;

    // The window and its worker go, the port let go, as the ending process would.
    void endClient();

    BoxAnswerer user;
    MainWindow *window = nullptr;
    QElapsedTimer clock;
    qint64 lastAnswerMs = -1;
    qint64 endMs = -1;
    qint64 closeRequestedMs = -1;
    int exitCode = -1;
};

// A close held during the transfer: the run went on to its outcome box, the close was acknowledged below the update's
// line, the device was looked at once more, and the client ended about `endsAfterMs` after the last of `boxes`, its
// port let go.
void checkHeldClose(WindowRun &run, const QStringList &boxes, int endsAfterMs);

// The first prompt of a run started in the system locale's language, the catalogues installed as the client's
// start-up installs them, reads as texts::promptIn() words it for that language; the user cancels there.
void checkPromptInUsersLanguage(WindowRun &run);

template <typename T> QList<T> times(int n, const T &value)
{
    return QVector<T>(n, value).toList();
}
