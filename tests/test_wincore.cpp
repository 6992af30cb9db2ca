// The Windows core under Wine, with the system code page given as the argument (wine-run picks a
// locale that has it): text as Windows converts it, file status, and the rename that never
// replaces a waiting job.
#include "platform/WinApi.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char* argv[])
{
    int failed = 0;
    const auto check = [&](bool ok, const std::string& what) {
        failed += !ok;
        if (!ok)
            fprintf(stderr, "FAIL: %s\n", what.c_str());
    };
    const unsigned page = argc > 1 ? unsigned(atoi(argv[1])) : 1252;
    check(win::SystemCodePage() == page, "system code page " + std::to_string(win::SystemCodePage()));
    const int column = page == 1252 ? 0 : page == 932 ? 1 : 2;
    // Bytes in 1252, 932 and 65001; nullptr: refused there.
    const struct { const char* name; std::u16string text; const char* bytes[3]; } rows[] = {
        {"Città", u"Citt\u00E0", {"Citt\xE0", nullptr, "Citt\xC3\xA0"}},
        {"euro", u"\u20AC", {"\x80", nullptr, "\xE2\x82\xAC"}},
        {"double-byte", u"\u56F3\u9762", {nullptr, "\x90\x7D\x96\xCA", "\xE5\x9B\xB3\xE9\x9D\xA2"}},
        {"half-width kana", u"\uFF71", {nullptr, "\xB1", "\xEF\xBD\xB1"}},
        {"lone surrogate", std::u16string(1, char16_t(0xD800)), {nullptr, nullptr, nullptr}},
    };
    for (const auto& row : rows) {
        const win::Encoded encoded = win::Encode(page, row.text);
        const char* bytes = row.bytes[column];
        check(bytes ? encoded.result == win::Conversion::Done && encoded.bytes == bytes && win::Decode(page, bytes) == row.text
                    : encoded.result == win::Conversion::Unrepresentable && encoded.bytes.empty(),
              std::string(row.name) + " in " + std::to_string(page));
    }

    // Files in a folder of the prefix's own.
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::u16string dir = reinterpret_cast<const char16_t*>(temp) + std::u16string(u"kivra-") + char16_t(u'0' + column);
    CreateDirectoryW(reinterpret_cast<const wchar_t*>(dir.c_str()), nullptr);
    const auto path = [&](const char16_t* name) { return dir + u"\\" + name; };
    const auto make = [&](const char16_t* name, DWORD share) {
        return CreateFileW(reinterpret_cast<const wchar_t*>(path(name).c_str()), GENERIC_WRITE, share, nullptr, CREATE_ALWAYS, 0, nullptr);
    };
    CloseHandle(make(u"a.tmp", 0));
    CloseHandle(make(u"b.job", 0));
    const win::Status file = win::PathStatus(path(u"b.job")), folder = win::PathStatus(dir),
                      missing = win::PathStatus(path(u"x\\y")), invalid = win::PathStatus(path(u"a?b"));
    check(file.exists && !file.isFolder && file.modified > 0, "status of a file");
    check(folder.exists && folder.isFolder, "status of a folder");
    check(!missing.exists && !missing.unknown, "status of a missing path");
    check(!invalid.exists && invalid.unknown, "status of a name Windows cannot have");
    unsigned long error = 0;
    check(win::MoveNoReplace(path(u"a.tmp"), path(u"b.job"), error) == win::Moved::NameTaken, "a waiting job is never replaced");
    const HANDLE held = make(u"c.tmp", FILE_SHARE_READ);   // an antivirus at work
    check(win::MoveNoReplace(path(u"c.tmp"), path(u"c.job"), error) == win::Moved::Busy, "a file held open is busy");
    CloseHandle(held);
    check(win::MoveNoReplace(path(u"c.tmp"), path(u"c.job"), error) == win::Moved::Done, "published once let go");
    return failed == 0 ? 0 : 1;
}
