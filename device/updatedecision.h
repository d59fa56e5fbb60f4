#pragma once

#include <QString>
#include <QtGlobal>

// The version of the image this client carries (its file name says the same, but is not parsed).
namespace carriedImage {
constexpr quint8 major = 0;
constexpr quint8 minor = 1;
constexpr quint8 build = 158;
} // namespace carriedImage

enum class UpdateDecision {
    NotSuitable, // the image is not meant for this hardware or SKU
    DeviceNewer, // the device runs a later version than the image
    UpToDate,    // the device already runs the carried version
    Update,      // the device runs an older version: write the image
};

// Hardware and SKU must match exactly (case-sensitive, whole strings); then the versions are compared as unsigned
// bytes, major first.
UpdateDecision decideUpdate(const QString &hardware, const QString &sku, quint8 major, quint8 minor, quint8 build);
