// The job writer on arbitrary lists and output folders, each input a real write: the file reads
// back as exactly what went in, or the request is refused with a warning and no file exists; an
// empty list and a folder outside the output root are always refused.
#include "platform/CodePage.h"
#include "platform/Host.h"
#include "platform/HostPath.h"
#include "request/JobFile.h"
#include "settings/Settings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>

static void Check(bool ok, const char* what)
{
    if (!ok) {
        fprintf(stderr, "invariant broken: %s\n", what);
        abort();
    }
}

// The input as UTF-16: the first unit picks the mode, then texts apart by U+FFFF: the output
// folder, then the drawings.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm/kivra-fuzz-XXXXXX")
                                                                       : QDir::tempPath() + "/kivra-fuzz-XXXXXX");
    const QString units(reinterpret_cast<const QChar*>(data), qsizetype(size / 2));
    SettingsRecord s;
    InitDefaults(s);
    s.DXFDWGmode = !units.isEmpty() && (units[0].unicode() & 1) ? QStringLiteral("DWG") : QStringLiteral("DXF");
    QStringList drawings = units.mid(1).split(QChar(0xFFFF));
    s.OutFolder = drawings.takeFirst();
    const QString path = dir.filePath(QStringLiteral("Z_1.job"));
    QFile::remove(path);

    QByteArray job;
    QString warning = JobBytes(s, drawings, job);
    if (warning.isEmpty())
        warning = WriteJobFile(path, QStringLiteral("Z_1"), job, Host());
    if (!warning.isEmpty()) {
        Check(QDir(dir.path()).isEmpty(QDir::Files | QDir::Hidden), "a refused or failed write left a file");
        return 0;
    }
    Check(!drawings.isEmpty() && StaysInsideRoot(s.OutFolder), "a request that cannot complete was sent");
    QFile file(path);
    Check(file.open(QIODevice::ReadOnly), "written file missing");
    const QByteArray bytes = file.readAll();
    QStringList expected{QStringLiteral("DXFDWG=") + s.DXFDWGmode};
    if (!s.OutFolder.isEmpty())
        expected.prepend(QStringLiteral("OUTDIR=") + s.OutFolder);
    for (const QString& drawing : drawings)
        expected << WindowsPath(drawing);
    // Every CR and LF is a line end, and the lines are exactly what went in.
    Check(bytes.count("\r\n") == expected.size() && bytes.count('\n') == expected.size() && bytes.count('\r') == expected.size()
              && bytes.endsWith("\r\n") && DecodeAnsi(bytes.chopped(2)).split(QStringLiteral("\r\n")) == expected,
          "job file does not read back as what went in");
    return 0;
}
