// The update workflow: the connection prompt, the search, the confirmation, the transfer and the timed ending.

#include "ui/mainwindow.h"
#include "ui_mainwindow.h"

#include "serial/qorvserial.h"
#include "ui/closeguard.h"
#include "ui/steptexts.h"

#include <QMessageBox>
#include <QTimer>

#include <memory>

namespace {
constexpr int searchAttemptLimit = 2; // the counter before the increment may be 0, 1 or 2
constexpr int closeAfterLimitMs = 1500;
constexpr int closeAfterCancelMs = 800;
constexpr int settleAfterUpdateMs = 2000;
constexpr int researchDelayMs = 1500;
constexpr int closeAfterUpdateMs = 3500;

enum WorkflowState { Finished = 0, Search = 1, Update = 2 };
} // namespace

// The ready box and the success box have the same title and button. Unlike the other boxes they live only as long as
// the step that shows them.
std::unique_ptr<QMessageBox> MainWindow::createUpdateBox(const QString &text)
{
    return std::unique_ptr<QMessageBox>(createBox(tr("Обновление устройства"), text));
}

void MainWindow::nextStep()
{
    switch (workflowState) {
    case Search: {
        startStep(stepText(StepText::SearchingDevice));
        const int result = searchDevice();
        if (result == 1) {
            workflowState = Update;
            runBox(createUpdateBox(tr("Мы готовы обновить Ваше устройство. Для запуска процесса обновления нажмите "
                                      "\"Ok\".\nВАЖНО! Не отсоединяйте Ваше устройство во время обновления!"))
                       .get());
            if (!runAbandoned)
                nextStep();
        } else if (result == 0) {
            worker->disconnectPort();
            askToConnect();
        } else {
            worker->disconnectPort();
        }
        break;
    }
    case Update:
        runUpdate();
        break;
    default:
        workflowState = Search;
        break;
    }
}

void MainWindow::runUpdate()
{
    // From the Ok of the ready box until the user has seen the outcome, the close button does not cut the transfer.
    closeGuard->setHolding(true);
    ui->progressBar->reset();
    ui->progressBar->show();
    addReportLine(stepText(StepText::UpdateStarted));

    const bool ok = flashFirmware();
    if (ok)
        recorder->reached(RunOutcome::Updated);
    const QString successText = tr("Процесс обновления успешно завершен!");
    if (ok)
        appendLog(successText);
    worker->disconnectPort();
    ui->progressBar->hide();
    workflowState = Finished;
    if (ok)
        runBox(createUpdateBox(successText).get());
    closeGuard->setHolding(false);
    lookAgainAndEnd(ok);
}

void MainWindow::lookAgainAndEnd(bool updated)
{
    // The device restarts into its new firmware; a second look shows the user what it now runs. It is made after a
    // close held during the transfer too, since it is what tells a device that took the image from one that starts
    // its old firmware again; the run then ends once it has been shown.
    const bool leaving = closeGuard->closeWasHeld();
    runEnding = true;
    startStep(stepText(StepText::SearchingDevice));
    delay(settleAfterUpdateMs);
    const auto secondLook = [this, updated] {
        if (runAbandoned)
            return;
        if (updated)
            checkUpdatedDevice();
        else
            searchDevice();
    };
    if (leaving) {
        delay(researchDelayMs);
        secondLook();
        worker->disconnectPort();
        closeByItself();
        return;
    }
    QTimer::singleShot(researchDelayMs, this, secondLook);
    delay(settleAfterUpdateMs);
    endRunAfter(closeAfterUpdateMs, Ending::Close);
}

void MainWindow::askToConnect()
{
    QMessageBox *prompt = createBox(tr("Подключение устройства"),
                                    tr("Пожалуйста, включите и подключите Ваше устройство и нажмите \"Ok\""),
                                    QMessageBox::Ok | QMessageBox::Cancel);
    // Escape and the box's close button answer Cancel too.
    if (runBox(prompt) != QMessageBox::Cancel) {
        workflowState = Search;
        const int previous = attemptCounter++;
        if (previous <= searchAttemptLimit)
            nextStep();
        else
            endRunAfter(closeAfterLimitMs, Ending::Close);
        return;
    }
    recorder->reached(RunOutcome::Cancelled);
    shutDown(ClosingLine::InCurrentRowAndLog, closeAfterCancelMs, Ending::Close);
}
