// Driver steps of the main window: is the CP210x driver there, and if not, unpack the carried package, start the
// vendor's installer and wait until it has gone from the process list.

#include "ui/mainwindow.h"
#include "ui_mainwindow.h"

#include "driver/packagefolder.h"
#include "driver/systemaccess.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QStandardItemModel>
#include <QTimer>

namespace {
constexpr int followUpDelayMs = 500;
const QChar tab = QLatin1Char('\t');

// The package as carried, and where each file goes below the extraction directory. The 64-bit installer is unpacked
// under the plain name the process list is watched for.
struct PackageFile
{
    const char *resource;
    const char *target;
};
constexpr PackageFile packageFiles[] = {
    {":/deviceFW/driver/CP210xVCPInstaller_x64.exe", "CP210xVCPInstaller.exe"},
    {":/deviceFW/driver/x64/silabser.sys", "x64/silabser.sys"},
    {":/deviceFW/driver/CP210x_Universal_Windows_Driver_ReleaseNotes.txt",
     "CP210x_Universal_Windows_Driver_ReleaseNotes.txt"},
    {":/deviceFW/driver/dpinst.xml", "dpinst.xml"},
    {":/deviceFW/driver/silabser.cat", "silabser.cat"},
    {":/deviceFW/driver/silabser.inf", "silabser.inf"},
    {":/deviceFW/driver/SLAB_License_Agreement_VCP_Windows.txt", "SLAB_License_Agreement_VCP_Windows.txt"},
};

QString extractionDirectory()
{
    return QDir::tempPath() + QStringLiteral("/driver");
}
} // namespace

bool MainWindow::checkDriver()
{
    if (systemAccess->driverPresent()) {
        const QString found = tr("драйвер обнаружен.");
        chageLastLineTextBrowser(currentStepText + tab + found);
        setStepResult(stepRow, found, true);
        stepRow += 1;
        QTimer::singleShot(followUpDelayMs, this, &MainWindow::askToConnect);
        return false;
    }

    const QString missing = tr("драйвер не обнаружен.");
    chageLastLineTextBrowser(currentStepText + tab + missing);
    setStepResult(stepRow, missing, false);
    if (attemptCounter++ == 0) {
        stepRow += 1;
        currentStepText = tr("Установка драйвера...");
        setStepText(stepRow, currentStepText);
        ui->text_browser->append(currentStepText);
        QTimer::singleShot(followUpDelayMs, this, &MainWindow::installDriver);
        return false;
    }

    // The carried package is the vendor's driver for Windows 10; if it did not take, this system cannot run it.
    runBox(createBox(tr("Несовместимая версия Windows"),
                     tr("Ваша версия Windows несовместима с данной программой. Дальнейшая работа "
                        "невозможна. Обратитесь в службу поддержки email."),
                     QMessageBox::Ok, QMessageBox::Critical));
    QCoreApplication::quit();
    return false;
}

bool MainWindow::unpackDriverPackage(const QString &directory)
{
    // Whatever an earlier run (or anybody else) left here must not be started in place of the carried installer, so
    // the folder is made anew by this run; a folder that cannot be, or a copy that fails, means no installer starts.
    if (!packagefolder::recreate(directory) || !QDir().mkdir(directory + QStringLiteral("/x64")))
        return false;
    for (const PackageFile &file : packageFiles) {
        const QString target = directory + QLatin1Char('/') + QLatin1String(file.target);
        if (!QFile::copy(QLatin1String(file.resource), target))
            return false;
        // Files copied out of the resources are read-only, which would stop the removal after the installation.
        QFile::setPermissions(target, QFile::permissions(target) | QFile::WriteOwner | QFile::WriteUser);
    }
    return true;
}

void MainWindow::installDriver()
{
    const QString directory = extractionDirectory();
    if (unpackDriverPackage(directory)) {
        // Whether the installer starts is not examined: the poll ends at once if it did not, and the next driver
        // check decides.
        systemAccess->startInstaller(directory + QLatin1Char('/') + driverprobe::installerProcessName(), directory);
        QTimer::singleShot(followUpDelayMs, this, &MainWindow::checkProcessState);
        return;
    }
    const QString notUnpacked = tr("не удалось распаковать пакет драйвера.");
    chageLastLineTextBrowser(currentStepText + tab + notUnpacked);
    setStepResult(stepRow, notUnpacked, false);
    QTimer::singleShot(followUpDelayMs, this, &MainWindow::checkDriverAgain);
}

void MainWindow::checkProcessState()
{
    if (systemAccess->installerRunning()) {
        const QString installing = tr("установка...");
        chageLastLineTextBrowser(currentStepText + tab + installing);
        stepModel->setItem(stepRow, 2, new QStandardItem(installing));
        QTimer::singleShot(followUpDelayMs, this, &MainWindow::checkProcessState);
        return;
    }

    const QString installed = tr("установка завершена.");
    chageLastLineTextBrowser(currentStepText + tab + installed);
    setStepResult(stepRow, installed, true);
    checkDriverAgain();
}

void MainWindow::checkDriverAgain()
{
    stepRow += 1;
    packagefolder::removeWithoutFollowingLinks(extractionDirectory());
    QTimer::singleShot(followUpDelayMs, this, &MainWindow::checkDriver);
    currentStepText = tr("Проверка драйвера ...");
    setStepText(stepRow, currentStepText);
    ui->text_browser->append(currentStepText);
}
