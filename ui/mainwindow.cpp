#include "ui/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/constants.h"
#include "driver/systemaccess.h"
#include "serial/eventwait.h"
#include "serial/qorvserial.h"
#include "serial/serialtrace.h"
#include "ui/closeguard.h"
#include "ui/formdevice.h"
#include "ui/steptable.h"
#include "ui/steptexts.h"
#include "ui/windowfit.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QCoreApplication>
#include <QHeaderView>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QScreen>
#include <QStandardItemModel>
#include <QStyle>
#include <QTextCursor>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace {
constexpr int driverCheckDelayMs = 1500;
} // namespace

MainWindow::MainWindow(QWidget *parent, QSize size)
    : QMainWindow(parent), ui(new Ui_MainWindow), worker(nullptr), systemAccess(createSystemAccess())
{
    ui->setupUi(this);
    stepModel = new QStandardItemModel(0, 3, this);
    ui->tableView->setModel(stepModel);
    stepTable = new StepTable(ui->tableView, stepModel, this);
    fitToScreen(size);

    QTimer::singleShot(driverCheckDelayMs, this, &MainWindow::checkDriver);
    // The system places the window when it is shown; one grown close to the available area can then reach past it,
    // so once shown it is moved in where it does.
    QTimer::singleShot(0, this, [this] {
        if (const QScreen *where = screen()) {
            const QRect frame = frameGeometry();
            move(keptWithin(where->availableGeometry(), frame.size(), frame.topLeft()));
        }
    });

    currentStepText = stepText(StepText::SearchingDriver);
    ui->text_browser->append(currentStepText);
    ui->text_browser->hide();
    startStep(currentStepText);

    worker = new qorvserial;
    firmwareFile.setFileName(firmwareResource());
    recorder = std::make_unique<RunRecorder>(worker->serialTrace(), RunHistory::defaultFolder());
    ui->progressBar->hide();
    setWindowTitle(appTitle);
    progressUpdate.setSingleShot(true);
    progressUpdate.setInterval(0);
    connect(&progressUpdate, &QTimer::timeout, this, [this] { ui->progressBar->setValue(shownPage); });
    closeGuard = new CloseGuard(
        this, [this] { acknowledgeHeldClose(); }, [this] { abandonRun(); }, [this] { resumeRun(); });
}

void MainWindow::fitToScreen(QSize size)
{
    // The size given is where the window starts from: it grows where that would cut a text or the device panel.
    const StepTableNeeds needs = measureStepTable();
    const WindowFit fit = fitWindow(size, availableArea(), needs, chrome());
    setFixedSize(fit.window);
    ui->tableView->verticalHeader()->setDefaultSectionSize(needs.rowHeight);
    ui->tableView->verticalHeader()->hide();
    ui->tableView->setGridStyle(Qt::NoPen);
    ui->tableView->horizontalHeader()->setStretchLastSection(true);
    // The margin column is narrower than some styles' minimum section size.
    ui->tableView->horizontalHeader()->setMinimumSectionSize(0);
    ui->tableView->setColumnWidth(0, fit.marginColumn);
    ui->tableView->setColumnWidth(1, fit.stepColumn);
}

// The worker is deliberately not deleted: it lives for the whole process, like the window that owns the run.
MainWindow::~MainWindow()
{
    recorder->runEnded();
    delete ui;
}

StepTableNeeds MainWindow::measureStepTable()
{
    StepTableNeeds needs = stepTable->measureTexts();
    // The widest panel a device of this kind fills: its own type and catalogue number, the longest version. It sits
    // where the panels will, in the table, so that it takes on the fonts they are painted with.
    FormDevice probe(ui->tableView->viewport(), deviceType, deviceSku, 255, 255, 255);
    probe.ensurePolished();
    const QSize panel = probe.minimumSizeHint();
    needs.panelWidth = panel.width();
    needs.panelHeight = panel.height();
    return needs;
}

