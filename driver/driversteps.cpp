// Driver detection and installation steps of the main window (filled in with the driver work).

#include "ui/mainwindow.h"

#include <QTimer>

namespace {
constexpr int followUpDelayMs = 500;
}

bool MainWindow::checkDriver()
{
    QTimer::singleShot(followUpDelayMs, this, &MainWindow::askToConnect);
    return false;
}

void MainWindow::installDriver() {}

void MainWindow::checkProcessState() {}
