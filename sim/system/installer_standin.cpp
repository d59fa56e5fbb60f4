// A stand-in for the vendor's driver installer, for the Windows suites. It writes what it was started with into the
// file named by KZ_STANDIN_RECORD (else "standin-record.txt" in its working directory): a line "ran", the working
// directory, the number of arguments, then one argument per line; all UTF-8. The record is written under another name
// and renamed, so a reader never sees half of it.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {
std::string utf8(const std::wstring &text)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? size - 1 : 0, '\0');
    if (size > 1)
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &out[0], size, nullptr, nullptr);
    return out;
}
} // namespace

int main()
{
    wchar_t directory[MAX_PATH + 1] = {};
    GetCurrentDirectoryW(MAX_PATH, directory);
    int argc = 0;
    wchar_t **argv = CommandLineToArgvW(GetCommandLineW(), &argc);

    wchar_t recordName[MAX_PATH + 1] = {};
    std::wstring record = GetEnvironmentVariableW(L"KZ_STANDIN_RECORD", recordName, MAX_PATH) > 0
                              ? std::wstring(recordName)
                              : std::wstring(directory) + L"\\standin-record.txt";
    const std::wstring partial = record + L".partial";
    FILE *out = _wfopen(partial.c_str(), L"wb");
    if (!out)
        return 1;
    std::string text = "ran\n" + utf8(directory) + "\n" + std::to_string(argc > 0 ? argc - 1 : 0) + "\n";
    for (int i = 1; i < argc; ++i)
        text += utf8(argv[i]) + "\n";
    std::fwrite(text.data(), 1, text.size(), out);
    std::fclose(out);
    LocalFree(argv);
    return MoveFileExW(partial.c_str(), record.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
