#pragma once
#include <QString>
#include <QStringList>

#include "request/Status.h"

class Host;
class QLabel;
struct SettingsRecord;

// "Z_" + whole seconds since local midnight.
QString RequestName(int secondsSinceMidnight);

// The Convert action: names the request, shows it as sent, writes its job file into JobFileDir
// and records the .wip and .log paths to watch. A job file that cannot be written is never
// reported as sent: the status goes back to the list, nothing is watched, and a warning says why.
void Convert(SettingsRecord& settings, const QStringList& drawings, QLabel* status, Host& host);
