#pragma once
#include <QString>
#include <array>

// The configuration of the program and the request being prepared; what is watched of a sent
// request lives with the watcher.
struct SettingsRecord {
    qint32 WaitTimeout = 0;   // ms with no sign of the server before a request's job is looked for
    qint32 StuckConverterTimeout = 0;   // stored only
    QString JobFileDir;   // shared request folder
    QString JobFileDirRefused;   // the file's JobFileDir, refused at start-up as surely not there
    QString JobExt;
    QString WipExt;
    QString LogExt;
    QString JobFilePath;   // last job file written
    std::array<QString, 3> RunString;   // converter command line pieces; stored only
    QString OutFolder;   // output sub-folder typed by the user
    QString DXFOutDirRoot;   // root of output sub-folders and completion logs
    QString OutDirTag;
    QString DXFDWGmode;   // "DXF" or "DWG"
    QString ModeTag;
    qint16 MaxNumberFiles = 0;   // list cap; negative means only the list's own limit
    bool KeepLog = false;   // stored only
    bool Interattivo = false;   // stored only
};

// The one record of the running program.
extern SettingsRecord Settings;

// Built-in defaults; JobFilePath and OutFolder are left as they are.
void InitDefaults(SettingsRecord& settings);
