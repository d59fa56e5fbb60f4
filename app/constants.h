#pragma once

#include <QString>

// The device this client is made for and the firmware it carries.
extern const QString firmwareFileName;
// Where the client carries its image: the resource under firmwareFileName.
QString firmwareResource();
extern const QString deviceName;
extern const QString appTitle;
extern const QString deviceType;
extern const QString deviceSku;
