#pragma once
#include <QString>
#include <QStringList>
#include <functional>

#include "request/Status.h"

class Host;
class QLabel;
class Watcher;
struct SettingsRecord;

// "Z_" + whole seconds since local midnight.
QString RequestName(int secondsSinceMidnight);

// The Convert action. Names the request and shows it as sent at once, checks and encodes its
// job here, then reads whether an earlier log lies where this request's will go and publishes
// the job file on a worker thread, so that a hung share never stops the window.
//
// When the write has ended, back on this thread: written() runs; a job that is in the request
// folder is watched; one that is not gives status 1 and the warning that says why. A reset in
// the meantime (the watcher moved on) leaves the status and the watch alone, but a failure still
// shows its warning. Returns false when the job was refused before any write (status 1, nothing
// watched, the warning shown); written() then never runs.
bool Convert(SettingsRecord& settings, const QStringList& drawings, QLabel* status,
             Watcher& watcher, Host& host, const std::function<void()>& written);
