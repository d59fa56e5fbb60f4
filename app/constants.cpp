#include "app/constants.h"
#include "app/version.h"

#include <QFile>

// Defined in one translation unit so that appTitle is built after deviceName.
const QString firmwareFileName = QStringLiteral("DUV_KTL407_" KZ_IMAGE_VERSION ".bin");
const QString deviceName = QStringLiteral("Kivra Zid");
const QString appTitle = QStringLiteral("ORVAN %1 update client v " KZ_CLIENT_VERSION).arg(deviceName);
const QString deviceType = QStringLiteral("KTL407.001");
const QString deviceSku = QStringLiteral("60318");

QString firmwareResource()
{
    return QStringLiteral(":/deviceFW/deviceFW/") + firmwareFileName;
}

QByteArray readFirmwareResource()
{
    QFile file(firmwareResource());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
