#pragma once

// What this build carries, from the image in the resource collection and the release table: the page counts, the
// title, the versions and the request sequences the suites expect come from here, so that a new release passes them
// unchanged.

#include <QList>
#include <QString>

namespace carried {
// Pages of the carried image, its last one filled up with 0xFF.
int pages();
// The carried image's version as the device reports it, "x.y.z".
QString version();
// The release: how the panel shows the carried image, and the end of the window's title.
QString release();
// The build of the release before, which the simulated device runs unless told otherwise, as it reports it and as
// the panel shows it.
QString previousVersion();
QString previousRelease();
} // namespace carried
