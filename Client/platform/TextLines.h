#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <functional>

// How a text file's bytes are decoded.
enum class Encoding {
    Ansi,
    Utf8
};

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

// Cuts text in the code page or UTF-8 into lines as it arrives, piece by piece: a line ends at
// CR LF, LF or CR, even when a CR LF is split between two pieces. Only the line being read is held, so
// memory grows with the longest line, not with the whole text.
class LineSplitter {
public:
    // A UTF-8 text loses its byte-order mark.
    explicit LineSplitter(std::function<void(const QString& line)> onLine, Encoding encoding = Encoding::Ansi);
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

void ForEachLine(QByteArrayView text, const std::function<void(const QString& line)>& onLine,
                 Encoding encoding = Encoding::Ansi);
