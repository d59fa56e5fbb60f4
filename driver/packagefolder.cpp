#include "driver/packagefolder.h"

#include "app/ownfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace packagefolder {

using ownfiles::isLink;

bool removeWithoutFollowingLinks(const QString &path)
{
    const QFileInfo info(path);
    if (isLink(info)) {
        // A link to a directory is removed as a directory on Windows, as a file elsewhere.
        return QFile::remove(path) || QDir().rmdir(path);
    }
    if (!info.exists())
        return true;
    if (!info.isDir())
        return QFile::remove(path) || (QFile::setPermissions(path, QFile::WriteOwner) && QFile::remove(path));

    // Listing names only: QDir::removeRecursively() would descend into a linked directory and empty it.
    const QDir directory(path);
    const QStringList entries =
        directory.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    bool removed = true;
    for (const QString &entry : entries)
        removed = removeWithoutFollowingLinks(directory.filePath(entry)) && removed;
    return QDir().rmdir(path) && removed;
}

bool recreate(const QString &path)
{
    // mkdir() fails on an existing name, so a folder that could not be removed is never taken over.
    return removeWithoutFollowingLinks(path) && QDir().mkdir(path);
}

} // namespace packagefolder
