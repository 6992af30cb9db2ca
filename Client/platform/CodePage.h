#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <functional>
#include <optional>

// Settings files and job files are single-byte text in the system's ANSI code page
// (Windows-1252 on hosts that have none).

QString DecodeAnsi(QByteArrayView bytes);

// Empty when the text holds a character the code page cannot represent: such text is refused,
// never written with a substitute.
std::optional<QByteArray> EncodeAnsi(const QString& text);

// Calls onLine for every line of text in the code page; a line ends at CR LF, LF or CR, and a
// last line without an end counts like the others.
void ForEachLine(QByteArrayView text, const std::function<void(const QString& line)>& onLine);
