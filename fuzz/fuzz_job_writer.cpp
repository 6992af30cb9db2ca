// The job writer on arbitrary lists and output folders: a job is refused, or it can complete
// (drawings, a folder below the output root) and its bytes read back as exactly what went in.
#include "platform/CodePage.h"
#include "platform/HostPath.h"
#include "request/JobFile.h"
#include "settings/Settings.h"

#include <cstdlib>

// The input as UTF-16: the output folder, then the drawings, apart by U+FFFF.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QStringList drawings = QString(reinterpret_cast<const QChar*>(data), qsizetype(size / 2)).split(QChar(0xFFFF));
    SettingsRecord s;
    InitDefaults(s);
    s.OutFolder = drawings.takeFirst();
    QByteArray job;
    if (!JobBytes(s, drawings, job).isEmpty())
        return 0;
    QStringList lines{"DXFDWG=DXF"};
    if (!s.OutFolder.isEmpty())
        lines.prepend("OUTDIR=" + s.OutFolder);
    for (const QString& drawing : drawings)
        lines << WindowsPath(drawing);
    if (drawings.isEmpty() || !StaysInsideRoot(s.OutFolder) || job.count('\n') != lines.size()
        || job.count('\r') != lines.size() || !job.endsWith("\r\n")
        || DecodeAnsi(job.chopped(2)).split("\r\n") != lines)
        abort();
    return 0;
}
