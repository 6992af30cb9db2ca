#pragma once
#include <QString>
#include <QStringList>

class Host;
struct SettingsRecord;

// Writes the job file at path (Windows-style): "OUTDIR=" line when OutFolder is set, the mode
// line, then every drawing in order, each line ending in CR LF; zero bytes for an empty list.
// The file appears whole or not at all. Returns the warning to show, or an empty string when
// the file was written.
QString WriteJobFile(const QString& path, const SettingsRecord& settings,
                     const QStringList& drawings, const Host& host);
