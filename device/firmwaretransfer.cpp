// Writing the carried image into the device: update mode, the image checksum, the pages, the finish request.

#include "ui/mainwindow.h"
#include "ui_mainwindow.h"

#include "device/firmwareimage.h"
#include "serial/qorvserial.h"

#include <algorithm>

namespace {
constexpr int updateModePollIntervalMs = 500;
constexpr int updateModeWaits = 5; // four status polls, and a fifth wait before giving up
constexpr int retryDelayMs = 100;
} // namespace

bool MainWindow::flashFirmware()
{
    if (!readBlock(DeviceCommand::ReadBlock, 0, protocol::statusReplyLength, deviceInfo.statusBlock)) {
        iOError();
        return false;
    }
    if (deviceInfo.statusBlock[0] == protocol::runModeApplication) {
        if (!setUpdateMode(true)) {
            iOError();
            return false;
        }
        // The device restarts into its boot loader and does not answer until it is there.
        bool answered = false;
        for (int wait = 1; wait <= updateModeWaits; ++wait) {
            delay(updateModePollIntervalMs);
            // An unplugged device will not come back within the polls; the failure is reported at once.
            if (wait == updateModeWaits || worker->isLinkLost())
                break;
            if (readBlock(DeviceCommand::ReadBlock, 0, protocol::statusReplyLength, deviceInfo.statusBlock)) {
                answered = true;
                break;
            }
        }
        if (!answered || deviceInfo.statusBlock[0] == protocol::runModeApplication) {
            iOError();
            return false;
        }
    }

    if (!firmwareFile.open(QIODevice::ReadOnly)) {
        iOError();
        return false;
    }
    // Sizes stay in 64 bits: an image of 2 GiB or more must neither wrap an int nor reach an allocation.
    const qint64 size = firmwareFile.size();
    quint16 imageCrc = 0;
    // The finish request carries the checksum of the whole image, so it is read once in full before the first page.
    if (!firmwareimage::isWritableSize(size) || !firmwareimage::paddedImageCrc(firmwareFile, size, &imageCrc) ||
        !firmwareFile.seek(0)) {
        firmwareFile.close();
        uncrownError();
        return false;
    }
    const qint64 pages = firmwareimage::pageCount(size);
    ui->progressBar->reset();
    ui->progressBar->setRange(0, static_cast<int>(pages - 1));

    const quint32 end = firmwareimage::endAddress(pages);
    qint64 remaining = size;
    char page[firmwareimage::pageSize];
    for (quint32 address = firmwareimage::firstPageAddress, k = 0; address != end;
         address += firmwareimage::pageSize, ++k) {
        const qint64 wanted = remaining > firmwareimage::pageSize - 1 ? firmwareimage::pageSize : remaining;
        if (firmwareFile.read(page, wanted) != wanted) {
            firmwareFile.close();
            iOError();
            return false;
        }
        std::fill(page + wanted, page + firmwareimage::pageSize, firmwareimage::fillByte);
        if (writePage(address, page) != CommandResult::Ok) {
            delay(retryDelayMs);
            if (writePage(address, page) != CommandResult::Ok) {
                firmwareFile.close();
                iOError();
                return false;
            }
        }
        ui->progressBar->setValue(static_cast<int>(k));
        remaining -= firmwareimage::pageSize;
    }
    firmwareFile.close();

    if (finishImage(imageCrc, end) != CommandResult::Ok) {
        delay(retryDelayMs);
        if (finishImage(imageCrc, end) != CommandResult::Ok) {
            iOError();
            return false;
        }
    }
    setUpdateMode(false);
    return true;
}
