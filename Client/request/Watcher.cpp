#include "request/Watcher.h"

#include "platform/Host.h"
#include "request/Status.h"
#include "settings/Settings.h"

void WatchTick(SettingsRecord& s, QLabel* status, const Host& host)
{
    if (host.fileExists(s.WipFilePath)) {
        SetStatus(status, 3);
        return;
    }
    const FileStatus log = host.fileStatus(s.LogFilePath);
    if (s.StaleLogModified) {
        // A log from an earlier day's request of the same name is not this one's completion.
        if (log.isFile && log.modified == *s.StaleLogModified)
            return;
        s.StaleLogModified.reset();
        if (!log.isFile)
            return;
    }
    if (log.isFile)
        SetStatus(status, 4);
}

void StopWatching(SettingsRecord& s)
{
    s.WipFilePath.clear();
    s.LogFilePath.clear();
    s.StaleLogModified.reset();
}
