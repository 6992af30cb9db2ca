// The Windows core under Wine, with the system code page given as the argument (wine-run picks a
// locale that has it): text as Windows converts it, and a rename held back by another program.
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
    const struct {
        const char* name;
        std::u16string text;
        const char* bytes[3];
    } rows[] = {
        {"euro", u"\u20AC", {"\x80", nullptr, "\xE2\x82\xAC"}},
        {"double-byte", u"\u56F3\u9762", {nullptr, "\x90\x7D\x96\xCA", "\xE5\x9B\xB3\xE9\x9D\xA2"}},
        {"half-width kana", u"\uFF71", {nullptr, "\xB1", "\xEF\xBD\xB1"}},
        {"lone surrogate", std::u16string(1, char16_t(0xD800)), {nullptr, nullptr, nullptr}},
    };
    for (const auto& row : rows) {
        const win::Encoded encoded = win::Encode(page, row.text);
        const char* bytes = row.bytes[column];
        check(bytes ? encoded.result == win::Conversion::Done && encoded.bytes == bytes
                      && win::Decode(page, bytes) == row.text
                    : encoded.result == win::Conversion::Unrepresentable && encoded.bytes.empty(),
              std::string(row.name) + " in " + std::to_string(page));
    }

    // Paths made full and long: a drive, UNC, a doubled separator, '/', a relative path, one long already.
    wchar_t cwd[MAX_PATH];
    const std::u16string here(cwd, cwd + GetCurrentDirectoryW(MAX_PATH, cwd));
    const std::u16string paths[][2] = {{u"C:\\a\\b.log", u"\\\\?\\C:\\a\\b.log"},
                                       {u"\\\\srv\\cad\\Richieste", u"\\\\?\\UNC\\srv\\cad\\Richieste"},
                                       {u"y:\\Richieste\\\\Z_1.wip", u"\\\\?\\y:\\Richieste\\Z_1.wip"},
                                       {u"C:/a/b", u"\\\\?\\C:\\a\\b"},
                                       {u"a\\b", u"\\\\?\\" + here + u"\\a\\b"},
                                       {u"\\\\?\\C:\\x", u"\\\\?\\C:\\x"}};
    for (const auto& row : paths) {
        const std::u16string made = win::LongPath(row[0]);
        check(made == row[1], "long path " + std::string(made.begin(), made.end()));
    }

    // A file held open by another program (an antivirus at work) is busy, then moves.
    const std::wstring from = _wtempnam(nullptr, L"kivra"), to = from + L".job";
    const HANDLE held = CreateFileW(from.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
    const std::u16string source(from.begin(), from.end()), target(to.begin(), to.end());
    unsigned long error = 0;
    check(win::MoveNoReplace(source, target, error) == win::Moved::Busy, "a file held open is busy");
    CloseHandle(held);
    check(win::MoveNoReplace(source, target, error) == win::Moved::Done, "moved once let go");
    DeleteFileW(to.c_str());
    return failed == 0 ? 0 : 1;
}
