// Finding the device, reading its state and identity, and deciding whether the carried image is to be written.

#include "ui/mainwindow.h"

#include "device/updatedecision.h"
#include "serial/qorvserial.h"
#include "ui/steptexts.h"

namespace {
constexpr int quitDelayMs = 1000;
const QChar tab = QLatin1Char('\t');
const QString indent = QStringLiteral("\t\t\t");
} // namespace

int MainWindow::searchDevice()
{
    searchDecision.reset();
    // Within the look after an update, the search is part of that step (RunRecorder::stepBegins).
    recorder->stepBegins(RunStage::Search);
    worker->findDevicePort();
    if (!worker->isPortFound()) {
        recorder->reached(RunOutcome::NoDevice);
        const QString notFound = stepText(StepText::DeviceNotFound);
        appendLog(notFound);
        finishStep(notFound, false);
        return 0;
    }
    recorder->portFound(worker->currentPortName());
    if (!openAndReadStatus())
        return endProgram();

    // A device left in update mode by an interrupted transfer answers nothing else useful: write the image again.
    if (deviceInfo.statusBlock[0] != protocol::runModeApplication) {
        settleDecision(UpdateDecision::Update);
        return 1;
    }
    if (!identifyDevice()) {
        // The user is asked to connect again, and what the run does next is what the record keeps.
        reportIOError(false);
        return 0;
    }
    recorder->deviceIdentified(deviceInfo.hardware, deviceInfo.sku, deviceInfo.versionText());
    showFoundDevice();
    return reportDecision();
}

bool MainWindow::openAndReadStatus()
{
    if (worker->connectPort()) {
        // The box only says to restart; the port's own reason ("Permission denied", ...) is kept for support.
        appendLog(stepText(StepText::SearchingDevice) + tab + worker->lastErrorText());
        return false;
    }
    return readBlock(DeviceCommand::ReadBlock, 0, protocol::statusReplyLength, deviceInfo.statusBlock);
}

// The version is taken from the status block before the identity is asked for, so a failed identification leaves
// the new version beside the previous identity.
bool MainWindow::identifyDevice()
{
    deviceInfo.fwMajor = deviceInfo.statusBlock[2];
    deviceInfo.fwMinor = deviceInfo.statusBlock[3];
    deviceInfo.fwBuild = deviceInfo.statusBlock[4];
    return identify();
}

void MainWindow::showFoundDevice()
{
    // The found line is appended rather than put in place of the last one: that line holds the previous step's
    // outcome, which the log should keep.
    currentStepText = stepText(StepText::SearchingDevice);
    const QString found = stepText(StepText::DeviceFound);
    appendLog(currentStepText + tab + found);
    finishStep(found, true);
    showDevicePanel();
    appendLog(indent + QStringLiteral("HW:%1").arg(deviceInfo.hardware));
    appendLog(indent + QStringLiteral("SKU:%1").arg(deviceInfo.sku));
    appendLog(indent + QStringLiteral("FW:") + deviceInfo.versionText());
}

int MainWindow::reportDecision()
{
    settleDecision(
        decideUpdate(deviceInfo.hardware, deviceInfo.sku, deviceInfo.fwMajor, deviceInfo.fwMinor, deviceInfo.fwBuild));
    switch (*searchDecision) {
    case UpdateDecision::NotSuitable:
        addReportLine(stepText(StepText::NotSuitable));
        return 0;
    case UpdateDecision::DeviceNewer:
        addReportLine(stepText(StepText::UpToDate));
        return 0;
    case UpdateDecision::Update:
        return 1;
    case UpdateDecision::UpToDate:
        break;
    }
    const QString upToDate = stepText(StepText::UpToDate);
    addReportLine(upToDate);
    showInformation(tr("Подключение устройства"), upToDate);
    shutDown(ClosingLine::InCurrentRowAndLog, quitDelayMs, Ending::Quit);
    return -1;
}

void MainWindow::settleDecision(UpdateDecision decision)
{
    searchDecision = decision;
    recorder->decided(decision);
}

// A link that fails before the device has said anything ends the run: the user is told to restart.
int MainWindow::endProgram()
{
    iOError();
    shutDown(ClosingLine::InNextRow, quitDelayMs, Ending::Quit);
    return -1;
}

void MainWindow::checkUpdatedDevice()
{
    // A device may accept the finish with its answer code alone and still keep its old firmware, so what it reports
    // after the restart decides. A device not found again says nothing either way, and the run ends as it would.
    // The record keeps the device as it was before the update and the decision made on it; what this search reads
    // is the version after.
    recorder->stepBegins(RunStage::CheckAfterUpdate);
    searchDevice();
    if (searchDecision && *searchDecision != UpdateDecision::UpToDate)
        iOError();
}
