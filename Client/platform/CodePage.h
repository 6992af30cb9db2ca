#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <optional>

// Settings files and job files are text in the system's ANSI code page
// (Windows-1252 on hosts that have none).

QString DecodeAnsi(QByteArrayView bytes);

// What became of a text put into the code page.
enum class Appended {
    Done,
    Unrepresentable,   // a character the code page cannot hold: refused, never substituted
    Failed,   // the system's conversion itself failed (its error in systemError)
};

// Appends text in the code page to out. When it is not Done, out holds a part of the text, and
// the caller drops it.
Appended AppendAnsi(QByteArray& out, QStringView text, unsigned long* systemError = nullptr);

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
