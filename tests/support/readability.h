#pragma once

// What a user of the window can read, shared by the screen matrix (Linux) and the runs at Windows' scalings: every
// text of the step table whole in its cell, the device panel's lines whole, the panel inside the table and clear of
// the next row, the window and its boxes on the screen, and the window no larger than that needs. The checks look at
// the table as the view draws it (the style's text rectangle beside the icon, the view's elide mode), not at how the
// window measured itself.

#include "ui/mainwindow.h"
#include "ui/steptable.h"

#include <QRect>
#include <QSize>
#include <QStringList>

namespace readability {

constexpr int panelRow = rowsAbovePanel;

// Every text a run can write, through the window's own step table, one per row, with the device panel where a run
// first shows it; the progress bar shows, as while the image is written.
void fillWithEveryText(MainWindow &window);

// The texts of the table that their cells cut, and what keeps the panel from being read whole.
QStringList faults(const MainWindow &window);

// A box as the client makes one, with its longest text, placed by the window's own moveMessage while the window sits
// at the bottom of the screen: is it whole on the screen?
bool boxStaysOnScreen(MainWindow &window, const QRect &area);

struct WindowReport
{
    QSize formula;
    QSize window;
    int stepColumn = 0;
    int panel = 0;
    QStringList breaches; // of the rule: everything whole and on the screen, the window no larger than that needs
};

// The client's window as start-up makes it on this screen, in the language of the catalogue installed, with every
// text a run can write in it; a picture of it goes to the file named, if any. Its run does not start.
WindowReport checkWindow(const QString &picture = {});

} // namespace readability
