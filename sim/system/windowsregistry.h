#pragma once

// The Windows machine as the Windows suites make it: the installed driver and the plugged-in bridge planted in its
// registry (and the driver's file) through the Win32 API, not the client's reader, and removed again.

#include <QDir>
#include <QFile>
#include <QString>

#include <string>
#include <windows.h>

namespace registry {

// The driver's entry in the PnP lockdown list, as Windows keeps it once the CP210x driver is installed.
const wchar_t *const lockdownKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Setup\\PnpLockdownFiles";
const std::wstring driverEntryKey = std::wstring(lockdownKey) + L"\\%SystemRoot%/system32/DRIVERS/silabser.sys";
// The "Source" value Windows records for the installed driver, and where it points on the system drive.
const QString driverSource = QStringLiteral("%SystemRoot%\\System32\\drivers\\silabser.sys");
const QString driverFile = QDir::rootPath() + QStringLiteral("Windows/System32/drivers/silabser.sys");

inline bool keyExists(const std::wstring &key)
{
    HKEY handle = nullptr;
    const bool exists = RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &handle) == ERROR_SUCCESS;
    if (exists)
        RegCloseKey(handle);
    return exists;
}

// Creates the key below HKLM (and its parents) and gives it the text value `name`.
inline bool setText(const std::wstring &key, const wchar_t *name, const QString &text)
{
    HKEY handle = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &handle, nullptr))
        return false;
    const std::wstring value = text.toStdWString();
    const LONG result = RegSetValueExW(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(value.c_str()),
                                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(handle);
    return result == ERROR_SUCCESS;
}

inline void removeTree(const std::wstring &key)
{
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, key.c_str());
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, key.c_str());
}

// The driver as installed: its lockdown entry and the file the entry names.
inline bool plantDriver()
{
    QFile file(driverFile);
    return setText(driverEntryKey, L"Source", driverSource) && file.open(QIODevice::WriteOnly);
}

inline void removeDriver()
{
    removeTree(lockdownKey);
    QFile::remove(driverFile);
}

// The bridge as Windows lists it once plugged in: a present USB device of the Ports class with its COM port.
const std::wstring bridgeKey = L"SYSTEM\\CurrentControlSet\\Enum\\USB\\VID_10C4&PID_EA60\\0001";
const std::wstring serialCommKey = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";

inline bool plugBridge(const QString &port)
{
    const QString portsClass = QStringLiteral("{4d36e978-e325-11ce-bfc1-08002be10318}");
    return setText(bridgeKey, L"ClassGUID", portsClass) &&
           setText(bridgeKey + L"\\Device Parameters", L"PortName", port) &&
           setText(serialCommKey, L"\\Device\\Silabser0", port);
}

inline void unplugBridge()
{
    removeTree(L"SYSTEM\\CurrentControlSet\\Enum\\USB\\VID_10C4&PID_EA60");
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, serialCommKey.c_str(), L"\\Device\\Silabser0");
}

} // namespace registry
