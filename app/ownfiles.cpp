#include "app/ownfiles.h"

#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#ifdef Q_OS_WIN
#include <QDir>
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#endif

namespace ownfiles {

namespace {
#ifdef Q_OS_WIN
int openFileDescriptor(const QString &path, QIODevice::OpenMode mode)
{
    const bool writing = mode & QIODevice::WriteOnly;
    const HANDLE handle = CreateFileW(
        reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(path).utf16()),
        writing ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, writing ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return -1;
    BY_HANDLE_FILE_INFORMATION information;
    if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileInformationByHandle(handle, &information) ||
        (information.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY))) {
        CloseHandle(handle);
        return -1;
    }
    const int flags = (writing ? _O_RDWR : _O_RDONLY) | ((mode & QIODevice::Append) ? _O_APPEND : 0) | _O_BINARY;
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), flags);
    if (fd < 0)
        CloseHandle(handle);
    return fd;
}
#else
int openFileDescriptor(const QString &path, QIODevice::OpenMode mode)
{
    const bool writing = mode & QIODevice::WriteOnly;
    const int flags = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC |
                      (writing ? O_RDWR | O_CREAT | ((mode & QIODevice::Append) ? O_APPEND : 0) : O_RDONLY);
    const int fd = ::open(QFile::encodeName(path).constData(), flags, 0644);
    if (fd < 0)
        return -1;
    struct stat status;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}
#endif
} // namespace

bool isLink(const QFileInfo &info)
{
    return info.isSymLink() || info.isJunction();
}

Entry entryAt(const QString &path)
{
    const QFileInfo info(path);
    if (isLink(info))
        return Entry::Other;
    if (!info.exists())
        return Entry::Absent;
    return info.isFile() ? Entry::RegularFile : info.isDir() ? Entry::Folder : Entry::Other;
}

bool openRegular(QFile &file, QIODevice::OpenMode mode)
{
    const int fd = openFileDescriptor(file.fileName(), mode);
    if (fd < 0)
        return false;
    if (file.open(fd, mode, QFileDevice::AutoCloseHandle))
        return true;
#ifdef Q_OS_WIN
    ::_close(fd);
#else
    ::close(fd);
#endif
    return false;
}

} // namespace ownfiles
