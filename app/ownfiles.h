#pragma once

// The files the client writes beside the user's own (the run history, its traces, the request to show the running
// window) are written only where they are the client's own: never through a link someone put in their place, never
// into a device or a pipe.

#include <QFile>
#include <QString>

class QFileInfo;

namespace ownfiles {

// A link of any kind: a symbolic link, or on Windows a junction, the folder link any user may make without
// privileges, which QFileInfo does not count as a symbolic link.
bool isLink(const QFileInfo &info);

// What lies at `path`, without following a link: nothing, a regular file, a folder, or anything else (a link too).
enum class Entry { Absent, RegularFile, Folder, Other };
Entry entryAt(const QString &path);

// Opens `file` only where it is a regular file, or, for writing, absent and made now. The file opened is the one
// checked: on Unix it is opened without following a link (O_NOFOLLOW) and checked by its descriptor; on Windows it is
// opened as itself where it is a reparse point (a link, a junction) and refused by its handle's attributes.
bool openRegular(QFile &file, QIODevice::OpenMode mode);

} // namespace ownfiles
