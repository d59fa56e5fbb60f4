#include "app/constants.h"

// Defined in one translation unit so that appTitle is built after deviceName.
const QString firmwareFileName = QStringLiteral("DUV_KTL407_0.1.158.bin");
const QString deviceName = QStringLiteral("Kivra Zid");
const QString appTitle = QStringLiteral("ORVAN %1 update client v 1.0.26").arg(deviceName);
const QString deviceType = QStringLiteral("KTL407.001");
const QString deviceSku = QStringLiteral("60318");
