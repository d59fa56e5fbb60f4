// Driver steps of the main window: is the CP210x driver there, and if not, unpack the carried package, start the
// vendor's installer and wait until it has gone from the process list.

#include "ui/mainwindow.h"

#include "driver/packagefolder.h"
#include "driver/systemaccess.h"
#include "ui/steptexts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QTimer>

namespace {
constexpr int followUpDelayMs = 500;
const QChar tab = QLatin1Char('\t');

// The package as carried: the 64-bit installer, unpacked under the plain name the process list is watched for, and
// the files it needs beside it, each below ":/deviceFW/driver/" and the extraction directory under the same name.
const QString installerResource = QStringLiteral(":/deviceFW/driver/CP210xVCPInstaller_x64.exe");
constexpr const char *packageFiles[] = {
    "x64/silabser.sys", "CP210x_Universal_Windows_Driver_ReleaseNotes.txt", "dpinst.xml", "silabser.cat",
    "silabser.inf",     "SLAB_License_Agreement_VCP_Windows.txt",
};

// Files copied out of the resources are read-only, which would stop the removal after the installation.
bool copyWritable(const QString &resource, const QString &target)
{
    if (!QFile::copy(resource, target))
        return false;
    QFile::setPermissions(target, QFile::permissions(target) | QFile::WriteOwner | QFile::WriteUser);
    return true;
}

QString extractionDirectory()
{
    return QDir::tempPath() + QStringLiteral("/driver");
}
} // namespace

bool MainWindow::checkDriver()
{
    recorder->stepBegins(RunStage::Driver);
    const bool present = systemAccess->driverPresent();
    // The window may have been closed while the probe ran: the run ends without another step.
    if (runAbandoned)
        return false;
    recorder->driverLookedFor(present);
    if (present) {
        const QString found = stepText(StepText::DriverFound);
        chageLastLineTextBrowser(currentStepText + tab + found);
        finishStep(found, true);
        QTimer::singleShot(followUpDelayMs, this, &MainWindow::askToConnect);
        return false;
    }

    const QString missing = stepText(StepText::DriverMissing);
    chageLastLineTextBrowser(currentStepText + tab + missing);
    finishStep(missing, false);
    if (attemptCounter++ == 0) {
        currentStepText = stepText(StepText::InstallingDriver);
        startStep(currentStepText);
        appendLog(currentStepText);
        QTimer::singleShot(followUpDelayMs, this, &MainWindow::installDriver);
        return false;
    }

    // The carried package is the vendor's driver for Windows 10; if it did not take, this system cannot run it.
    recorder->reached(RunOutcome::DriverMissing);
    runBox(createBox(tr("Несовместимая версия Windows"),
                     tr("Ваша версия Windows несовместима с данной программой. Дальнейшая работа "
                        "невозможна. Обратитесь в службу поддержки email."),
                     QMessageBox::Ok, QMessageBox::Critical));
    runEnding = true;
    QCoreApplication::quit();
    return false;
}

bool MainWindow::unpackDriverPackage(const QString &directory)
{
    // Whatever an earlier run (or anybody else) left here must not be started in place of the carried installer, so
    // the folder is made anew by this run; a folder that cannot be, or a copy that fails, means no installer starts.
    if (!packagefolder::recreate(directory) || !QDir().mkdir(directory + QStringLiteral("/x64")))
        return false;
    if (!copyWritable(installerResource, directory + QLatin1Char('/') + driverprobe::installerProcessName()))
        return false;
    for (const char *name : packageFiles) {
        if (!copyWritable(QStringLiteral(":/deviceFW/driver/") + QLatin1String(name),
                          directory + QLatin1Char('/') + QLatin1String(name)))
            return false;
    }
    return true;
}

void MainWindow::installDriver()
{
    // A close in the same turn of the event loop as this step's timer gave the run up: nothing is unpacked or started
    // after the window has gone.
    if (runAbandoned)
        return;
    const QString directory = extractionDirectory();
    if (unpackDriverPackage(directory)) {
        // Whether the installer starts is not examined: the poll ends at once if it did not, and the next driver
        // check decides.
        systemAccess->startInstaller(directory + QLatin1Char('/') + driverprobe::installerProcessName(), directory);
        QTimer::singleShot(followUpDelayMs, this, &MainWindow::checkProcessState);
        return;
    }
    const QString notUnpacked = stepText(StepText::DriverNotUnpacked);
    chageLastLineTextBrowser(currentStepText + tab + notUnpacked);
    finishStep(notUnpacked, false);
    QTimer::singleShot(followUpDelayMs, this, &MainWindow::checkDriverAgain);
}

void MainWindow::checkProcessState()
{
    const bool running = systemAccess->installerRunning();
    if (runAbandoned)
        return;
    if (running) {
        const QString installing = stepText(StepText::Installing);
        chageLastLineTextBrowser(currentStepText + tab + installing);
        showStepState(installing);
        QTimer::singleShot(followUpDelayMs, this, &MainWindow::checkProcessState);
        return;
    }

    const QString installed = stepText(StepText::Installed);
    chageLastLineTextBrowser(currentStepText + tab + installed);
    finishStep(installed, true);
    checkDriverAgain();
}

void MainWindow::checkDriverAgain()
{
    packagefolder::removeWithoutFollowingLinks(extractionDirectory());
    QTimer::singleShot(followUpDelayMs, this, &MainWindow::checkDriver);
    currentStepText = stepText(StepText::CheckingDriver);
    startStep(currentStepText);
    appendLog(currentStepText);
}
