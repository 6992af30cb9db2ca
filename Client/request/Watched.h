#pragma once
#include "platform/FileCalls.h"

#include <QString>

class Host;

// "Z_" + whole seconds since local midnight.
QString RequestName(int secondsSinceMidnight);

// What is watched of one sent request: the server's two marks, and what lay at LogFilePath just
// before the job was published. Request names repeat daily, so an earlier day's log may lie there.
struct WatchedRequest {
    QString Name;
    QString WipFilePath;
    QString LogFilePath;
    QString OutputFolder;   // where the server puts the converted drawings
    // The configured folder that holds OutputFolder: while it is not seen there, its share is away
    // and the log's absence tells nothing.
    QString OutputRoot;
    enum Earlier {
        NoLog,
        Log,
        NotKnown,   // the output root did not answer in time
    };
    Earlier earlier = NoLog;   // NoLog too once the log has been seen gone from a folder seen there
    qint64 EarlierLogModified = 0;   // when earlier is Log
    qint64 SentAt = 0;   // ms since 1970, this machine's clock
};

// Whether a log written at modified (ms since 1970, by the file server's clock) is the completion
// of request:
// - nothing lay there before the request was sent, or it has been seen gone since: yes;
// - the earlier log's time is known: yes when the time is another. A log written within the hour
//   holds the name (another request's of this second), so the earlier log is an older one, which
//   even a share that keeps whole seconds tells from a new one;
// - not known (the output root did not answer in time): yes unless it was written well before the
//   request; an hour covers any difference between the clocks of a workstation and a file server.
bool IsCompletion(const WatchedRequest& request, qint64 modified);

// The log's status, with its absence made sure of: where the answer does not tell whether the
// folder is there, the output root is looked at too (the output folder may not be made yet).
FileStatus LogStatus(const WatchedRequest& request, const Host& host);

// What one look at the file system saw: the .wip first; the .log only when the .wip is surely
// not there.
struct Marks {
    FileStatus wip;
    FileStatus log;
};

// Looks for request's marks with at most calls file-status calls, and takes off those it made: one
// for the .wip, one for the .log when the .wip is surely not there, and a third only on the rare
// step that would clear the guard against an earlier log. What it had no call left for is unknown.
Marks LookForMarks(const WatchedRequest& request, const Host& host, int& calls);
