#pragma once

#include "app/version.h"

#include <QString>
#include <QtGlobal>

// The image this client carries is compared by carriedImage's three numbers; its file name is not parsed.

enum class UpdateDecision {
    NotSuitable, // the image is not meant for this hardware or SKU
    DeviceNewer, // the device runs a later version than the image
    UpToDate,    // the device already runs the carried version
    Update,      // the device runs an older version: write the image
};

// Hardware and SKU must match exactly (case-sensitive, whole strings); then the versions are compared as unsigned
// bytes, major first.
UpdateDecision decideUpdate(const QString &hardware, const QString &sku, quint8 major, quint8 minor, quint8 build);
