#pragma once

#include "device/protocol.h"
#include "device/updatedecision.h"

#include <QFile>
#include <QMainWindow>
#include <QMessageBox>
#include <QSize>
#include <QString>

#include <memory>
#include <optional>

class QStandardItemModel;
class SystemAccess;
class qorvserial;
class Ui_MainWindow;

// The client's only window. It owns the step table, the hidden log, the progress bar, the serial worker and the
// firmware image, and it carries the whole update workflow as a chain of slots started by single-shot timers.
// The device steps live in device/, the driver steps in driver/.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    MainWindow(QWidget *parent, QSize size);
    ~MainWindow() override;

    // Workflow operations that are not slots.
    int searchDevice();
    bool flashFirmware();
    void delay(int ms);

    // Device requests (true on success for readBlock; CommandResult for the page and finish requests).
    bool readBlock(quint8 code, quint32 address, quint16 length, quint8 *destination);
    int writePage(quint32 address, const char *page);
    int finishImage(quint16 crc, quint32 endAddress);
    bool identify();
    bool setUpdateMode(bool enter);
    // Sends one request and waits for its reply: CommandResult::Ok, SendFailed or NoReply.
    int exchange(const QByteArray &request, QByteArray &reply);

    // What the device reported, and the link to it.
    const DeviceInfo &info() const { return deviceInfo; }
    qorvserial *serialWorker() const { return worker; }

    // Replaces what the driver steps ask of the operating system (the platform's own by default).
    void setSystemAccess(std::unique_ptr<SystemAccess> access);

    // The image written to the device; the carried one unless replaced (bench work, tests).
    void setFirmwareFileName(const QString &fileName);

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
    // Shared step-table conventions.
    void setStepText(int row, const QString &text);
    void setStepResult(int row, const QString &text, bool success);
    void setSpannedLine(int row, const QString &text);
    void setStepIcon(int row, bool success);
    // Every box of the client: parented to the window, a fixed-size dialog. Heap boxes stay children of the window.
    QMessageBox *createBox(const QString &title, const QString &text,
                           QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                           QMessageBox::Icon icon = QMessageBox::Information);
    // Places a box over the lower half of the window and runs it modally; returns the button that closed it.
    int runBox(QMessageBox *box);
    void showInformation(const QString &title, const QString &text);
    // Unpacks the carried driver package into a directory made anew; false unless this run wrote every file.
    bool unpackDriverPackage(const QString &directory);

    Ui_MainWindow *ui;
    QStandardItemModel *stepModel;
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
};