WindowChrome MainWindow::chrome() const
{
    const QMargins margins = ui->verticalLayout->contentsMargins();
    const int frame = 2 * ui->tableView->frameWidth();
    // A run's rows outgrow the table, so its vertical scroll bar is counted in.
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, ui->tableView);
    return {margins.left() + margins.right() + frame + scrollBar,
            ui->menuBar->sizeHint().height() + margins.top() + margins.bottom() + frame +
                ui->verticalLayout->spacing() + ui->progressBar->sizeHint().height()};
}

QSize MainWindow::availableArea() const
{
    const QScreen *where = screen();
    if (where == nullptr)
        return QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    // The window's title bar is drawn by the system, above the size the window is given.
    return where->availableSize() - QSize(0, style()->pixelMetric(QStyle::PM_TitleBarHeight));
}

void MainWindow::setSystemAccess(std::unique_ptr<SystemAccess> access)
{
    systemAccess = std::move(access);
}

void MainWindow::setFirmwareFileName(const QString &fileName)
{
    firmwareFile.setFileName(fileName);
}

void MainWindow::setHistoryFolder(const QString &folder)
{
    recorder->setHistoryFolder(folder);
}

void MainWindow::appendLog(const QString &line)
{
    ui->text_browser->append(line);
}

void MainWindow::startStep(const QString &text)
{
    stepTable->setStep(stepRow, text);
}

void MainWindow::showStepState(const QString &text)
{
    stepTable->setResult(stepRow, text);
}

void MainWindow::finishStep(const QString &text, bool success)
{
    showStepState(text);
    stepTable->markOutcome(stepRow, success);
    stepRow += 1;
}

void MainWindow::addReportLine(const QString &text)
{
    appendLog(text);
    stepTable->setLine(stepRow, text);
    stepRow += 1;
}

void MainWindow::showDevicePanel()
{
    auto *panel = new FormDevice(this, deviceInfo.hardware, deviceInfo.sku, deviceInfo.fwMajor, deviceInfo.fwMinor,
                                 deviceInfo.fwBuild);
    stepTable->setPanel(stepRow, panel);
    stepRow += 2;
}

void MainWindow::startProgress(int lastPage)
{
    progressUpdate.stop();
    ui->progressBar->reset();
    ui->progressBar->setRange(0, lastPage);
}

void MainWindow::setProgress(int page)
{
    // The bar paints at once whenever its text changes, which here would be between a page's reply and the next
    // page's request, while the line stands idle. The new value goes to the bar from the event loop's next turn
    // instead, which comes while the next request is on the line; the last page's value is set at once.
    shownPage = page;
    if (page == ui->progressBar->maximum())
        ui->progressBar->setValue(page);
    else if (!progressUpdate.isActive())
        progressUpdate.start();
}

bool MainWindow::showForSecondStart()
{
    if (runEnding)
        return false;
    showNormal();
    raise();
    activateWindow();
    QApplication::alert(this);
    return true;
}

void MainWindow::endRunAfter(int delayMs, Ending ending)
{
    runEnding = true;
    QTimer::singleShot(delayMs, this, [this, ending] {
        // An end that came first and waits for a screen reader is the run's end.
        if (!endWaitsForSpeech)
            endRun(ending);
    });
}

void MainWindow::endRun(Ending ending)
{
    runEnding = true;
    // The last texts of a run come just before its end, and a screen reader stops speaking as the window goes: with
    // one listening, the window stays until it may have said them.
    const qint64 saying = QAccessible::isActive() ? stepTable->msUntilSaid() : 0;
    endWaitsForSpeech = saying > 0;
    if (endWaitsForSpeech) {
        QTimer::singleShot(int(saying), Qt::PreciseTimer, this, [this, ending] { endRun(ending); });
        return;
    }
    if (ending == Ending::Close)
        closeByItself();
    else
        QCoreApplication::quit();
}

void MainWindow::closeByItself()
{
    runEnding = true;
    closingByItself = true;
    close();
}

void MainWindow::abandonRun()
{
    recorder->windowClosed(!closingByItself);
    runAbandoned = true;
    runEnding = true;
    worker->disconnectPort();
    systemAccess->setCancelled(true);
}

