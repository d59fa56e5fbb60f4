#include "driver/windowssystem.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStringList>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

#include <algorithm>
#include <string>
#include <utility>

namespace {

QString lockdownParentKey()
{
    return QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Setup\\PnpLockdownFiles");
}

QString lockdownEntryName()
{
    return QStringLiteral("%SystemRoot%/system32/DRIVERS/silabser.sys");
}

// QSettings splits the names given to value() at "/" (and turns "\" into "/" on Windows), so no group path can name a
// registry key with slashes in it. The path given to the constructor is different: Qt hands everything after the hive
// to RegOpenKeyEx untouched, where only "\" separates keys, so opening the entry itself and reading "Source" from it
// reads exactly this key.
//
// Qt opens such a path for writing where the account may, and creates it when it is missing, the path's parents
// included. An elevated client would thus leave an empty entry (or a whole empty lockdown list) in Windows' registry,
// so the entry's existence is checked first with a read-only open, which creates nothing.
bool lockdownEntryExists()
{
#ifdef Q_OS_WIN
    // The key below HKEY_LOCAL_MACHINE: everything after the hive's name.
    const QString key = driverprobe::lockdownKey();
    const std::wstring path = key.mid(key.indexOf(QLatin1Char('\\')) + 1).toStdWString();
    HKEY handle = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return false;
    RegCloseKey(handle);
    return true;
#else
    // No registry here: QSettings keeps its native format in a file, where looking creates nothing. Qt lists
    // sub-keys with "/" and "\" swapped; isDriverLockdownEntry() accepts both forms.
    const QSettings parent(lockdownParentKey(), QSettings::NativeFormat);
    const QStringList entries = parent.childGroups();
    return std::any_of(entries.cbegin(), entries.cend(), driverprobe::isDriverLockdownEntry);
#endif
}

QString readLockdownSource()
{
    if (!lockdownEntryExists())
        return QString();
    const QSettings entry(driverprobe::lockdownKey(), QSettings::NativeFormat);
    return entry.value(QStringLiteral("Source"), QString()).toString();
}

} // namespace

namespace driverprobe {

QString lockdownKey()
{
    return lockdownParentKey() + QLatin1Char('\\') + lockdownEntryName();
}

QString drivePrefix(const QString &rootPath)
{
    const int slash = rootPath.indexOf(QLatin1Char('/'));
    return slash < 0 ? rootPath : rootPath.left(slash);
}

QString registryCandidate(const QString &prefix, const QString &source)
{
    return prefix + QStringLiteral("\\Windows") + source.mid(source.lastIndexOf(QLatin1Char('%')) + 1);
}

QString searchCommand(const QString &prefix)
{
    return QStringLiteral("where /r %1\\Windows silabser.sys").arg(prefix);
}

bool searchOutputHasDriver(const QByteArray &output)
{
    return commandText(output).contains(QStringLiteral("x64"), Qt::CaseSensitive);
}

bool isDriverLockdownEntry(const QString &keyName)
{
    QString name = keyName;
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return name.compare(lockdownEntryName(), Qt::CaseInsensitive) == 0;
}

} // namespace driverprobe

WindowsPrimitives WindowsPrimitives::real()
{
    WindowsPrimitives primitives;
    primitives.rootPath = [] { return QDir::rootPath(); };
    primitives.readRegistrySource = readLockdownSource;
    primitives.fileExists = [](const QString &path) { return QFile::exists(path); };
    primitives.runCommand = driverprobe::runCommandOutput;
    primitives.startDetached = driverprobe::startDetachedProgram;
    return primitives;
}

WindowsSystem::WindowsSystem(WindowsPrimitives primitives) : primitives(std::move(primitives)) {}

bool WindowsSystem::driverPresent()
{
    const QString prefix = driverprobe::drivePrefix(primitives.rootPath());
    // The registry names the installed file directly; only without it is the slow search over the whole Windows
    // directory worth running.
    const QString source = primitives.readRegistrySource();
    if (!source.isEmpty() && primitives.fileExists(driverprobe::registryCandidate(prefix, source)))
        return true;
    return driverprobe::searchOutputHasDriver(run(driverprobe::searchCommand(prefix)));
}

bool WindowsSystem::installerRunning()
{
    return driverprobe::processListHasInstaller(driverprobe::commandText(run(QStringLiteral("tasklist"))));
}

QByteArray WindowsSystem::run(const QString &commandLine)
{
    if (isCancelled())
        return QByteArray();
    return primitives.runCommand(commandLine, driverprobe::probeTimeLimitMs, [this] { return isCancelled(); });
}

bool WindowsSystem::startInstaller(const QString &program, const QString &workingDirectory)
{
    return primitives.startDetached(program, workingDirectory);
}
