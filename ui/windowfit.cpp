#include "ui/windowfit.h"

#include <algorithm>

int devicePanelHeight(int windowHeight, int contentHeight)
{
    return std::max(windowHeight / 7, contentHeight);
}

WindowFit fitWindow(QSize formula, QSize available, const StepTableNeeds &needs, const WindowChrome &chrome)
{
    WindowFit fit;
    fit.marginColumn = formula.width() / 30;
    fit.stepColumn = std::max(formula.width() / 3, needs.stepColumn);
    const int secondColumn =
        std::max({needs.resultColumn, needs.line - fit.stepColumn, needs.panelWidth - fit.stepColumn, 0});
    const int width = std::max(formula.width(), chrome.width + fit.marginColumn + fit.stepColumn + secondColumn);

    // The panel grows with the window, so the height that shows it whole below its rows is searched for; it is
    // found within a few of the panel's own heights.
    int height = formula.height();
    while (height < available.height() &&
           height - chrome.height < rowsAbovePanel * needs.rowHeight + devicePanelHeight(height, needs.panelHeight))
        ++height;

    fit.window = QSize(std::min(width, available.width()), std::min(height, available.height()));
    return fit;
}

QPoint keptWithin(const QRect &area, QSize frame, QPoint target)
{
    const int x = std::max(area.left(), std::min(target.x(), area.right() + 1 - frame.width()));
    const int y = std::max(area.top(), std::min(target.y(), area.bottom() + 1 - frame.height()));
    return QPoint(x, y);
}
