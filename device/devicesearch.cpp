// Finding the device, reading its state and identity, and deciding whether the carried image is to be written.

#include "ui/mainwindow.h"
#include "ui_mainwindow.h"

#include "device/updatedecision.h"
#include "serial/qorvserial.h"
#include "ui/formdevice.h"

#include <QCoreApplication>
#include <QStandardItemModel>
#include <QTimer>

namespace {
constexpr int quitDelayMs = 1000;
const QChar tab = QLatin1Char('\t');
const QString indent = QStringLiteral("\t\t\t");
} // namespace

int MainWindow::searchDevice()
{
    searchDecision.reset();
    worker->findDevicePort();
    if (!worker->isPortFound()) {
        const QString notFound = tr("Устройство не найдено");
        ui->text_browser->append(notFound);
        setStepResult(stepRow, notFound, false);
        stepRow += 1;
        return 0;
    }

    const auto endProgram = [this] {
        iOError();
        stepRow += 1;
        setStepText(stepRow, tr("Завершение работы..."));
        QTimer::singleShot(quitDelayMs, this, &QCoreApplication::quit);
        return -1;
    };
    if (worker->connectPort()) {
        // The box only says to restart; the port's own reason ("Permission denied", ...) is kept for support.
        ui->text_browser->append(tr("Поиск устройства ...") + tab + worker->lastErrorText());
        return endProgram();
    }
    if (!readBlock(DeviceCommand::ReadBlock, 0, protocol::statusReplyLength, deviceInfo.statusBlock))
        return endProgram();

    // A device left in update mode by an interrupted transfer answers nothing else useful: write the image again.
    if (deviceInfo.statusBlock[0] != protocol::runModeApplication) {
        searchDecision = UpdateDecision::Update;
        return 1;
    }

    deviceInfo.fwMajor = deviceInfo.statusBlock[2];
    deviceInfo.fwMinor = deviceInfo.statusBlock[3];
    deviceInfo.fwBuild = deviceInfo.statusBlock[4];
    if (!identify()) {
        iOError();
        return 0;
    }

    // The found line is appended rather than put in place of the last one: that line holds the previous step's
    // outcome, which the log should keep.
    currentStepText = tr("Поиск устройства ...");
    const QString found = tr("устройство найдено.");
    ui->text_browser->append(currentStepText + tab + found);
    setStepResult(stepRow, found, true);
    stepRow += 1;

    auto *panel = new FormDevice(this, deviceInfo.hardware, deviceInfo.sku, deviceInfo.fwMajor, deviceInfo.fwMinor,
                                 deviceInfo.fwBuild);
    stepModel->setItem(stepRow, 1, new QStandardItem);
    ui->tableView->setIndexWidget(stepModel->index(stepRow, 1), panel);
    ui->tableView->setSpan(stepRow, 1, 1, 2);
    ui->tableView->update();
    stepRow += 2;

    ui->text_browser->append(indent + QStringLiteral("HW:%1").arg(deviceInfo.hardware));
    ui->text_browser->append(indent + QStringLiteral("SKU:%1").arg(deviceInfo.sku));
    ui->text_browser->append(
        indent + QStringLiteral("FW:%1.%2.%3").arg(deviceInfo.fwMajor).arg(deviceInfo.fwMinor).arg(deviceInfo.fwBuild));

    const auto reportLine = [this](const QString &text) {
        ui->text_browser->append(text);
        setSpannedLine(stepRow, text);
        stepRow += 1;
    };
    searchDecision =
        decideUpdate(deviceInfo.hardware, deviceInfo.sku, deviceInfo.fwMajor, deviceInfo.fwMinor, deviceInfo.fwBuild);
    switch (*searchDecision) {
    case UpdateDecision::NotSuitable:
        reportLine(tr("Обновление не подходит для этого устройства!"));
        return 0;
    case UpdateDecision::DeviceNewer:
        reportLine(tr("Устройство обновлено до последней версии."));
        return 0;
    case UpdateDecision::Update:
        return 1;
    case UpdateDecision::UpToDate:
        break;
    }
    const QString upToDate = tr("Устройство обновлено до последней версии.");
    reportLine(upToDate);
    showInformation(tr("Подключение устройства"), upToDate);
    const QString shuttingDown = tr("Завершение работы...");
    ui->text_browser->append(shuttingDown);
    setStepText(stepRow, shuttingDown);
    QTimer::singleShot(quitDelayMs, this, &QCoreApplication::quit);
    return -1;
}

void MainWindow::checkUpdatedDevice()
{
    // A device may accept the finish with its answer code alone and still keep its old firmware, so what it reports
    // after the restart decides. A device not found again says nothing either way, and the run ends as it would.
    searchDevice();
    if (searchDecision && *searchDecision != UpdateDecision::UpToDate)
        iOError();
}
