#pragma once

#include "app/version.h"

#include <QString>
#include <QtGlobal>

enum class UpdateDecision {
    NotSuitable, // the image is not meant for this hardware or SKU
    DeviceNewer, // the device runs a later version than the image
    UpToDate,    // the device already runs the carried version
    Update,      // the device runs an older version: write the image
};

// The decision in the run history's words: "not-suitable", "device-newer", "up-to-date", "update".
QString decisionName(UpdateDecision decision);

// Hardware and SKU must match exactly (case-sensitive, whole strings); then the versions are compared as unsigned
// bytes, major first, with carriedImage's three numbers (app/version.h; the image's file name is not parsed).
UpdateDecision decideUpdate(const QString &hardware, const QString &sku, quint8 major, quint8 minor, quint8 build);
