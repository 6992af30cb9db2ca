#include "platform/CodePage.h"

std::optional<QByteArray> EncodeAnsi(QStringView text)
{
    QByteArray bytes;
    if (AppendAnsi(bytes, text) != Appended::Done)
        return std::nullopt;
    return bytes;
}

#ifdef Q_OS_WIN
#include "platform/WinApi.h"

QString DecodeAnsi(QByteArrayView bytes)
{
    return QString::fromStdU16String(
        win::Decode(win::SystemCodePage(), std::string(bytes.begin(), bytes.end())));
}

Appended AppendAnsi(QByteArray& out, QStringView text, unsigned long* systemError)
{
    const win::Encoded encoded = win::Encode(win::SystemCodePage(), text.toString().toStdU16String());
    if (encoded.result == win::Conversion::Done) {
        out.append(encoded.bytes.c_str(), qsizetype(encoded.bytes.size()));
        return Appended::Done;
    }
    if (systemError)
        *systemError = encoded.error;
    return encoded.result == win::Conversion::Failed ? Appended::Failed : Appended::Unrepresentable;
}

#else

namespace {
// Windows-1252 differs from Latin-1 only in 0x80..0x9F. Its five unassigned bytes map to the
// C1 controls of the same value, as Windows itself does, so every byte reads back and round-trips.
constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

std::optional<char> EncodeChar(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return char(c);
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == c)
            return char(0x80 + i);
    return std::nullopt;
}
}   // namespace

QString DecodeAnsi(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.begin();
    for (const char b : bytes) {
        const auto u = static_cast<unsigned char>(b);
        *out++ = QChar(u >= 0x80 && u < 0xA0 ? kHigh[u - 0x80] : char16_t(u));
    }
    return text;
}

Appended AppendAnsi(QByteArray& out, QStringView text, unsigned long*)
{
    const qsizetype at = out.size();
    out.resize(at + text.size());
    char* bytes = out.begin() + at;
    for (const QChar c : text) {
        const auto b = EncodeChar(c.unicode());
        if (!b)
            return Appended::Unrepresentable;
        *bytes++ = *b;
    }
    return Appended::Done;
}

#endif
