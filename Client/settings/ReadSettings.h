#pragma once
#include <QString>

class Host;
struct SettingsRecord;

// Applies the settings file at path (Windows-style) to settings. Every refused line is reported
// through host.showWarning, and reading goes on; the file is never written.
void ReadSettings(const QString& path, SettingsRecord& settings, Host& host);
