#pragma once

// The client's window as one user session has it, for the tests, the benchmark and the demo alike: the window (and
// the serial worker it makes, which outlives it by design) owned and ended together, the simulated user answering its
// boxes, the run from the window's start until the client ends it, and the window read as the user reads it.

#include "sim/user/boxanswerer.h"

#include <QElapsedTimer>
#include <QSize>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>

class MainWindow;
class QProgressBar;
class SystemAccess;

enum class RunEnd { WindowClosed, ApplicationQuit, Watchdog };

// The longest time the GUI thread went without processing events while the clock lived, seen by a timer that asks
// to run every 10 ms (it runs only when the thread processes events, in nested waits too). For the benchmark: the
// tests hold the order of events, not their times.
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

class WindowSession
{
public:
    explicit WindowSession(BoxAnswerer::Watch watch = BoxAnswerer::Watch::Polling);
    virtual ~WindowSession();
    WindowSession(const WindowSession &) = delete;
    WindowSession &operator=(const WindowSession &) = delete;

    // A new client, as a user starting the program again, on the given system layer, its window `windowSize` large.
    void newWindow(std::unique_ptr<SystemAccess> system);
    // Shows the window and runs the application until the client ends the run (window closed, application quit) or
    // a minute has passed.
    RunEnd runToEnd();
    // Closes the window as the user's close button does: on Windows the WM_CLOSE that "taskkill" (without /F) posts
    // to the program's windows; elsewhere the close event the window system hands the window, which a window
    // blocked by a modal box does not get.
    void closeWindow();

    // The step table as the user reads it: "step | result | icon" (icon "ok", "fail" or ""), "== line" for a line
    // across both columns, and "[panel HW SKU FW]" for the device panel as it reads.
    QStringList rows() const;
    QString log() const;
    QProgressBar *progress() const;
    // The texts of the boxes from the `first` on.
    QStringList boxTexts(int first = 0) const;

    // The window and its worker go, the port let go, as the ending process would.
    void endClient();

    BoxAnswerer user;
    // Where the session's clients keep their run history, instead of the user's own.
    QTemporaryDir historyFolder;
    MainWindow *window = nullptr;
    QSize windowSize; // the start-up's size for a 1920 x 1080 screen unless set
    QElapsedTimer clock;
    qint64 endMs = -1;
    qint64 closeRequestedMs = -1;
    int exitCode = -1;
};
