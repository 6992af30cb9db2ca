#pragma once
#include "platform/FileCalls.h"

#include <QString>

class Host;

// "Z_" + whole seconds since local midnight.
QString RequestName(int secondsSinceMidnight);

// A configured folder (the request folder, the output root), and what was seen of it: when it is a
// mount point, the empty folder that its share leaves when it goes away carries the volume of the
// folder that holds it, and an absence there tells nothing.
struct ShareFolder {
    QString path;
    quint64 parentDevice = 0;   // not 0: seen as a mount point over this volume
};

// Whether the folder is there now, its share mounted if it was ever seen as a mount point: one call.
bool FolderThere(const ShareFolder& folder, const Host& host);
// The folder with what two calls, at it and at the folder that holds it, tell of it. Once seen as a
// mount point it stays one: a share that went away looks like a plain folder.
ShareFolder SeeMountPoint(ShareFolder folder, const Host& host);

// What is watched of one sent request, and what was seen that tells whose a log at LogFilePath is.
// Names repeat daily, and another workstation may send under the same name, so a log counts as this
// request's only on evidence that it was written after this job was published: a look made after
// publishing saw something else there (nothing, or a log of another time), or this request's .wip.
// A log stamped after the job tells nothing: the job keeps the stamp of its temporary file, and
// another request's log may be written before the rename.
struct WatchedRequest {
    QString Name;
    QString JobFilePath;
    QString WipFilePath;
    QString LogFilePath;
    QString OutputFolder;   // where the server puts the converted drawings
    ShareFolder RequestFolder;
    ShareFolder OutputRoot;   // the configured folder that holds OutputFolder
    qint64 SentAt = 0;   // ms since 1970, this machine's clock
    FileStatus Job;   // the job right after it was published, when the look answered
    enum Baseline {
        NotSeen,   // no look since publishing has told what lies at LogFilePath
        NoLog,
        LogThere,   // a log written at BaselineModified
    };
    Baseline baseline = NotSeen;
    qint64 BaselineModified = 0;
    // A .wip of the name already there as the job went out is another request's, until seen gone; no log
    // counts meanwhile, and what lies at LogFilePath then is the baseline.
    bool wipBefore = false;
    bool wipSeen = false;
    qint64 WipGoneAt = 0;   // ms since 1970 (this machine) when the .wip was seen gone; 0 while not
};

// Whether log, a file at LogFilePath, is this request's completion, on the evidence above.
bool IsCompletion(const WatchedRequest& request, const FileStatus& log);

// The log's status, with its absence made sure of: where the answer does not tell whether the
// folder is there, the output root is looked at too (the output folder may not be made yet).
FileStatus LogStatus(const WatchedRequest& request, const Host& host);

// What one look at the file system saw. Whatever was not looked at is unknown.
struct Marks {
    FileStatus wip{false, false, 0, true};
    FileStatus log{false, false, 0, true};
};

// Looks for request's marks with at most calls file-status calls, and takes off those it made: the
// .wip, then the .log when the .wip is surely not there. Only on the rare steps that need it, a third
// call makes an absence sure (the folder that would hold the mark), or the log is looked at while the
// server works, to know what lay there before it writes, or, when the request is due to end without a
// log (endingDue), to make that log's absence sure. What it had no call left for is unknown.
Marks LookForMarks(const WatchedRequest& request, const Host& host, int& calls, bool endingDue = false);

// What a look tells of a request, once learnt from (Learn).
enum class Seen {
    Nothing,   // nothing new that the status shows
    Converting,
    Converted,
    EndedWithoutLog,   // its .wip came and went, and no log of it came for endedAfterMs
};

// Takes what a look saw into what is known of request, at now (ms since 1970). A failed look tells
// nothing. The .wip of a request counts from publishing until it is seen gone; one of the same name
// after that is another request's.
Seen Learn(WatchedRequest& request, const Marks& marks, qint64 now, qint64 endedAfterMs);
