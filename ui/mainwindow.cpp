#include "ui/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/constants.h"
#include "driver/systemaccess.h"
#include "serial/eventwait.h"
#include "serial/qorvserial.h"
#include "ui/formdevice.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QIcon>
#include <QMessageBox>
#include <QStandardItemModel>
#include <QTextCursor>
#include <QTimer>

namespace {
constexpr int driverCheckDelayMs = 1500;
const QString okIcon = QStringLiteral(":/image/image/ok.png");
const QString failIcon = QStringLiteral(":/image/image/fail.png");
} // namespace

MainWindow::MainWindow(QWidget *parent, QSize size)
    : QMainWindow(parent), ui(new Ui_MainWindow), worker(nullptr), systemAccess(createSystemAccess())
{
    ui->setupUi(this);
    setFixedSize(size);

    stepModel = new QStandardItemModel(0, 3, this);
    ui->tableView->setModel(stepModel);
    ui->tableView->verticalHeader()->hide();
    ui->tableView->setGridStyle(Qt::NoPen);
    ui->tableView->horizontalHeader()->setStretchLastSection(true);
    // The margin column is narrower than some styles' minimum section size.
    ui->tableView->horizontalHeader()->setMinimumSectionSize(0);
    ui->tableView->setColumnWidth(0, size.width() / 30);
    ui->tableView->setColumnWidth(1, size.width() / 3);

    QTimer::singleShot(driverCheckDelayMs, this, &MainWindow::checkDriver);

    currentStepText = tr("Поиск драйвера ...");
    ui->text_browser->append(currentStepText);
    ui->text_browser->hide();
    startStep(currentStepText);

    worker = new qorvserial;
    deviceInfo.fwMajor = 0;
    deviceInfo.fwMinor = 0;
    deviceInfo.fwBuild = 0;
    firmwareFile.setFileName(QStringLiteral(":/deviceFW/deviceFW/%1").arg(firmwareFileName));
    workflowState = 1;
    ui->progressBar->hide();
    setWindowTitle(appTitle);
    attemptCounter = 0;
}

// The worker is deliberately not deleted: it lives for the whole process, like the window that owns the run.
MainWindow::~MainWindow()
{
    delete ui;
}

void MainWindow::setSystemAccess(std::unique_ptr<SystemAccess> access)
{
    systemAccess = std::move(access);
}

void MainWindow::setFirmwareFileName(const QString &fileName)
{
    firmwareFile.setFileName(fileName);
}

void MainWindow::appendLog(const QString &line)
{
    ui->text_browser->append(line);
}

void MainWindow::startStep(const QString &text)
{
    stepModel->setItem(stepRow, 1, new QStandardItem(text));
}

void MainWindow::showStepState(const QString &text)
{
    stepModel->setItem(stepRow, 2, new QStandardItem(text));
}

void MainWindow::finishStep(const QString &text, bool success)
{
    showStepState(text);
    if (QStandardItem *item = stepModel->item(stepRow, 1))
        item->setData(QIcon(success ? okIcon : failIcon), Qt::DecorationRole);
    stepRow += 1;
}

void MainWindow::addReportLine(const QString &text)
{
    appendLog(text);
    startStep(text);
    ui->tableView->setSpan(stepRow, 1, 1, 2);
    stepRow += 1;
}

void MainWindow::showDevicePanel()
{
    auto *panel = new FormDevice(this, deviceInfo.hardware, deviceInfo.sku, deviceInfo.fwMajor, deviceInfo.fwMinor,
                                 deviceInfo.fwBuild);
    stepModel->setItem(stepRow, 1, new QStandardItem);
    ui->tableView->setIndexWidget(stepModel->index(stepRow, 1), panel);
    ui->tableView->setSpan(stepRow, 1, 1, 2);
    ui->tableView->update();
    stepRow += 2;
}

void MainWindow::startProgress(int lastPage)
{
    ui->progressBar->reset();
    ui->progressBar->setRange(0, lastPage);
}

void MainWindow::setProgress(int page)
{
    ui->progressBar->setValue(page);
}

void MainWindow::endRunAfter(int delayMs, Ending ending)
{
    if (ending == Ending::Close)
        QTimer::singleShot(delayMs, this, &QWidget::close);
    else
        QTimer::singleShot(delayMs, this, &QCoreApplication::quit);
}

void MainWindow::shutDown(ClosingLine line, int delayMs, Ending ending)
{
    const QString shuttingDown = tr("Завершение работы...");
    // After a failure of the link the error's own line is the last in the log, and the closing line goes below the
    // row the failure left.
    if (line == ClosingLine::InNextRow)
        stepRow += 1;
    else
        appendLog(shuttingDown);
    startStep(shuttingDown);
    endRunAfter(delayMs, ending);
}

QMessageBox *MainWindow::createBox(const QString &title, const QString &text, QMessageBox::StandardButtons buttons,
                                   QMessageBox::Icon icon)
{
    return new QMessageBox(icon, title, text, buttons, this, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
}

int MainWindow::runBox(QMessageBox *box)
{
    moveMessage(box, 0, height() / 2);
    return box->exec();
}

void MainWindow::showInformation(const QString &title, const QString &text)
{
    runBox(createBox(title, text));
}

void MainWindow::chageLastLineTextBrowser(QString new_line)
{
    const QTextCursor saved = ui->text_browser->textCursor();
    ui->text_browser->moveCursor(QTextCursor::End);
    ui->text_browser->moveCursor(QTextCursor::StartOfLine);
    ui->text_browser->moveCursor(QTextCursor::End, QTextCursor::KeepAnchor);
    QTextCursor selection = ui->text_browser->textCursor();
    selection.removeSelectedText();
    selection.deletePreviousChar();
    ui->text_browser->setTextCursor(saved);
    ui->text_browser->append(new_line);
}

void MainWindow::moveMessage(QMessageBox *message, int offset_x, int offset_y)
{
    message->show();
    message->move(message->pos() + QPoint(offset_x, offset_y));
}

void MainWindow::delay(int ms)
{
    if (ms <= 0)
        return;
    waitWhileProcessingEvents(ms, nullptr);
}

void MainWindow::uncrownError()
{
    const QString text = tr("В процессе выполнения возникла ошибка. Пожалуйста, переустановите приложение.");
    appendLog(text);
    showInformation(tr("Подключение устройства"), text);
}

void MainWindow::iOError()
{
    const QString text = tr("В процессе выполнения возникла ошибка. Пожалуйста, перезапустите программу.");
    appendLog(text);
    showInformation(tr("Подключение устройства"), text);
}
