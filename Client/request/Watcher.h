#pragma once

class Host;
class QLabel;
struct SettingsRecord;

// One tick of the progress watcher: the server's .wip mark means work in progress, otherwise
// its .log means done, otherwise nothing changes. At most two file-status calls.
void WatchTick(SettingsRecord& settings, QLabel* status, const Host& host);

// Forgets the current request's marks: nothing is watched until the next Convert.
void StopWatching(SettingsRecord& settings);
