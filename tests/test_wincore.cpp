// The Windows core's code pages under Wine (wine-run, an Italian locale): the system code page,
// and 1252 and UTF-8 as Windows converts them. The rest of WinApi.cpp is built with it.
#include "platform/WinApi.h"

#include <cstdio>
#include <string>

int main()
{
    int failed = 0;
    const auto check = [&](bool ok, const std::string& what) {
        failed += !ok;
        if (!ok)
            fprintf(stderr, "FAIL: %s\n", what.c_str());
    };
    check(win::SystemCodePage() == 1252, "system code page " + std::to_string(win::SystemCodePage()));
    // Bytes in 1252 and in 65001; nullptr: refused there.
    const unsigned pages[2] = {1252, 65001};
    const struct { const char* name; std::u16string text; const char* bytes[2]; } rows[] = {
        {"Città", u"Citt\u00E0", {"Citt\xE0", "Citt\xC3\xA0"}},
        {"euro", u"\u20AC", {"\x80", "\xE2\x82\xAC"}},
        {"omega", u"\u03A9", {nullptr, "\xCE\xA9"}},
        {"lone surrogate", std::u16string(1, char16_t(0xD800)), {nullptr, nullptr}},
    };
    for (int column = 0; column < 2; ++column) {
        for (const auto& row : rows) {
            const win::Encoded encoded = win::Encode(pages[column], row.text);
            const char* bytes = row.bytes[column];
            check(bytes ? encoded.result == win::Conversion::Done && encoded.bytes == bytes && win::Decode(pages[column], bytes) == row.text
                        : encoded.result == win::Conversion::Unrepresentable && encoded.bytes.empty(),
                  std::string(row.name) + " in " + std::to_string(pages[column]));
        }
    }
    return failed == 0 ? 0 : 1;
}