void MainWindow::resumeRun()
{
    runAbandoned = false;
    closingByItself = false;
    recorder->windowShownAgain();
    runEnding = false;
    systemAccess->setCancelled(false);
}

void MainWindow::acknowledgeHeldClose()
{
    addReportLine(stepText(StepText::CloseHeld));
}

void MainWindow::shutDown(ClosingLine line, int delayMs, Ending ending)
{
    const QString shuttingDown = stepText(StepText::ShuttingDown);
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
    auto *box = new QMessageBox(icon, title, text, buttons, this, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    // The texts tell the user to click "OK" in every language, so the button reads so in every language, whatever the
    // toolkit's own catalogue calls it (Spanish: "Aceptar"). Every other button keeps the toolkit's word.
    if (QAbstractButton *ok = box->button(QMessageBox::Ok))
        ok->setText(QStringLiteral("OK"));
    return box;
}

namespace {
// Texts read one after the other, each ended as a sentence where it does not end in a mark of its own, so that a
// screen reader pauses between them.
QString asSentences(const QStringList &texts)
{
    QStringList sentences;
    for (const QString &text : texts)
        sentences << (text.isEmpty() || text.back().isPunct() ? text : text + QLatin1Char('.'));
    return sentences.join(QLatin1Char(' '));
}
} // namespace

int MainWindow::runBox(QMessageBox *box)
{
    // After the window has gone nothing more is shown; the answer is the one that asks for nothing more.
    if (runAbandoned)
        return QMessageBox::Cancel;
    // The box takes the focus, and a screen reader cuts off what it was saying of the step table as it does: the
    // box's name carries what the table gained that the screen reader may not have said yet, after the box's title,
    // so that the user hears why the box is there before its question. The title on screen stays.
    QStringList carried{box->windowTitle()};
    carried << stepTable->takeTextsStillBeingSaid();
    if (carried.size() > 1)
        box->setAccessibleName(asSentences(carried));
    moveMessage(box, 0, height() / 2);
    const int answer = box->exec();
    // The window takes the keyboard focus back from the box at once, not when the system gets round to it: the step
    // that follows writes into the step table straight away, and a screen reader hears the table through its focus.
    if (isVisible())
        QApplication::setActiveWindow(this);
    return answer;
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
    // Half the window's height down can take a box past the bottom of the screen, on a small or densely scaled one:
    // it is moved back by what its frame reaches past the available area. Just after its first showing the system
    // may not have told Qt the box's frame yet (seen under Wine with scaling), so the window's own frame, settled long
    // ago, stands in around the box where it reaches further; and the box is placed by its inside, which Qt knows.
    if (const QScreen *where = message->screen()) {
        const QRect inside = geometry();
        const QRect outside = frameGeometry();
        const QMargins windowFrame(
            std::max(0, inside.left() - outside.left()), std::max(0, inside.top() - outside.top()),
            std::max(0, outside.right() - inside.right()), std::max(0, outside.bottom() - inside.bottom()));
        const QRect box = message->geometry();
        const QRect frame = message->frameGeometry().united(box.marginsAdded(windowFrame));
        message->setGeometry(
            box.translated(keptWithin(where->availableGeometry(), frame.size(), frame.topLeft()) - frame.topLeft()));
    }
}

void MainWindow::delay(int ms)
{
    if (ms <= 0)
        return;
    waitWhileProcessingEvents(ms, [this] { return runAbandoned; });
}

void MainWindow::uncrownError()
{
    const QString text = tr("В процессе выполнения возникла ошибка. Пожалуйста, переустановите приложение.");
    recorder->failureShown(text, true);
    appendLog(text);
    showInformation(tr("Подключение устройства"), text);
}

void MainWindow::iOError()
{
    reportIOError(true);
}

void MainWindow::reportIOError(bool runEnds)
{
    const QString text = tr("В процессе выполнения возникла ошибка. Пожалуйста, перезапустите программу.");
    recorder->failureShown(text, runEnds);
    appendLog(text);
    showInformation(tr("Подключение устройства"), text);
}
