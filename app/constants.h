#pragma once

#include <QByteArray>
#include <QString>

// The device this client is made for and the firmware it carries.
extern const QString firmwareFileName;
// Where the client carries its image: the resource under firmwareFileName.
QString firmwareResource();
// The carried image whole, or nothing where it cannot be read. The client itself reads it page by page; this is for
// the programs that measure a transfer of it or check what the device holds afterwards.
QByteArray readFirmwareResource();
extern const QString deviceName;
extern const QString appTitle;
extern const QString deviceType;
extern const QString deviceSku;
