#include "app/constants.h"
#include "app/product.h"
#include "app/version.h"

#include <QFile>

const QString firmwareFileName = QStringLiteral(KZ_IMAGE_FILE);
const QString deviceName = QStringLiteral(KZ_DEVICE_NAME);
const QString appTitle = QStringLiteral(KZ_APP_TITLE);
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
