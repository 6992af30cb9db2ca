#include "platform/FileCalls.h"

#include "platform/HostPath.h"
#include "platform/TextLines.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QThread>

#ifdef Q_OS_WIN
#include "platform/WinApi.h"

#include <io.h>
#include <windows.h>
#else
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

#ifdef Q_OS_WIN

FileStatus StatusOf(const QString& hostPath)
{
    const win::Status found = win::PathStatus(hostPath.toStdU16String());
    FileStatus status;
    status.unknown = found.unknown;
    status.folderSeen = found.folderThere;
    status.isFolder = found.exists && found.isFolder;
    status.isFile = found.exists && !found.isFolder;
    if (status.isFile)   // 100 ns units since 1601
        status.modified = found.modified / 10000 - 11644473600000LL;
    return status;
}

bool SyncToDisk(int fd)
{
    return FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(fd)));
}

// reason is set on Busy too, for when the retries run out.
Renamed HostRename(const QString& from, const QString& to, QString& reason)
{
    unsigned long error = 0;
    const win::Moved moved = win::MoveNoReplace(from.toStdU16String(), to.toStdU16String(), error);
    if (moved == win::Moved::Done)
        return Renamed::Done;
    if (moved == win::Moved::NameTaken)
        return Renamed::NameTaken;
    reason = moved == win::Moved::Busy && error != ERROR_ACCESS_DENIED
        ? QStringLiteral("il file è in uso da un altro programma")
        : QStringLiteral("impossibile rinominare il file (errore %1)").arg(error);
    return moved == win::Moved::Busy ? Renamed::Busy : Renamed::Failed;
}

#else

FileStatus StatusOf(const QString& hostPath)
{
    struct stat st;
    FileStatus status;
    if (::stat(QFile::encodeName(hostPath).constData(), &st) != 0) {
        status.unknown = errno != ENOENT && errno != ENOTDIR;
        return status;
    }
    status.device = quint64(st.st_dev) + 1;   // 0 stays "not told"
    status.isFolder = S_ISDIR(st.st_mode);
    status.isFile = !status.isFolder;
    if (status.isFile)
        status.modified = qint64(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000;
    return status;
}

bool SyncToDisk(int fd)
{
#ifdef Q_OS_LINUX
    return ::fdatasync(fd) == 0;
#else
    return ::fsync(fd) == 0;
#endif
}

Renamed Classify(int error, QString& reason)
{
    if (error == EEXIST)
        return Renamed::NameTaken;
    reason = error == EBUSY ? QStringLiteral("il file è in uso da un altro programma")
                            : (QStringLiteral("impossibile rinominare il file (")
                               + QString::fromLocal8Bit(std::strerror(error)) + QLatin1Char(')'));
    return error == EBUSY ? Renamed::Busy : Renamed::Failed;
}

// Errors of a call that the file system does not offer at all.
bool Unsupported(int error)
{
    return error == EPERM || error == ENOSYS || error == ENOTSUP;
}

// renameat2 refuses an existing target in the same step as the rename, even between two
// machines on one share. File systems without it get link + unlink, which refuses the same way;
// one that has neither (some FUSE bridges to SMB shares) cannot take a job safely.
Renamed HostRename(const QString& from, const QString& to, QString& reason)
{
    const QByteArray source = QFile::encodeName(from), target = QFile::encodeName(to);
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return Renamed::Done;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
        return Classify(errno, reason);
#endif
    if (::link(source.constData(), target.constData()) != 0)
        return Unsupported(errno) ? Renamed::Unsafe : Classify(errno, reason);
    ::unlink(source.constData());
    return Renamed::Done;
}

#endif

// Why a write failed, in words the user reads; the system's own text follows when it has one.
QString WriteFailure(const QFileDevice& file)
{
    QString reason;
    switch (file.error()) {
    case QFileDevice::OpenError: reason = QStringLiteral("impossibile creare il file"); break;
    case QFileDevice::ResourceError: reason = QStringLiteral("spazio esaurito"); break;
    default: reason = QStringLiteral("scrittura non riuscita (disco pieno o file troppo grande?)");
    }
    const QString detail = file.errorString();
    if (!detail.isEmpty() && detail != QLatin1String("Unknown error"))
        reason += QStringLiteral(" (") + detail + QLatin1Char(')');
    return reason;
}

// Writes bytes to a new file and makes sure they reached the disk; on a failure the file is
// removed again.
QString WriteNewFile(QFile& file, const QByteArray& bytes)
{
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return WriteFailure(file);
    QString failure;
    // A small write only fills Qt's buffer: a full disk or a quota shows at flush or sync.
    if (file.write(bytes) != bytes.size() || !file.flush())
        failure = WriteFailure(file);
    else if (!SyncToDisk(file.handle()))
        failure = QStringLiteral("scrittura non riuscita (disco pieno o file troppo grande?)");
    file.close();
    if (failure.isEmpty() && file.error() != QFileDevice::NoError)
        failure = WriteFailure(file);
    if (!failure.isEmpty())
        file.remove();
    return failure;
}

}   // namespace

