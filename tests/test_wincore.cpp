// The Windows core under Wine (wine-run): the code page Wine was started with and UTF-8, file
// status, and renames that never replace. Usage: test_wincore.exe EXPECTED_SYSTEM_CODE_PAGE
#include "platform/WinApi.h"

#include <windows.h>

#include <cstdio>
#include <string>

static const wchar_t* W(const std::u16string& path) { return reinterpret_cast<const wchar_t*>(path.c_str()); }

int main(int argc, char* argv[])
{
    int failed = 0;
    const auto check = [&](bool ok, const std::string& what) {
        failed += !ok;
        if (!ok)
            fprintf(stderr, "FAIL: %s\n", what.c_str());
    };
    const unsigned system = win::SystemCodePage(), pages[3] = {1252, 932, 65001};
    check(argc > 1 && system == unsigned(atoi(argv[1])), "system code page " + std::to_string(system));
    // Bytes in 1252, 932 and 65001; nullptr: refused there.
    const struct { const char* name; std::u16string text; const char* bytes[3]; } rows[] = {
        {"Città", u"Citt\u00E0", {"Citt\xE0", nullptr, "Citt\xC3\xA0"}},
        {"euro", u"\u20AC", {"\x80", nullptr, "\xE2\x82\xAC"}},
        {"omega", u"\u03A9", {nullptr, "\x83\xB6", "\xCE\xA9"}},
        {"kanji", u"\u56F3", {nullptr, "\x90\x7D", "\xE5\x9B\xB3"}},
        {"lone surrogate", std::u16string(1, char16_t(0xD800)), {nullptr, nullptr, nullptr}},
    };
    for (int column = 0; column < 3; ++column) {
        if (pages[column] != system && pages[column] != 65001)
            continue;
        for (const auto& row : rows) {
            const win::Encoded encoded = win::Encode(pages[column], row.text);
            const char* bytes = row.bytes[column];
            check(bytes ? encoded.result == win::Conversion::Done && encoded.bytes == bytes && win::Decode(pages[column], bytes) == row.text
                        : encoded.result == win::Conversion::Unrepresentable && encoded.bytes.empty(),
                  std::string(row.name) + " in " + std::to_string(pages[column]));
        }
    }

    // In the temporary folder of wine-run's own prefix, which goes with it; one run after another.
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::u16string folder = reinterpret_cast<const char16_t*>(temp), job = folder + u"Z_1.job", first = job + u".tmp-1";
    DeleteFileW(W(job));
    // An antivirus holds the new file open, without FILE_SHARE_DELETE.
    const HANDLE antivirus = CreateFileW(W(first), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
    const win::Status file = win::FileStatus(first);
    check(file.exists && !file.isFolder && file.modified != 0, "a file");
    check(win::FileStatus(folder).isFolder && !win::FileStatus(job).exists && !win::FileStatus(u"").exists, "folder, nothing");
    unsigned long error = 0;
    check(win::MoveNoReplace(first, job, error) == win::Moved::Busy, "a held file is busy");
    CloseHandle(antivirus);
    check(win::MoveNoReplace(first, job, error) == win::Moved::Done, "renamed once free");
    CloseHandle(CreateFileW(W(first), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    check(win::MoveNoReplace(first, job, error) == win::Moved::NameTaken && win::FileStatus(first).exists, "a waiting job is kept");
    printf("%d failed\n", failed);
    return failed == 0 ? 0 : 1;
}
