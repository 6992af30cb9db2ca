#include "settings/Settings.h"

SettingsRecord Settings;

void InitDefaults(SettingsRecord& s)
{
    s.WaitTimeout = 420000;
    s.StuckConverterTimeout = 60;
    s.JobFileDir = QStringLiteral("y:\\Richieste");
    s.JobExt = QStringLiteral(".job");
    s.WipExt = QStringLiteral(".wip");
    s.LogExt = QStringLiteral(".log");
    s.RunString[0] = QStringLiteral("C:\\Programmi\\Convertitore\\bin\\convdis.exe NOECO ");
    s.RunString[1] = QStringLiteral(" -i4 C:\\Programmi\\Convertitore\\files\\dxf.ini -R");
    s.RunString[2] = QStringLiteral("\"");
    s.DXFOutDirRoot = QStringLiteral("y:\\Richieste");
    s.OutDirTag = QStringLiteral("OUTDIR=");
    s.DXFDWGmode = QStringLiteral("DXF");
    s.ModeTag = QStringLiteral("DXFDWG=");
    s.MaxNumberFiles = 3;
    s.KeepLog = false;
    s.Interattivo = false;
}
