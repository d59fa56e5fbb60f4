#pragma once

#include "app/version.h"

#include <QByteArray>
#include <QMap>
#include <QString>

// A firmware version as the status reply carries it.
struct SimulatorVersion
{
    quint8 major = 0;
    quint8 minor = 0;
    quint8 build = 0;

    QString toString() const;
    // "0.1.2" style text; false (and *version untouched) when it is not three numbers 0..255.
    static bool parse(const QString &text, SimulatorVersion *version);
};

// What the device is made to be; the defaults are a device on the release before the client's, which takes on the
// carried image's version once it has accepted an image.
struct DeviceSetup
{
    quint8 runMode = 1; // 1 = running its application, anything else = update mode
    SimulatorVersion version{previousRelease.major, previousRelease.minor, previousRelease.build};
    QByteArray sku = QByteArrayLiteral("60318");           // up to 32 bytes, any values; zero-padded on the line
    QByteArray hardware = QByteArrayLiteral("KTL407.001"); // likewise
    // Reported after an accepted finish and leaving update mode.
    SimulatorVersion versionAfterUpdate{carriedImage::major, carriedImage::minor, carriedImage::build};
    // Likewise, a device that restarts as another product (an image made for another SKU); empty: keeps its SKU.
    QByteArray skuAfterUpdate;
    int restartPolls = 0; // status requests left unanswered while the device restarts into update mode
};

// The last finish request the device judged.
struct FinishRecord
{
    bool received = false;
    quint32 endAddress = 0;
    quint16 crc = 0;
    bool accepted = false;
};

// The device itself: what it holds and how it answers each request, with no line and no clock, so that what it does
// is decided here alone. Request by request, each taken only at exactly its length and with every fixed field as
// the device reads it:
// - 0x08 (7 bytes, length 12, address 0): 12-byte status 0x41, run mode, 0, major, minor, build, six zeros; any
//   other status request goes unanswered.
// - 0x02 (1 byte): 0x82, SKU and hardware fields of 32 bytes each, zero-padded.
// - 0x03 (2 bytes, mode 0 or 1), never answered: 1 in application mode starts a restart into update mode (run mode
//   0) that swallows the next restartPolls requests, counting only status requests; 0 in update mode returns to the
//   application and, if a finish was accepted since entering update mode, takes on versionAfterUpdate and
//   skuAfterUpdate.
// - 0x09 (519 bytes, length 512): stored only in update mode at a 512-aligned address from 0x8000 below 1 MiB;
//   0x89 0x00, otherwise 0x89 0x01.
// - 0x1B (19 bytes, length 16, ten reserved bytes 0xFF): 0x9B 0x00 only in update mode and when the CRC-16/MODBUS
//   of the flash from 0x8000 up to the end address (0xFF where nothing was written) equals the sent CRC; otherwise
//   0x9B 0x01.
// - anything else: no answer.
class DeviceModel
{
public:
    explicit DeviceModel(const DeviceSetup &setup = DeviceSetup());

    // The answer's payload to one request, or nothing where the device stays silent. With `reject`, a page write or
    // finish is answered with status 1 and not carried out.
    QByteArray answer(const QByteArray &request, bool reject = false);
    // A restarting device hears nothing; answer() then only lets status requests run the restart out.
    bool isRestarting() const { return restartPollsLeft > 0; }

    quint8 runMode() const { return mode; }
    SimulatorVersion version() const { return currentVersion; }
    // Flash content; bytes never written read 0xFF.
    QByteArray flash(quint32 from, int size) const;
    // Page writes accepted since the count was last reset.
    int acceptedPageWrites() const { return pageWritesAccepted; }
    void resetPageWriteCount() { pageWritesAccepted = 0; }
    FinishRecord lastFinish() const { return finishRecord; }

    // The address field of a status read, page write or finish request; 0 for the others.
    static quint32 requestAddress(const QByteArray &request);

private:
    void setUpdateMode(bool enter);
    QByteArray answerWritePage(const QByteArray &request, bool reject);
    QByteArray answerFinish(const QByteArray &request, bool reject);

    DeviceSetup setup;
    quint8 mode = 1;
    SimulatorVersion currentVersion;
    QByteArray currentSku;
    int restartPollsLeft = 0;
    bool imageAccepted = false;
    QMap<quint32, QByteArray> storedPages;
    int pageWritesAccepted = 0;
    FinishRecord finishRecord;
};
