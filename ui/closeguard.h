#pragma once

#include <QObject>

#include <functional>

class QWidget;

// Carries the window's close button (the window manager's close, Windows' WM_CLOSE) for the workflow, so that the
// window itself handles no events. While the guard holds, the run must not be cut (the image is being written): a
// close is refused and remembered, and the workflow ends the run itself once the outcome is known. At any other
// moment the close goes through, and the workflow is told before the window goes, so that it gives up the run at
// once: nothing more is shown, waits end, the port is closed. A window that is shown again after a close takes up its
// run again, as a window that is shown is a window at work.
class CloseGuard : public QObject
{
    Q_OBJECT

public:
    CloseGuard(QWidget *window, std::function<void()> held, std::function<void()> closing,
               std::function<void()> shownAgain);

    // Holding again starts a new transfer: a close held during an earlier one is forgotten.
    void setHolding(bool holding);
    // A close came while the guard held, since it last began to hold (or the window was shown again).
    bool closeWasHeld() const { return heldClose; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *window;
    std::function<void()> held;
    std::function<void()> closing;
    std::function<void()> shownAgain;
    bool closed = false;
    bool holdingRun = false;
    bool heldClose = false;
};
