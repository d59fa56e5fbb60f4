#pragma once

#include <QString>

// The folder the carried driver package is unpacked into lives in the system's temporary directory, where anybody
// may have put something under its name first. These operations never follow a link standing there.
namespace packagefolder {

// Removes `path` and everything below it. A symbolic link or a junction, at `path` or anywhere below it, is removed
// itself; what it points to is left alone. True when nothing remains at `path`.
bool removeWithoutFollowingLinks(const QString &path);

// Clears `path` as above and creates it anew, so that everything in it afterwards was put there by this process.
// False when something stays in the way (an unremovable folder of another user, a file held open by an installer).
bool recreate(const QString &path);

} // namespace packagefolder
