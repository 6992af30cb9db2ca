#pragma once
#include <QByteArray>
#include <QString>
#include <functional>

// What a host path names right now. One status call is one look at the file system.
struct FileStatus {
    bool isFile = false;    // a file, not a folder
    bool isFolder = false;
    qint64 modified = 0;    // ms since the epoch, when isFile
};

// The program's one door to its host: warnings, the clock and the file system. Every path is
// Windows-style and is mapped here. Tests subclass it to fix the time, collect warnings or count
// file-status calls.
class Host {
public:
    virtual ~Host() = default;

    virtual void showWarning(const QString& text);
    virtual int secondsSinceMidnight() const;

    // An empty path names nothing.
    virtual FileStatus fileStatus(const QString& path) const;
    bool fileExists(const QString& path) const { return fileStatus(path).isFile; }
    bool folderExists(const QString& path) const { return fileStatus(path).isFolder; }

    // Calls onLine for every line of a text file in the code page; a line ends at CR LF, LF or
    // CR. False when the file cannot be opened or read.
    virtual bool readLines(const QString& path,
                           const std::function<void(const QString& line)>& onLine) const;

    // Replaces the file with bytes, atomically: readers see the old file or the whole new one,
    // never a part, and a failed write leaves nothing behind. Returns the reason of a failure,
    // or an empty string when the file was written.
    virtual QString replaceFile(const QString& path, const QByteArray& bytes) const;
};

// The modal warning box: title "ATTENZIONE!", one OK button, no icon.
void ShowWarning(const QString& text);

// Qt's own texts (context menus, standard buttons) in Italian; once per process.
void InstallItalianTranslation();
