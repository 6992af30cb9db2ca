// The Windows core of the platform layer, built with MinGW-w64 and run under Wine (tests/wine-run):
// the code-page table for the system code page Wine was started with, UTF-8 whatever the system's,
// one-call file status, and renames that never replace and tell a held file apart.
// Usage: test_wincore.exe EXPECTED_SYSTEM_CODE_PAGE
#include "platform/WinApi.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

int passed = 0, failed = 0;

void Check(bool ok, const std::string& what)
{
    ok ? ++passed : ++failed;
    if (!ok)
        fprintf(stderr, "FAIL: %s\n", what.c_str());
}

// Bytes in code pages 1252, 932 and 65001; nullptr: the text is refused there.
struct Row {
    const char* name;
    std::u16string text;
    const char* bytes[3];
};

const unsigned kCodePages[3] = {1252, 932, 65001};

const Row kRows[] = {
    {"ascii", u"C:\\Disegni\\a.dxf", {"C:\\Disegni\\a.dxf", "C:\\Disegni\\a.dxf", "C:\\Disegni\\a.dxf"}},
    {"Città", u"Citt\u00E0", {"Citt\xE0", nullptr, "Citt\xC3\xA0"}},
    {"euro", u"\u20AC", {"\x80", nullptr, "\xE2\x82\xAC"}},
    {"omega", u"\u03A9", {nullptr, "\x83\xB6", "\xCE\xA9"}},
    {"kanji", u"\u56F3", {nullptr, "\x90\x7D", "\xE5\x9B\xB3"}},
    {"lone surrogate", std::u16string(1, char16_t(0xD800)), {nullptr, nullptr, nullptr}},
};

void CodePageRows(int column)
{
    const unsigned codePage = kCodePages[column];
    for (const Row& row : kRows) {
        const std::string what = std::string(row.name) + " in " + std::to_string(codePage);
        const win::Encoded encoded = win::Encode(codePage, row.text);
        if (!row.bytes[column]) {
            Check(encoded.result == win::Conversion::Unrepresentable && encoded.bytes.empty(),
                  what + ": refused");
            continue;
        }
        Check(encoded.result == win::Conversion::Done && encoded.bytes == row.bytes[column],
              what + ": bytes");
        Check(win::Decode(codePage, encoded.bytes) == row.text, what + ": read back");
    }
}

std::u16string Temp(const char16_t* name)
{
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    return reinterpret_cast<const char16_t*>(folder) + std::u16string(name);
}

const wchar_t* W(const std::u16string& s)
{
    return reinterpret_cast<const wchar_t*>(s.c_str());
}

void Write(const std::u16string& path, const char* bytes)
{
    const HANDLE file = CreateFileW(W(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes, DWORD(strlen(bytes)), &written, nullptr);
    CloseHandle(file);
}

void FilesAndRenames()
{
    const std::u16string folder = Temp(u"kivra-wincore"), job = folder + u"\\Z_1.job",
                         tmp = folder + u"\\Z_1.job.tmp-1", other = folder + u"\\Z_1.job.tmp-2";
    CreateDirectoryW(W(folder), nullptr);
    Write(tmp, "DXFDWG=DXF\r\na\r\n");

    Check(win::FileStatus(folder).exists && win::FileStatus(folder).isFolder, "a folder");
    const win::Status file = win::FileStatus(tmp);
    Check(file.exists && !file.isFolder && file.modified != 0, "a file");
    Check(!win::FileStatus(job).exists && !win::FileStatus(u"").exists, "nothing there");

    unsigned long error = 0;
    // Held open without FILE_SHARE_DELETE, as an antivirus holds a new file.
    const HANDLE held = CreateFileW(W(tmp), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    Check(win::MoveNoReplace(tmp, job, error) == win::Moved::Busy, "a held file is busy");
    CloseHandle(held);
    Check(win::MoveNoReplace(tmp, job, error) == win::Moved::Done, "renamed once free");
    Write(other, "DXFDWG=DWG\r\nb\r\n");
    Check(win::MoveNoReplace(other, job, error) == win::Moved::NameTaken, "a waiting job is kept");
    Check(win::FileStatus(other).exists, "the refused file is still there");

    DeleteFileW(W(job));
    DeleteFileW(W(other));
    RemoveDirectoryW(W(folder));
}

} // namespace

int main(int argc, char* argv[])
{
    const unsigned expected = argc > 1 ? unsigned(std::atoi(argv[1])) : 0;
    const unsigned system = win::SystemCodePage();
    Check(system == expected, "system code page " + std::to_string(system) + ", expected "
                                  + std::to_string(expected));
    for (int column = 0; column < 3; ++column)
        if (kCodePages[column] == system)
            CodePageRows(column);
    CodePageRows(2);   // the UTF-8 system code page, named explicitly (see tests/wine-run)
    FilesAndRenames();
    printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
