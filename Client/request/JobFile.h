#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>

class Host;
struct SettingsRecord;

// The bytes of a job file: "OUTDIR=" line when OutFolder is set, the mode line, then every
// drawing in order (in the form a Windows server reads, see WindowsPath), each line ending in
// CR LF. Returns the warning that refuses the job, or an
// empty string and the bytes. Refused, in this order: an empty list, an output folder that is not
// below the output root, a text that cannot go into a job line.
QString JobBytes(const SettingsRecord& settings, const QStringList& drawings, QByteArray& bytes);

enum class JobHandOver {
    Sent,
    NameTaken,   // another request's job is waiting under the name
    Failed,
};

// Publishes the job file at path (Windows-style): it appears whole or not at all, and never in
// place of a job the server has not taken yet. A waiting job of the same bytes is the same
// request sent twice, and counts as sent. On Failed, warning says why.
JobHandOver WriteJobFile(const QString& path, const QByteArray& bytes, const Host& host, QString& warning);
