// Writing the carried image into the device: update mode, the image checksum, the pages, the finish request.

#include "ui/mainwindow.h"
#include "ui_mainwindow.h"

#include "device/firmwareimage.h"

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
            if (wait == updateModeWaits)
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
    const qint64 size = firmwareFile.size();
    const qint64 pages = firmwareimage::pageCount(size);
    ui->progressBar->reset();
    ui->progressBar->setRange(0, static_cast<int>(pages - 1));

    // The finish request carries the checksum of the whole image, so it is read once in full before the first page.
    quint16 imageCrc = 0;
    {
        QByteArray whole(static_cast<int>(pages * firmwareimage::pageSize), firmwareimage::fillByte);
        if (firmwareFile.read(whole.data(), size) != size) {
            firmwareFile.close();
            uncrownError();
            return false;
        }
        imageCrc = firmwareimage::crc16Modbus(whole);
        firmwareFile.seek(0);
    }

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
