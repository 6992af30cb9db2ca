#pragma once
#include <QString>
#include <array>
#include <optional>

// The configuration of the program and the state of its current request.
struct SettingsRecord {
    qint32 WaitTimeout = 0;             // ms; stored for the server's side, unused here
    qint32 StuckConverterTimeout = 0;   // stored only
    QString JobFileDir;                 // shared request folder
    QString JobExt;
    QString WipExt;
    QString LogExt;
    QString JobFilePath;                // last job file written
    std::array<QString, 3> RunString;   // converter command line pieces; stored only
    QString OutFolder;                  // output sub-folder typed by the user
    QString DXFOutDirRoot;              // root of output sub-folders and completion logs
    QString OutDirTag;
    QString DXFDWGmode;                 // "DXF" or "DWG"
    QString ModeTag;
    qint16 MaxNumberFiles = 0;          // list cap; negative means only the list's own limit
    bool KeepLog = false;               // stored only
    QString LogFilePath;                // completion log of the current request
    QString WipFilePath;                // work-in-progress mark of the current request
    bool Interattivo = false;           // stored only

    // Modification time of a log that already lay at LogFilePath when the request was sent
    // (request names repeat daily). It counts as this request's log only once it has changed
    // or disappeared and come back.
    std::optional<qint64> StaleLogModified;
};

// The one record of the running program.
extern SettingsRecord Settings;

// Built-in defaults; JobFilePath and OutFolder are left as they are.
void InitDefaults(SettingsRecord& settings);
