#include "app/ownfiles.h"

#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace ownfiles {

Entry entryAt(const QString &path)
{
    const QFileInfo info(path);
    if (info.isSymLink())
        return Entry::Other;
    if (!info.exists())
        return Entry::Absent;
    return info.isFile() ? Entry::RegularFile : info.isDir() ? Entry::Folder : Entry::Other;
}

bool openRegular(QFile &file, QIODevice::OpenMode mode)
{
#ifdef Q_OS_UNIX
    const bool writing = mode & QIODevice::WriteOnly;
    const int flags = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC |
                      (writing ? O_RDWR | O_CREAT | ((mode & QIODevice::Append) ? O_APPEND : 0) : O_RDONLY);
    const int fd = ::open(QFile::encodeName(file.fileName()).constData(), flags, 0644);
    if (fd < 0)
        return false;
    struct stat status;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return false;
    }
    return file.open(fd, mode, QFileDevice::AutoCloseHandle);
#else
    const Entry entry = entryAt(file.fileName());
    return (entry == Entry::RegularFile || (entry == Entry::Absent && (mode & QIODevice::WriteOnly))) &&
           file.open(mode);
#endif
}

} // namespace ownfiles
