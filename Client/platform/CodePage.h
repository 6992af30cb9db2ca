#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>

// Settings files and job files are single-byte text in the system's ANSI code page
// (Windows-1252 on hosts that have none).

QString DecodeAnsi(QByteArrayView bytes);

// Empty when the text holds a character the code page cannot represent: such text is refused,
// never written with a substitute.
std::optional<QByteArray> EncodeAnsi(const QString& text);
