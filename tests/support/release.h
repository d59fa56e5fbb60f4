#pragma once

// What this build carries, from the image in the resource collection and the release table: the page counts, the
// title, the versions and the request sequences the suites expect come from here, so that a new release passes them
// unchanged.

#include "app/version.h"

#include <QString>

namespace carried {
// Pages of the carried image, its last one filled up with 0xFF.
int pages();
// The carried image's version as the device reports it, "x.y.z"; the release, which is how the panel shows that
// version and how the window's title ends.
inline const QString version = QStringLiteral(KZ_IMAGE_VERSION);
inline const QString release = QStringLiteral(KZ_CLIENT_VERSION);
// The build of the release before, which the simulated device runs unless told otherwise, as it reports it and as
// the panel shows it.
inline const QString previousVersion =
    QStringLiteral("%1.%2.%3").arg(::previousRelease.major).arg(::previousRelease.minor).arg(::previousRelease.build);
inline const QString previousRelease = QString::fromLatin1(::previousRelease.release);
} // namespace carried
