#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// What the step table needs to show every text and the device panel whole, in the window's (logical) pixels, as the
// window measures it with its own font and the catalogue in use.
struct StepTableNeeds
{
    int stepColumn = 0;   // column 1: the widest step with its icon, or the closing line
    int resultColumn = 0; // column 2: the widest result
    int line = 0;         // columns 1 and 2 together: the widest line across both
    int panelWidth = 0;   // columns 1 and 2 together: the device panel
    int panelHeight = 0;  // the panel's content
    int rowHeight = 0;    // one row of the table
};

// What the window holds around the table's columns: the margins, the table's frame and its scroll bar across; the
// menu bar, the margins, the table's frame and the progress bar down.
struct WindowChrome
{
    int width = 0;
    int height = 0;
};

struct WindowFit
{
    QSize window;
    int marginColumn = 0;
    int stepColumn = 0;
};

// The rows a run shows above its first device panel (the driver step and the device step).
inline constexpr int rowsAbovePanel = 2;

// The device panel's height in a window of the given height: a seventh of it, but never less than its content.
int devicePanelHeight(int windowHeight, int contentHeight);

// The window's size and its first two columns. The window of the size formula (three tenths of the screen, margin
// column a thirtieth and step column a third of its width) stays as it is where it shows everything whole; otherwise
// it grows to the smallest size that does, but never beyond the available area. Any growth across goes to column 2.
WindowFit fitWindow(QSize formula, QSize available, const StepTableNeeds &needs, const WindowChrome &chrome);

// Where a window of the given frame size placed at target stays whole within area: moved back in as little as
// needed, its top-left corner kept visible where it is larger than the area.
QPoint keptWithin(const QRect &area, QSize frame, QPoint target);
