// Writing the carried image into the device: update mode, the image checksum, the pages, the finish request.

#include "ui/mainwindow.h"

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
    recorder->stepBegins(RunStage::UpdateMode);
    if (!enterUpdateMode()) {
        iOError();
        return false;
    }
    recorder->stepBegins(RunStage::Image);
    if (!firmwareFile.open(QIODevice::ReadOnly)) {
        iOError();
        return false;
    }
    qint64 size = 0;
    quint16 imageCrc = 0;
    if (!sumImage(&size, &imageCrc)) {
        firmwareFile.close();
        uncrownError();
        return false;
    }
    const bool written = writePages(size);
    firmwareFile.close();
    recorder->transferEnded();
    const quint32 end = firmwareimage::endAddress(firmwareimage::pageCount(size));
    if (written)
        recorder->stepBegins(RunStage::Finish);
    if (!written || !acceptedWithOneRetry([&] { return finishImage(imageCrc, end); })) {
        iOError();
        return false;
    }
    setUpdateMode(false);
    return true;
}

bool MainWindow::enterUpdateMode()
{
    if (!readBlock(DeviceCommand::ReadBlock, 0, protocol::statusReplyLength, deviceInfo.statusBlock))
        return false;
    if (deviceInfo.statusBlock[0] != protocol::runModeApplication)
        return true;
    if (!setUpdateMode(true))
        return false;
    // The device restarts into its boot loader and does not answer until it is there.
    for (int wait = 1; wait <= updateModeWaits; ++wait) {
        delay(updateModePollIntervalMs);
        // An unplugged device will not come back within the polls; the failure is reported at once.
        if (wait == updateModeWaits || worker->isLinkLost())
            return false;
        if (readBlock(DeviceCommand::ReadBlock, 0, protocol::statusReplyLength, deviceInfo.statusBlock))
            return deviceInfo.statusBlock[0] != protocol::runModeApplication;
    }
    return false;
}

// The finish request carries the checksum of the whole image, so it is read once in full before the first page.
// Sizes stay in 64 bits: an image of 2 GiB or more must neither wrap an int nor reach an allocation.
bool MainWindow::sumImage(qint64 *size, quint16 *crc)
{
    *size = firmwareFile.size();
    return firmwareimage::isWritableSize(*size) && firmwareimage::paddedImageCrc(firmwareFile, *size, crc) &&
           firmwareFile.seek(0);
}

bool MainWindow::writePages(qint64 size)
{
    const qint64 pages = firmwareimage::pageCount(size);
    recorder->transferBegins(static_cast<int>(pages));
    startProgress(static_cast<int>(pages - 1));
    qint64 remaining = size;
    char page[firmwareimage::pageSize];
    for (qint64 k = 0; k < pages; ++k) {
        const qint64 wanted = std::min<qint64>(remaining, firmwareimage::pageSize);
        if (firmwareFile.read(page, wanted) != wanted)
            return false;
        std::fill(page + wanted, page + firmwareimage::pageSize, firmwareimage::fillByte);
        const quint32 address = firmwareimage::pageAddress(k);
        if (!acceptedWithOneRetry([&] { return writePage(address, page); }))
            return false;
        recorder->pagesWritten(static_cast<int>(k + 1));
        setProgress(static_cast<int>(k));
        remaining -= firmwareimage::pageSize;
    }
    return true;
}

bool MainWindow::acceptedWithOneRetry(const std::function<CommandResult()> &request)
{
    if (request() == CommandResult::Ok)
        return true;
    delay(retryDelayMs);
    return request() == CommandResult::Ok;
}
