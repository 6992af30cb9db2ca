#pragma once
#include <QMap>
#include <QString>
#include <QTextStream>

// Serves the client's request folder the way the real conversion server does, except that it
// copies each drawing under the target format's extension instead of converting it.
class StandinServer {
public:
    // When a job leaves the request folder: real servers do either, and clients must be right
    // with both. AtStart frees the job's name while the .wip says the work goes on.
    enum class Claim {
        AtEnd,   // once its log is written
        AtStart,   // when the work starts, after the .wip is made
    };

    // roots: the folders that stand for drives ("y:") and UNC shares ("\\\\srv\\cad") in the
    // drawings' paths, as a Windows server reaches them.
    StandinServer(const QString& jobsDir, const QString& outRoot, int workMs, QTextStream& out,
                  const QMap<QString, QString>& roots = {}, Claim claim = Claim::AtEnd);

    // Removes the .wip marks that a killed run of ours left behind; their jobs are still there
    // and are done again.
    void recover();

    // Handles every job now in the request folder, oldest first; returns how many.
    int handlePending();

private:
    void serveJob(const QString& name);

    QString m_jobs;
    QString m_outRoot;
    int m_workMs;
    QTextStream& m_out;
    QMap<QString, QString> m_roots;
    Claim m_claim;
};
