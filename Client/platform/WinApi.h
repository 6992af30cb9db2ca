#pragma once
// The Windows calls of the platform layer, in standard C++ without Qt, so that they are built and
// tested with MinGW under Wine on machines that have no Qt for Windows. Strings are UTF-16, as
// Windows has them.
#include <string>

namespace win {

// The system's ANSI code page (GetACP): the code page of settings and job files.
unsigned SystemCodePage();

enum class Conversion {
    Done,
    Unrepresentable,
    Failed
};

struct Encoded {
    Conversion result = Conversion::Failed;
    std::string bytes;
    unsigned long error = 0;   // GetLastError() when the conversion itself failed
};

// text in codePage. UTF-8 (65001) holds every text but a lone surrogate. Any other code page is
// checked by converting back: a character that does not come back the same (a best fit, a
// default character, a part of a double-byte one) makes the text unrepresentable.
Encoded Encode(unsigned codePage, const std::u16string& text);
std::u16string Decode(unsigned codePage, const std::string& bytes);

struct Status {
    bool exists = false;
    bool isFolder = false;
    long long modified = 0;   // last write, in 100 ns units since 1601
    // The call failed, and not because the path or a folder on it is missing.
    bool unknown = false;
    // Not there, in a folder that is (ERROR_FILE_NOT_FOUND; a missing folder, drive or UNC share
    // gives ERROR_PATH_NOT_FOUND).
    bool folderThere = false;
};

// path made full by GetFullPathNameW (which also folds doubled separators and turns '/' into
// '\'), with the prefix that lifts the 260-character limit: "\\?\" before a drive, "\\?\UNC\"
// for "\\server\share". A path that has a prefix already is left as it is.
std::u16string LongPath(const std::u16string& path);

// One GetFileAttributesExW call, on the long form of path.
Status PathStatus(const std::u16string& path);

enum class Moved {
    Done,
    NameTaken,
    Busy,
    Failed
};

// MoveFileExW without MOVEFILE_REPLACE_EXISTING, on the long forms of the paths: an existing
// target is refused. Busy when the source is held open or denied for a moment (an antivirus,
// indexer or backup agent at work); error is set on Failed.
Moved MoveNoReplace(const std::u16string& from, const std::u16string& to, unsigned long& error);

// The user's SID and the number of this logon's session, "S-1-5-...-2": what tells one desktop
// from another on a machine that many use at once.
std::u16string DesktopOwner();

// Whether the process at the server end of a named pipe runs as this process's user: a pipe's
// name is seen, and can be taken first, by every user of the machine.
bool PipeServerIsMine(void* pipe);

// Lets the process that this one hands over to take the foreground.
void LetOthersComeToFront();

}   // namespace win
