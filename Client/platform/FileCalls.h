#pragma once
#include <QByteArray>
#include <QMap>
#include <QString>
#include <functional>

// The file system, as the program touches it. Paths are Windows-style and mapped with HostPath.
// Every call may block for as long as a share hangs, and none touches anything but the file
// system, so any thread may make it.

// What a path names right now. One status call is one system call.
struct FileStatus {
    bool isFile = false;   // a file, not a folder
    bool isFolder = false;
    qint64 modified = 0;   // when isFile: last write, ms since 1970 by the file server's clock
    // The call failed for another reason than "not there" (a share that dropped, a denied
    // look): the path may or may not name something, and this tells nothing.
    bool unknown = false;
    // Nothing is there, and the folder that would hold it was seen to be there. A share that went
    // away (an empty mount point, an unmapped drive) answers "not there" for everything, so an
    // absence counts only with this. Windows tells it from the error; elsewhere the caller looks
    // at the folder.
    bool folderSeen = false;
    // The volume the path lies on (st_dev) when something is there; 0 where the host does not tell
    // (Windows, whose error codes tell a missing share instead).
    quint64 device = 0;

    // "Not there", and whether that counts.
    bool notThere() const { return !isFile && !isFolder && !unknown; }
    bool absent() const { return notThere() && folderSeen; }
};

// An empty path names nothing and costs no call.
FileStatus FileStatusOf(const QString& path);

// How a text file is read: in the code page, or as UTF-8 when EncodingGuess finds it to be
// UTF-8 (a first pass judges it).
enum class TextIn {
    CodePage,
    CodePageOrUtf8
};

// Calls onLine for every line of a text file, reading it as a stream. False when the file cannot
// be opened or read.
bool ReadLines(const QString& path, const std::function<void(const QString& line)>& onLine,
               TextIn textIn = TextIn::CodePage);

// How publishing a new file ended. Unsafe: the folder offers no rename that refuses an existing
// target, nor hard links, so nothing can be put there without risking a file of the same name.
struct Publication {
    enum Outcome {
        Published,
        NameTaken,
        Unsafe,
        Failed
    };
    Outcome outcome = Failed;
    QString reason;   // why it failed, in words the user reads
};

// How a rename ended. Busy: the file is held for a moment (an antivirus, an indexer or a backup
// agent at work); reason says why whenever it is not Done.
enum class Renamed {
    Done,
    NameTaken,
    Busy,
    Unsafe,
    Failed
};
using Rename = std::function<Renamed(const QString& from, const QString& to, QString& reason)>;

// The host's rename that refuses an existing target (host paths).
Renamed RenameNoReplace(const QString& from, const QString& to, QString& reason);

// Makes a file at path holding bytes, only if no file of that name is there: the bytes go to a
// temporary file beside it ("<name>.tmp-<random>", never ending in the name's own extension)
// that is renamed to path by rename, which refuses an existing target, and is tried again for
// about a second while it finds the file busy. Readers see no file or the whole one. A failure
// leaves nothing behind; a kill can leave only the temporary file.
Publication PublishFile(const QString& path, const QByteArray& bytes, const Rename& rename = RenameNoReplace);

bool FileHolds(const QString& path, const QByteArray& bytes);

// Takes a file that waits in its folder out of it: renamed, never over another file, to
// "<name>.annullata" (a name no reader of the folder takes up), then removed. False when it was not
// there to take: gone, held open, or the look failed. A reader that opened it before keeps what it read.
bool WithdrawFile(const QString& path);

// The files of a folder (not its sub-folders), by name: small ones only, as the user guide's page
// and pictures are. Empty when the folder cannot be read.
QMap<QString, QByteArray> ReadFolder(const QString& folder);
