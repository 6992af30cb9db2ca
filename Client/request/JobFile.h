#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>

struct SettingsRecord;

// The bytes of a job file: "OUTDIR=" line when OutFolder is set, the mode line, then every
// drawing in order (in the form a Windows server reads, see WindowsPath), each line ending in
// CR LF. Returns the warning that refuses the job, or an
// empty string and the bytes. Refused, in this order: an empty list, an output folder that is not
// below the output root, a text that cannot go into a job line.
QString JobBytes(const SettingsRecord& settings, const QStringList& drawings, QByteArray& bytes);
