#pragma once

#include "device/protocol.h"
#include "device/updatedecision.h"
#include "history/runrecorder.h"

#include <QFile>
#include <QMainWindow>
#include <QMessageBox>
#include <QSize>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

class CloseGuard;
class QStandardItemModel;
struct StepTableNeeds;
struct WindowChrome;
class StepTable;
class SystemAccess;
class qorvserial;
class Ui_MainWindow;

// The client's only window. It owns the step table, the hidden log, the progress bar, the serial worker and the
// firmware image, and it carries the whole update workflow: slots started by single-shot timers, which call the next
// step directly where no wait is due (the prompt calls the search, the ready box the update, a failed search the
// prompt again), so that steps nest on the stack and the nested event loops of boxes and waits run beneath them.
// The device steps live in device/, the driver steps in driver/.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    MainWindow(QWidget *parent, QSize size);
    ~MainWindow() override;

    // Workflow operations that are not slots. searchDevice: 1 write the image, 0 ask to connect again, -1 the run is
    // ending; flashFirmware: true when the device took the whole image.
    int searchDevice();
    bool flashFirmware();
    void delay(int ms);

    // Device requests: readBlock, identify and setUpdateMode are true on success.
    bool readBlock(quint8 code, quint32 address, quint16 length, quint8 *destination);
    CommandResult writePage(quint32 address, const char *page);
    CommandResult finishImage(quint16 crc, quint32 endAddress);
    bool identify();
    bool setUpdateMode(bool enter);
    // Sends one request and waits for its reply: Ok, SendFailed or NoReply.
    CommandResult exchange(const QByteArray &request, QByteArray &reply);

    // What the device reported, and the link to it.
    const DeviceInfo &info() const { return deviceInfo; }
    qorvserial *serialWorker() const { return worker; }

    // Replaces what the driver steps ask of the operating system (the platform's own by default).
    void setSystemAccess(std::unique_ptr<SystemAccess> access);

    // The image written to the device; the carried one unless another file is named (a device on the bench, an image
    // under trial).
    void setFirmwareFileName(const QString &fileName);
    // Where the run's record goes (history/runhistory.h): the per-user application data folder unless another is named;
    // an empty name keeps none.
    void setHistoryFolder(const QString &folder);

    // For a second start of the program (app/singleinstance.h): the window raised and activated, or flashed where the
    // desktop keeps another in front, and true; false, with nothing shown, where the run is ending by itself, so that
    // the second start runs once this one has gone rather than be shown a window about to close.
    bool showForSecondStart();

private slots:
    void nextStep();
    bool checkDriver();
    void checkProcessState();
    void installDriver();
    // Ends the installation step and checks for the driver once more, 500 ms later.
    void checkDriverAgain();
    void chageLastLineTextBrowser(QString new_line);
    void moveMessage(QMessageBox *message, int offset_x = 0, int offset_y = 0);
    void askToConnect();
    void uncrownError();
    void iOError();
    // The second look at the device after a transfer it accepted: anything but the carried version is a failure.
    void checkUpdatedDevice();

private:
    // What the steps do to the window, so that device/ and driver/ never touch its widgets. The step table is written
    // at the running step's row (stepRow): a step begins with its text in column 1 and finishes with its result and
    // icon, after which the table moves to the next row.
    enum class Ending { Close, Quit };
    enum class ClosingLine { InCurrentRowAndLog, InNextRow };
    void appendLog(const QString &line);
    void startStep(const QString &text);
    // A result without an icon, for a step that is still running; the row stays.
    void showStepState(const QString &text);
    void finishStep(const QString &text, bool success);
    // A line logged and written across both text columns, in a row of its own.
    void addReportLine(const QString &text);
    // The device panel for what deviceInfo holds, and an empty row below it.
    void showDevicePanel();
    void startProgress(int lastPage);
    void setProgress(int page);
    void endRunAfter(int delayMs, Ending ending);
    // Ends the run now, or once a screen reader may have said the table's last texts.
    void endRun(Ending ending);
    // The run's own end, as against the user's close button.
    void closeByItself();
    // The window was closed outside the transfer: the run is given up at once. Every wait ends, no box shows, the
    // port is closed, and a driver probe still running is stopped; the steps on the stack return as they unwind.
    void abandonRun();
    // The window was shown again after a close: its run may go on.
    void resumeRun();
    // A close came while the image was being written: it is acknowledged, and the run ends after the outcome box.
    void acknowledgeHeldClose();
    // "Завершение работы..." where the step says, then the ending after the delay.
    void shutDown(ClosingLine line, int delayMs, Ending ending);

    // Every box of the client: parented to the window, a fixed-size dialog. Heap boxes stay children of the window.
    QMessageBox *createBox(const QString &title, const QString &text,
                           QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                           QMessageBox::Icon icon = QMessageBox::Information);
    // Places a box over the lower half of the window and runs it modally; returns the button that closed it.
    int runBox(QMessageBox *box);
    std::unique_ptr<QMessageBox> createUpdateBox(const QString &text);
    void showInformation(const QString &title, const QString &text);
    // iOError's report, of a failure the run ends with or one the user may go on from (`runEnds` false).
    void reportIOError(bool runEnds);
    // The steps of the search and of the transfer.
    bool openAndReadStatus();
    bool identifyDevice();
    void showFoundDevice();
    int reportDecision();
    // The search's decision, told to the record.
    void settleDecision(UpdateDecision decision);
    int endProgram();
    bool enterUpdateMode();
    bool sumImage(qint64 *size, quint16 *crc);
    bool writePages(qint64 size);
    // One request, and once more 100 ms later if the device did not accept it.
    bool acceptedWithOneRetry(const std::function<CommandResult()> &request);
    void runUpdate();
    // After the transfer and its outcome box: the second look at the device, then the run's timed end, or at once
    // after a close held during the transfer.
    void lookAgainAndEnd(bool updated);

    // The window's measure of itself for its size: what its texts and the device panel need, what lies around the
    // table, and the part of its screen it may cover.
    StepTableNeeds measureStepTable();
    // The window's fixed size and the table's columns, from the size asked for and what the texts need.
    void fitToScreen(QSize size);
    WindowChrome chrome() const;
    QSize availableArea() const;

    // Unpacks the carried driver package into a directory made anew; false unless this run wrote every file.
    bool unpackDriverPackage(const QString &directory);

    Ui_MainWindow *ui;
    QStandardItemModel *stepModel;
    bool endWaitsForSpeech = false; // the run has ended, and its window waits until its last texts were said
    StepTable *stepTable;
    int stepRow = 0;
    qorvserial *worker;
    DeviceInfo deviceInfo;
    QString currentStepText;
    QFile firmwareFile;
    int workflowState = 1;
    int attemptCounter = 0;
    // What the last search decided about the device it read; empty when it read none.
    std::optional<UpdateDecision> searchDecision;
    std::unique_ptr<SystemAccess> systemAccess;
    CloseGuard *closeGuard;
    bool runAbandoned = false;
    // The run's record for support, told what happens as the run goes.
    std::unique_ptr<RunRecorder> recorder;
    bool closingByItself = false;
    // The run ends by itself: its timed end is set, or nothing but the look after the update comes before it.
    bool runEnding = false;
    // The page the progress bar is to show, and the turn of the event loop that shows it.
    int shownPage = 0;
    QTimer progressUpdate;
};
