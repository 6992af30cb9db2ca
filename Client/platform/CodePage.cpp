#include "platform/CodePage.h"

namespace {
constexpr char kBom[] = "\xEF\xBB\xBF";
}

void EncodingGuess::feed(QByteArrayView piece)
{
    if (m_start.size() < 3) {   // the mark may come in pieces too
        m_start += piece.first(qMin<qsizetype>(piece.size(), 3 - m_start.size()));
        m_bom = m_start == kBom;
    }
    if (m_invalid)
        return;
    // Well-formed UTF-8 as the Unicode standard defines it (no overlong forms, no surrogates,
    // nothing past U+10FFFF); a sequence may run on into the next piece.
    for (const char c : piece) {
        const auto b = static_cast<unsigned char>(c);
        if (m_pending > 0) {
            if (b < m_low || b > m_high) {
                m_invalid = true;
                return;
            }
            m_low = 0x80;
            m_high = 0xBF;
            --m_pending;
            continue;
        }
        if (b < 0x80)
            continue;
        m_nonAscii = true;
        if (b >= 0xC2 && b <= 0xDF) {
            m_pending = 1;
        } else if (b >= 0xE0 && b <= 0xEF) {
            m_pending = 2;
            m_low = b == 0xE0 ? 0xA0 : 0x80;
            m_high = b == 0xED ? 0x9F : 0xBF;
        } else if (b >= 0xF0 && b <= 0xF4) {
            m_pending = 3;
            m_low = b == 0xF0 ? 0x90 : 0x80;
            m_high = b == 0xF4 ? 0x8F : 0xBF;
        } else {
            m_invalid = true;
            return;
        }
    }
}

Encoding EncodingGuess::encoding() const
{
    const bool utf8 = m_nonAscii && !m_invalid && m_pending == 0;
    return m_bom || utf8 ? Encoding::Utf8 : Encoding::Ansi;
}

LineSplitter::LineSplitter(std::function<void(const QString& line)> onLine, Encoding encoding)
    : m_onLine(std::move(onLine))
    , m_encoding(encoding)
{
}

void LineSplitter::emitLine(QByteArrayView bytes)
{
    if (m_encoding == Encoding::Ansi) {
        m_onLine(DecodeAnsi(bytes));
        return;
    }
    if (m_first && bytes.startsWith(kBom))
        bytes = bytes.sliced(3);
    m_first = false;
    m_onLine(QString::fromUtf8(bytes));
}

void LineSplitter::feed(QByteArrayView piece)
{
    const char* data = piece.data();
    qsizetype size = piece.size();
    if (m_afterCr && size > 0) {
        m_afterCr = false;
        if (data[0] == '\n') {
            ++data;
            --size;
        }
    }
    qsizetype start = 0;
    for (qsizetype i = 0; i < size; ++i) {
        const char c = data[i];
        if (c != '\r' && c != '\n')
            continue;
        if (m_line.isEmpty()) {
            emitLine(QByteArrayView(data + start, i - start));
        } else {
            m_line.append(data + start, i - start);
            emitLine(m_line);
            m_line.clear();
        }
        if (c == '\r') {
            if (i + 1 == size)
                m_afterCr = true;
            else if (data[i + 1] == '\n')
                ++i;
        }
        start = i + 1;
    }
    m_line.append(data + start, size - start);
}

void LineSplitter::finish()
{
    if (!m_line.isEmpty())
        emitLine(m_line);
    m_line.clear();
    m_afterCr = false;
}

void ForEachLine(QByteArrayView text, const std::function<void(const QString& line)>& onLine,
                 Encoding encoding)
{
    LineSplitter lines(onLine, encoding);
    lines.feed(text);
    lines.finish();
}

std::optional<QByteArray> EncodeAnsi(QStringView text)
{
    QByteArray bytes;
    if (AppendAnsi(bytes, text) != Encoded::Done)
        return std::nullopt;
    return bytes;
}

#ifdef Q_OS_WIN
#include "platform/WinApi.h"

QString DecodeAnsi(QByteArrayView bytes)
{
    return QString::fromStdU16String(
        win::Decode(win::SystemCodePage(), std::string(bytes.data(), size_t(bytes.size()))));
}

Encoded AppendAnsi(QByteArray& out, QStringView text, unsigned long* systemError)
{
    const win::Encoded encoded = win::Encode(win::SystemCodePage(), text.toString().toStdU16String());
    if (encoded.result == win::Conversion::Done) {
        out.append(encoded.bytes.data(), qsizetype(encoded.bytes.size()));
        return Encoded::Done;
    }
    if (systemError)
        *systemError = encoded.error;
    return encoded.result == win::Conversion::Failed ? Encoded::Failed : Encoded::Unrepresentable;
}

#else

namespace {
// Windows-1252 differs from Latin-1 only in 0x80..0x9F. Its five unassigned bytes map to the
// C1 controls of the same value, as Windows itself does, so every byte reads back and round-trips.
constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
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
} // namespace

QString DecodeAnsi(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char b : bytes) {
        const auto u = static_cast<unsigned char>(b);
        *out++ = QChar(u >= 0x80 && u < 0xA0 ? kHigh[u - 0x80] : char16_t(u));
    }
    return text;
}

Encoded AppendAnsi(QByteArray& out, QStringView text, unsigned long*)
{
    const qsizetype at = out.size();
    out.resize(at + text.size());
    char* bytes = out.data() + at;
    for (const QChar c : text) {
        const auto b = EncodeChar(c.unicode());
        if (!b)
            return Encoded::Unrepresentable;
        *bytes++ = *b;
    }
    return Encoded::Done;
}

#endif
