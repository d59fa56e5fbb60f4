#pragma once

// The files the client writes beside the user's own (the run history, its traces, the request to show the running
// window) are written only where they are the client's own: never through a link someone put in their place, never
// into a device or a pipe.

#include <QFile>
#include <QString>

namespace ownfiles {

// What lies at `path`, without following a link: nothing, a regular file, a folder, or anything else (a link too).
enum class Entry { Absent, RegularFile, Folder, Other };
Entry entryAt(const QString &path);

// Opens `file` only where it is a regular file, or, for writing, absent and made now. Where the system can say so as
// it opens (O_NOFOLLOW), nothing can be slipped in between the look and the open.
bool openRegular(QFile &file, QIODevice::OpenMode mode);

} // namespace ownfiles
