#pragma once

// The CP210x driver's PnP lockdown entry as the Windows suites plant and remove it, through the Win32 registry API
// rather than the client's own QSettings reader, so that the reader is checked against the real thing.

#include <QDir>
#include <QString>

#include <string>

#include <windows.h>

namespace lockdown {

inline const wchar_t *parentKey()
{
    return L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Setup\\PnpLockdownFiles";
}

inline std::wstring entryKey()
{
    return std::wstring(parentKey()) + L"\\%SystemRoot%/system32/DRIVERS/silabser.sys";
}

inline bool keyExists(const std::wstring &key)
{
    HKEY handle = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return false;
    RegCloseKey(handle);
    return true;
}

inline bool parentExists()
{
    return keyExists(parentKey());
}

inline bool entryExists()
{
    return keyExists(entryKey());
}

// Creates the entry (and its parent) with the given "Source" value.
inline bool plant(const QString &source)
{
    HKEY handle = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, entryKey().c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &handle, nullptr) !=
        ERROR_SUCCESS)
        return false;
    const std::wstring value = source.toStdWString();
    const LONG result = RegSetValueExW(handle, L"Source", 0, REG_SZ, reinterpret_cast<const BYTE *>(value.c_str()),
                                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(handle);
    return result == ERROR_SUCCESS;
}

inline void removeEntry()
{
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, entryKey().c_str());
}

// The "Source" value Windows records for the installed driver.
inline QString driverSource()
{
    return QStringLiteral("%SystemRoot%\\System32\\drivers\\silabser.sys");
}

// Where that "Source" points on the system drive.
inline QString driverFile()
{
    return QDir::rootPath() + QStringLiteral("Windows/System32/drivers/silabser.sys");
}

inline void removeParent()
{
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, parentKey());
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, parentKey());
}

} // namespace lockdown
