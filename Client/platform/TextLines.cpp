#include "platform/TextLines.h"

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

void ForEachLine(QByteArrayView text, const std::function<void(const QString& line)>& onLine, Encoding encoding)
{
    LineSplitter lines(onLine, encoding);
    lines.feed(text);
    lines.finish();
}
