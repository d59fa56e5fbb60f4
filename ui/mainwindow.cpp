#include "ui/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/constants.h"
#include "driver/systemaccess.h"
#include "serial/eventwait.h"
#include "serial/qorvserial.h"

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
    setStepText(stepRow, currentStepText);

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

void MainWindow::setStepText(int row, const QString &text)
{
    stepModel->setItem(row, 1, new QStandardItem(text));
}

void MainWindow::setStepIcon(int row, bool success)
{
    if (QStandardItem *item = stepModel->item(row, 1))
        item->setData(QIcon(success ? okIcon : failIcon), Qt::DecorationRole);
}

void MainWindow::setStepResult(int row, const QString &text, bool success)
{
    stepModel->setItem(row, 2, new QStandardItem(text));
    setStepIcon(row, success);
}

void MainWindow::setSpannedLine(int row, const QString &text)
{
    setStepText(row, text);
    ui->tableView->setSpan(row, 1, 1, 2);
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
    ui->text_browser->append(text);
    showInformation(tr("Подключение устройства"), text);
}

void MainWindow::iOError()
{
    const QString text = tr("В процессе выполнения возникла ошибка. Пожалуйста, перезапустите программу.");
    ui->text_browser->append(text);
    showInformation(tr("Подключение устройства"), text);
}
