#pragma once
#include "TestHost.h"
#include "settings/Settings.h"

// The test's own request folder and output root, emptied before each test, and settings for them.
struct Folders {
    QTemporaryDir tmp;
    const QString jobs = tmp.filePath("Richieste"), out = tmp.filePath("Uscita");

    void renew(const QStringList& more = {})
    {
        QDir(tmp.path()).removeRecursively();
        for (const QString& folder : QStringList{jobs, out} + more)
            QDir().mkpath(folder);
    }
    SettingsRecord settings() const
    {
        SettingsRecord s;
        InitDefaults(s);
        s.JobFileDir = Native(jobs);
        s.DXFOutDirRoot = Native(out);
        return s;
    }
    QStringList inRequestFolder() const { return QDir(jobs).entryList(QDir::Files | QDir::Hidden); }
};
