#include "request/Convert.h"

#include "platform/Host.h"
#include "request/JobFile.h"
#include "request/Watcher.h"
#include "settings/Settings.h"

QString RequestName(int secondsSinceMidnight)
{
    return QStringLiteral("Z_") + QString::number(secondsSinceMidnight);
}

void Convert(SettingsRecord& s, const QStringList& drawings, QLabel* status, Host& host)
{
    const QString name = RequestName(host.secondsSinceMidnight());
    SetStatus(status, 2);
    s.JobFilePath = s.JobFileDir + QLatin1Char('\\') + name + s.JobExt;

    const QString warning = WriteJobFile(s.JobFilePath, s, drawings, host);
    if (!warning.isEmpty()) {
        SetStatus(status, 1);
        StopWatching(s);
        host.showWarning(warning);
        return;
    }

    s.WipFilePath = s.JobFileDir + QLatin1Char('\\') + name + s.WipExt;
    const QString logFolder = s.OutFolder.isEmpty()
        ? s.DXFOutDirRoot
        : s.DXFOutDirRoot + QLatin1Char('\\') + s.OutFolder;
    s.LogFilePath = logFolder + QLatin1Char('\\') + name + s.LogExt;

    const FileStatus earlierLog = host.fileStatus(s.LogFilePath);
    s.StaleLogModified = earlierLog.isFile ? std::optional<qint64>(earlierLog.modified)
                                           : std::nullopt;
}
