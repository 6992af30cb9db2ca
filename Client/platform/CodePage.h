#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QStringList>
#include <QString>
#include <QStringView>
#include <functional>
#include <optional>

// Settings files and job files are single-byte text in the system's ANSI code page
// (Windows-1252 on hosts that have none).

QString DecodeAnsi(QByteArrayView bytes);

// Appends text in the code page to out. False when the text holds a character the code page
// cannot represent: such text is refused, never written with a substitute (out then holds a
// part of it, and the caller drops it).
bool AppendAnsi(QByteArray& out, QStringView text);

// The quick road for the usual case: appends each line and CR LF, when every character of every
// line is printable ASCII, which is the same bytes in every code page. False otherwise, and then
// out is as it was.
bool AppendAsciiLines(QByteArray& out, const QStringList& lines);

// Empty when the text cannot be represented whole.
std::optional<QByteArray> EncodeAnsi(QStringView text);

// Cuts text in the code page into lines as it arrives, piece by piece: a line ends at CR LF, LF
// or CR, even when a CR LF is split between two pieces. Only the line being read is held, so
// memory grows with the longest line, not with the whole text.
class LineSplitter {
public:
    explicit LineSplitter(std::function<void(const QString& line)> onLine);
    void feed(QByteArrayView piece);
    // A last line without an end counts like the others.
    void finish();

private:
    std::function<void(const QString& line)> m_onLine;
    QByteArray m_line;
    bool m_afterCr = false;   // the previous piece ended in CR: a leading LF belongs to it
};

// Every line of a whole text.
void ForEachLine(QByteArrayView text, const std::function<void(const QString& line)>& onLine);
