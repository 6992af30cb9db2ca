// The job file writer on arbitrary drawing lists and output folders: the file it writes reads
// back as exactly what went in, or it refuses with a warning and leaves no file at all; an empty
// list and a folder outside the output root are always refused.
#include "platform/CodePage.h"
#include "platform/Host.h"
#include "platform/HostPath.h"
#include "request/JobFile.h"
#include "settings/Settings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>

namespace {

void Check(bool ok, const char* what)
{
    if (!ok) {
        fprintf(stderr, "invariant broken: %s\n", what);
        abort();
    }
}

// The input as UTF-16: the first unit picks the mode, then texts apart by U+FFFF: the output
// folder first, then the drawings.
void Split(const uint8_t* data, size_t size, SettingsRecord& s, QStringList& drawings)
{
    const QString units(reinterpret_cast<const QChar*>(data), qsizetype(size / 2));
    s.DXFDWGmode = !units.isEmpty() && (units[0].unicode() & 1) ? QStringLiteral("DWG")
                                                                 : QStringLiteral("DXF");
    QStringList texts = units.mid(1).split(QChar(0xFFFF));
    s.OutFolder = texts.takeFirst();
    drawings = texts;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // tmpfs when the host has one: every input is a real write.
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm/kivra-fuzz-XXXXXX")
                                                      : QDir::tempPath() + "/kivra-fuzz-XXXXXX");
    SettingsRecord s;
    InitDefaults(s);
    QStringList drawings;
    Split(data, size, s, drawings);
    const QString path = dir.filePath(QStringLiteral("Z_1.job"));
    QFile::remove(path);

    QByteArray job;
    QString warning = JobBytes(s, drawings, job);
    if (warning.isEmpty())
        warning = WriteJobFile(path, QStringLiteral("Z_1"), job, Host());
    if (!warning.isEmpty()) {
        Check(QDir(dir.path()).isEmpty(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot),
              "a refused or failed write left a file");
        return 0;
    }
    Check(!drawings.isEmpty() && StaysInsideRoot(s.OutFolder), "a request that cannot complete was sent");
    QFile file(path);
    Check(file.open(QIODevice::ReadOnly), "written file missing");
    const QByteArray bytes = file.readAll();
    Check(bytes.endsWith("\r\n"), "last line must end in CR LF");
    QStringList lines;
    for (const QByteArray& piece : bytes.chopped(2).split('\n'))
        lines << DecodeAnsi(piece.endsWith('\r') ? piece.chopped(1) : piece);
    // Every CR and every LF of the file must belong to a line end.
    Check(bytes.count("\r\n") == lines.size() && bytes.count('\n') == lines.size()
              && bytes.count('\r') == lines.size(),
          "a line break inside a text");
    QStringList expected;
    if (!s.OutFolder.isEmpty())
        expected << QStringLiteral("OUTDIR=") + s.OutFolder;
    expected << QStringLiteral("DXFDWG=") + s.DXFDWGmode;
    expected += drawings;
    Check(lines == expected, "job file does not read back as what went in");
    return 0;
}
