// The update workflow: the connection prompt, the search, the confirmation, the transfer and the timed ending.

#include "ui/mainwindow.h"
#include "ui_mainwindow.h"

#include "serial/qorvserial.h"

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

void MainWindow::nextStep()
{
    // Unlike the other boxes this one lives only as long as the call; the success report reuses it.
    const std::unique_ptr<QMessageBox> readyBox(
        createBox(tr("Обновление устройства"), tr("Мы готовы обновить Ваше устройство. Для запуска процесса "
                                                  "обновления нажмите \"Ok\".\nВАЖНО! Не отсоединяйте Ваше "
                                                  "устройство во время обновления!")));
    const QString successText = tr("Процесс обновления успешно завершен!");

    switch (workflowState) {
    case Search: {
        setStepText(stepRow, tr("Поиск устройства ..."));
        const int result = searchDevice();
        if (result == 1) {
            workflowState = Update;
            runBox(readyBox.get());
            nextStep();
        } else if (result == 0) {
            worker->disconnectPort();
            askToConnect();
        } else {
            worker->disconnectPort();
        }
        break;
    }
    case Update: {
        ui->progressBar->reset();
        ui->progressBar->show();
        const QString started = tr("Начат процесс обновления. Не отключайте устройство!");
        ui->text_browser->append(started);
        setSpannedLine(stepRow, started);
        stepRow += 1;

        const bool ok = flashFirmware();
        if (ok)
            ui->text_browser->append(successText);
        worker->disconnectPort();
        ui->progressBar->hide();
        workflowState = Finished;
        if (ok) {
            readyBox->setText(successText);
            runBox(readyBox.get());
        }
        // The device restarts into its new firmware; a second look shows the user what it now runs.
        setStepText(stepRow, tr("Поиск устройства ..."));
        delay(settleAfterUpdateMs);
        QTimer::singleShot(researchDelayMs, this, [this, ok] {
            if (ok)
                checkUpdatedDevice();
            else
                searchDevice();
        });
        delay(settleAfterUpdateMs);
        QTimer::singleShot(closeAfterUpdateMs, this, &QWidget::close);
        break;
    }
    default:
        workflowState = Search;
        break;
    }
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
            QTimer::singleShot(closeAfterLimitMs, this, &QWidget::close);
        return;
    }
    const QString shuttingDown = tr("Завершение работы...");
    ui->text_browser->append(shuttingDown);
    setStepText(stepRow, shuttingDown);
    QTimer::singleShot(closeAfterCancelMs, this, &QWidget::close);
}
