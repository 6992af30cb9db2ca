#pragma once
#include <QByteArray>
#include <QPointer>
#include <QWidget>
#include <QString>
#include <functional>

// What a host path names right now. One status call is one system call.
struct FileStatus {
    bool isFile = false;     // a file, not a folder
    bool isFolder = false;
    qint64 modified = 0;     // when isFile: last write, ms since 1970 by the file server's clock
    // The call failed for another reason than "not there" (a share that dropped, a denied
    // look): the path may or may not name something, and this tells nothing.
    bool unknown = false;
};

// How publishing a new file ended. Unsafe: the folder offers no rename that refuses an existing
// target, nor hard links, so nothing can be put there without risking a file of the same name.
struct Publication {
    enum Outcome { Published, NameTaken, Unsafe, Failed };
    Outcome outcome = Failed;
    QString reason;   // why it failed, in words the user reads
};

// The program's one door to its host: warnings, the clock and the file system. Every path is
// Windows-style and is mapped here. Tests subclass it to fix the time, collect warnings, count
// file-status calls or hold the file system as a hung share would.
//
// The file calls may block for as long as a share hangs; the window calls them on a worker
// thread only, so they must not touch anything but the file system.
class Host {
public:
    virtual ~Host() = default;

    // Warnings open over this window and belong to it.
    void setWindow(QWidget* window) { m_window = window; }
    virtual void showWarning(const QString& text);
    // For a user who is in another window: the window asks for attention the platform's way (its
    // taskbar button flashes), and the desktop shows a notification where it offers them.
    virtual void askForAttention();
    virtual void notify(const QString& title, const QString& text);
    // The folder (Windows-style) in the desktop's file manager.
    virtual void openFolder(const QString& folder);
    virtual int secondsSinceMidnight() const;
    virtual qint64 msecsSinceEpoch() const;

    // An empty path names nothing and costs no call. fileExists and folderExists are false
    // when the look failed.
    virtual FileStatus fileStatus(const QString& path) const;
    bool fileExists(const QString& path) const { return fileStatus(path).isFile; }
    bool folderExists(const QString& path) const { return fileStatus(path).isFolder; }

    // Calls onLine for every line of a text file in the code page, reading it as a stream. With
    // utf8Allowed, a file that EncodingGuess finds to be UTF-8 is read as UTF-8 (a first pass
    // judges it). False when the file cannot be opened or read.
    virtual bool readLines(const QString& path,
                           const std::function<void(const QString& line)>& onLine,
                           bool utf8Allowed = false) const;

    // Makes a file at path holding bytes, only if no file of that name is there: the bytes go
    // to a temporary file beside it ("<name>.tmp-<random>", never ending in the name's own
    // extension) that is renamed to path with a rename that refuses an existing target. Readers
    // see no file or the whole one. A failure leaves nothing behind; a kill can leave only the
    // temporary file.
    virtual Publication publishFile(const QString& path, const QByteArray& bytes) const;

    // Whether the file at path holds exactly bytes.
    virtual bool fileHolds(const QString& path, const QByteArray& bytes) const;

private:
    QPointer<QWidget> m_window;
};

// The modal warning box: title "ATTENZIONE!", one OK button, no icon; a child of parent, which it
// is centred over.
void ShowWarning(const QString& text, QWidget* parent = nullptr);

// Qt's own texts (context menus, standard buttons) in Italian; once per process.
void InstallItalianTranslation();
