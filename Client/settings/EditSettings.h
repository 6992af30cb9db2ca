#pragma once
#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>
#include <utility>

// Sets keys in a settings file's bytes where they stand, as an installer given them does: the value of the key's
// last active line (the one the reader applies) is replaced; where the key has none, its first commented line
// ("*Key=") becomes active in place; where it has neither, a line is added at the end. Every other byte stays,
// line ends included. Values go in as the file is written, UTF-8 or the code page; nullopt when the code page
// cannot hold one.
std::optional<QByteArray> SetSettingsKeys(QByteArray text, const QList<std::pair<QString, QString>>& keys);
