#pragma once

// What this build carries, from its image and release table, so that a new release passes the suites unchanged.

#include "app/constants.h"
#include "app/version.h"
#include "device/firmwareimage.h"

#include <QString>

namespace carried {
// Pages of the carried image, its last one filled up with 0xFF.
inline int pages()
{
    static const int count = int(firmwareimage::pageCount(readFirmwareResource().size()));
    return count;
}
// The carried image's version as the device reports it; the release, as the panel and the window's title name it.
inline const QString version = QStringLiteral(KZ_IMAGE_VERSION);
inline const QString release = QStringLiteral(KZ_CLIENT_VERSION);
// The build of the release before, which the simulated device runs by default, as reported and as shown.
inline const QString previousVersion =
    QStringLiteral("%1.%2.%3").arg(::previousRelease.major).arg(::previousRelease.minor).arg(::previousRelease.build);
inline const QString previousRelease = QString::fromLatin1(::previousRelease.release);
} // namespace carried