Renamed RenameNoReplace(const QString& from, const QString& to, QString& reason)
{
    return HostRename(from, to, reason);
}

FileStatus FileStatusOf(const QString& path)
{
    if (path.isEmpty())
        return {};
    return StatusOf(HostPath(path));
}

bool ReadLines(const QString& path, const std::function<void(const QString& line)>& onLine, TextIn textIn)
{
    QFile file(HostPath(path));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return false;
    QByteArray piece(1 << 16, Qt::Uninitialized);
    const auto forEachPiece = [&](const std::function<void(QByteArrayView)>& use) {
        for (;;) {
            const qint64 n = file.read(piece.data(), piece.size());
            if (n <= 0)
                return n == 0;
            use(QByteArrayView(piece.constData(), n));
        }
    };
    Encoding encoding = Encoding::Ansi;
    if (textIn == TextIn::CodePageOrUtf8) {
        EncodingGuess guess;
        if (!forEachPiece([&](QByteArrayView bytes) { guess.feed(bytes); }) || !file.seek(0))
            return false;
        encoding = guess.encoding();
    }
    LineSplitter lines(onLine, encoding);
    if (!forEachPiece([&](QByteArrayView bytes) { lines.feed(bytes); }))
        return false;
    lines.finish();
    return true;
}

Publication PublishFile(const QString& path, const QByteArray& bytes, const Rename& rename)
{
    const QString target = HostPath(path);
    // The random part keeps two writers of the same name, on one machine or two, apart.
    QFile file(target + QStringLiteral(".tmp-") + QString::number(QRandomGenerator::global()->generate64(), 36));
    QString failure = WriteNewFile(file, bytes);
    if (!failure.isEmpty())
        return {Publication::Failed, failure};

    // An antivirus or indexer may hold the new file for a moment: retry for about a second.
    Renamed renamed = Renamed::Busy;
    for (int attempt = 0; attempt < 10 && renamed == Renamed::Busy; ++attempt) {
        if (attempt > 0)
            QThread::msleep(100);
        renamed = rename(file.fileName(), target, failure);
    }
    if (renamed == Renamed::Done)
        return {Publication::Published, {}};
    file.remove();
    switch (renamed) {
    case Renamed::NameTaken: return {Publication::NameTaken, {}};
    case Renamed::Unsafe: return {Publication::Unsafe, {}};
    default: return {Publication::Failed, failure};
    }
}

bool FileHolds(const QString& path, const QByteArray& bytes)
{
    QFile file(HostPath(path));
    return file.open(QIODevice::ReadOnly) && file.size() == bytes.size() && file.readAll() == bytes;
}

bool WithdrawFile(const QString& path)
{
    const QString aside = HostPath(path) + QStringLiteral(".annullata");
    QString reason;
    if (RenameNoReplace(HostPath(path), aside, reason) != Renamed::Done)
        return false;
    QFile::remove(aside);
    return true;
}

QMap<QString, QByteArray> ReadFolder(const QString& folder)
{
    QMap<QString, QByteArray> files;
    const QDir dir(HostPath(folder));
    for (const QString& name : dir.entryList(QDir::Files)) {
        QFile file(dir.filePath(name));
        if (file.open(QIODevice::ReadOnly))
            files[name] = file.read(1 << 24);
    }
    return files;
}
