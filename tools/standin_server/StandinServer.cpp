#include "StandinServer.h"

#include "platform/CodePage.h"
#include "platform/FileCalls.h"
#include "platform/HostPath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QThread>

namespace {

const QString kJob = QStringLiteral(".job");
const QString kWip = QStringLiteral(".wip");
const QString kLog = QStringLiteral(".log");
const QString kSetAside = QStringLiteral(".scartata");   // ends in neither .job nor .wip

struct Job {
    QString outDir;   // as written after OUTDIR=, Windows-style and relative
    QString format;   // "DXF" or "DWG"
    QStringList drawings;
    QString fault;   // why the job cannot be done, if it cannot
};

Job ParseJob(const QStringList& lines)
{
    Job job;
    if (lines.isEmpty()) {
        job.format = QStringLiteral("DXF");   // an empty list: nothing to convert, nothing wrong
        return job;
    }
    qsizetype next = 0;
    if (lines[next].startsWith(QLatin1String("OUTDIR=")))
        job.outDir = lines[next++].mid(7);
    if (next == lines.size() || !lines[next].startsWith(QLatin1String("DXFDWG="))) {
        job.fault = QStringLiteral("riga DXFDWG= mancante");
        return job;
    }
    job.format = lines[next++].mid(7);
    if (job.format != QLatin1String("DXF") && job.format != QLatin1String("DWG"))
        job.fault = QStringLiteral("formato sconosciuto: ") + job.format;
    job.drawings = lines.mid(next);
    return job;
}

// Copies one drawing; returns the reason when it could not.
QString CopyDrawing(const QString& drawing, const QString& outFolder, const QString& format,
                    const QMap<QString, QString>& roots)
{
    // A drive or UNC share the server was told of is that folder; any other path as this host has it.
    QString path = HostPath(drawing);
    for (auto root = roots.cbegin(); root != roots.cend(); ++root)
        if (drawing.startsWith(root.key(), Qt::CaseInsensitive)
            && (drawing.size() == root.key().size() || drawing[root.key().size()] == QLatin1Char('\\')))
            path = root.value() + HostPath(drawing.mid(root.key().size()));
    const QFileInfo source(path);
    if (!source.exists())   // where it was looked for, when that is not the job's own text
        return source.filePath() == drawing ? QStringLiteral("file inesistente")
                                            : QStringLiteral("file inesistente: ") + source.filePath();
    if (!source.isFile())
        return QStringLiteral("non è un file");
    const QString target =
        outFolder + QLatin1Char('/') + source.completeBaseName() + QLatin1Char('.') + format.toLower();
    QFile in(source.filePath());
    if (!in.open(QIODevice::ReadOnly))
        return QStringLiteral("illeggibile: ") + in.errorString();
    const QByteArray bytes = in.readAll();
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit())
        return QStringLiteral("impossibile scrivere ") + target + QStringLiteral(": ") + out.errorString();
    return {};
}

bool WriteText(const QString& path, const QStringList& lines)
{
    QByteArray bytes;
    // Drawing paths came from the code page and go back into it; only a host path or a system
    // message outside it falls back to UTF-8, rather than losing the line.
    for (const QString& line : lines)
        bytes += EncodeAnsi(line).value_or(line.toUtf8()) + "\r\n";
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

}   // namespace

StandinServer::StandinServer(const QString& jobsDir, const QString& outRoot, int workMs, QTextStream& out,
                             const QMap<QString, QString>& roots, Claim claim)
    : m_jobs(jobsDir)
    , m_outRoot(outRoot)
    , m_workMs(workMs)
    , m_out(out)
    , m_roots(roots)
    , m_claim(claim)
{
}

void StandinServer::recover()
{
    const QDir jobs(m_jobs);
    for (const QString& wip : jobs.entryList({QLatin1Char('*') + kWip}, QDir::Files))
        if (wip.endsWith(kWip) && QFile::remove(jobs.filePath(wip)))
            m_out << wip << ": segno rimasto da un'esecuzione interrotta, rimosso\n" << Qt::flush;
}

int StandinServer::handlePending()
{
    const QFileInfoList entries = QDir(m_jobs).entryInfoList(QDir::Files, QDir::Time | QDir::Reversed);
    int handled = 0;
    for (const QFileInfo& entry : entries) {
        // Exactly ".job": the client's temporary files never end that way.
        if (!entry.fileName().endsWith(kJob))
            continue;
        serveJob(entry.fileName().chopped(kJob.size()));
        ++handled;
    }
    return handled;
}

void StandinServer::serveJob(const QString& name)
{
    const QDir jobs(m_jobs);
    const QString wipPath = jobs.filePath(name + kWip);
    const QString jobPath = jobs.filePath(name + kJob);
    QFile(wipPath).open(QIODevice::WriteOnly);

    QStringList lines;
    Job job;
    if (!ReadLines(jobPath, [&](const QString& line) { lines << line; }))
        job.fault = QStringLiteral("richiesta illeggibile");
    else
        job = ParseJob(lines);
    if (m_claim == Claim::AtStart)
        QFile::remove(jobPath);
    // Other clients may not check the folder: it must stay inside the output root.
    if (job.fault.isEmpty() && !StaysInsideRoot(job.outDir))
        job.fault = QStringLiteral("cartella di uscita non ammessa: ") + job.outDir;

    QString outFolder = m_outRoot;
    if (job.fault.isEmpty() && !job.outDir.isEmpty()) {
        outFolder += QLatin1Char('/') + HostPath(job.outDir);
        if (!QDir().mkpath(outFolder)) {
            job.fault = QStringLiteral("impossibile creare la cartella ") + outFolder;
            outFolder = m_outRoot;
        }
    }

    QStringList log{QStringLiteral("Server di prova: i disegni vengono copiati, non convertiti.")};
    int done = 0;
    if (!job.fault.isEmpty()) {
        log << QStringLiteral("ERRORE richiesta ") + name + QStringLiteral(": ") + job.fault;
    } else {
        for (const QString& drawing : job.drawings) {
            QThread::msleep(m_workMs);
            const QString failure = CopyDrawing(drawing, outFolder, job.format, m_roots);
            if (failure.isEmpty()) {
                log << QStringLiteral("OK ") + drawing;
                ++done;
            } else {
                log << QStringLiteral("ERRORE ") + drawing + QStringLiteral(": ") + failure;
            }
        }
    }
    log << QStringLiteral("Copiati %1 di %2 disegni").arg(done).arg(job.drawings.size());

    const QString logPath = outFolder + QLatin1Char('/') + name + kLog;
    const bool logged = WriteText(logPath, log);
    // Claimed at the end, the job goes only once its log is safe, and the mark only after the job:
    // a kill at any point leaves the job to be done again. A job whose log cannot be written is
    // set aside under a name that is served no more, or it would be served again and again.
    if (m_claim == Claim::AtEnd) {
        if (logged)
            QFile::remove(jobPath);
        else if (QFile::rename(jobPath, jobPath + kSetAside))
            m_out << name << ": messa da parte come " << name << kJob << kSetAside << '\n';
    }
    QFile::remove(wipPath);
    const QString outcome =
        job.fault.isEmpty() ? QStringLiteral("%1 di %2 copiati").arg(done).arg(job.drawings.size()) : job.fault;
    m_out << name << ": " << outcome << " -> " << (logged ? logPath : QStringLiteral("log non scritto")) << '\n'
          << Qt::flush;
}
