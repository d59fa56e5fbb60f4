#include "release.h"

#include "app/constants.h"
#include "app/version.h"
#include "device/firmwareimage.h"

namespace {
QString dotted(const ReleasedBuild &b)
{
    return QStringLiteral("%1.%2.%3").arg(b.major).arg(b.minor).arg(b.build);
}
} // namespace

namespace carried {

int pages()
{
    static const int count = int(firmwareimage::pageCount(readFirmwareResource().size()));
    return count;
}

QString version()
{
    return QStringLiteral(KZ_IMAGE_VERSION);
}

QString release()
{
    return QStringLiteral(KZ_CLIENT_VERSION);
}

QString previousVersion()
{
    return dotted(::previousRelease);
}

QString previousRelease()
{
    return QString::fromLatin1(::previousRelease.release);
}

} // namespace carried
