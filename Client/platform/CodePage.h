#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <functional>
#include <optional>

// Settings files and job files are single-byte text in the system's ANSI code page
// (Windows-1252 on hosts that have none).

QString DecodeAnsi(QByteArrayView bytes);

// What became of a text put into the code page.
enum class Encoded {
    Done,
    Unrepresentable,   // a character the code page cannot hold: refused, never substituted
    Failed,            // the system's conversion itself failed (its error in systemError)
};

// Appends text in the code page to out. When it is not Done, out holds a part of the text, and
// the caller drops it.
Encoded AppendAnsi(QByteArray& out, QStringView text, unsigned long* systemError = nullptr);

// The quick road for the usual case: copies line and CR LF to out and moves out past them, when
// every character is printable ASCII, which is the same bytes in every code page; false otherwise
// (what it copied is then to be dropped). Inline, so that a job of thousands of lines is narrowed
// and checked straight into one buffer, one vectorised loop a line.
inline bool CopyAsciiLine(char*& out, QStringView line)
{
    const auto* units = line.utf16();
    const qsizetype length = line.size();
    char* __restrict bytes = out;
    // Printable ASCII is 0x20..0x7E: after subtracting 0x20 the largest unit stays below 0x5F.
    char16_t largest = 0;
    for (qsizetype i = 0; i < length; ++i) {
        largest = largest > char16_t(units[i] - 0x20) ? largest : char16_t(units[i] - 0x20);
        bytes[i] = char(units[i]);
    }
    bytes[length] = '\r';
    bytes[length + 1] = '\n';
    out = bytes + length + 2;
    return largest < 0x5F;
}

// Empty when the text cannot be put into the code page whole.
std::optional<QByteArray> EncodeAnsi(QStringView text);

// How a text file's bytes are decoded.
enum class Encoding { Ansi, Utf8 };

// Editors on Linux save UTF-8: a text that starts with the UTF-8 byte-order mark, or whose bytes
// are valid UTF-8 and hold some non-ASCII, is UTF-8; any other is in the code page. Fed piece by
// piece, so a file is judged without being held.
class EncodingGuess {
public:
    void feed(QByteArrayView piece);
    Encoding encoding() const;

private:
    QByteArray m_start;   // the first three bytes
    bool m_bom = false;
    bool m_nonAscii = false;
    bool m_invalid = false;
    int m_pending = 0;   // continuation bytes still due, each within [m_low, m_high]
    unsigned char m_low = 0x80;
    unsigned char m_high = 0xBF;
};

// Cuts text in the code page into lines as it arrives, piece by piece: a line ends at CR LF, LF
// or CR, even when a CR LF is split between two pieces. Only the line being read is held, so
// memory grows with the longest line, not with the whole text.
class LineSplitter {
public:
    // A UTF-8 text loses its byte-order mark.
    explicit LineSplitter(std::function<void(const QString& line)> onLine,
                          Encoding encoding = Encoding::Ansi);
    void feed(QByteArrayView piece);
    // A last line without an end counts like the others.
    void finish();

private:
    void emitLine(QByteArrayView bytes);

    std::function<void(const QString& line)> m_onLine;
    Encoding m_encoding;
    bool m_first = true;
    QByteArray m_line;
    bool m_afterCr = false;   // the previous piece ended in CR: a leading LF belongs to it
};

// Every line of a whole text.
void ForEachLine(QByteArrayView text, const std::function<void(const QString& line)>& onLine,
                 Encoding encoding = Encoding::Ansi);
