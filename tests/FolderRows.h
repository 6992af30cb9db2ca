#pragma once
#include <QList>
#include <QString>

// Output sub-folders, and whether each may name a folder below the output root. The client
// refuses the others before writing anything; the stand-in server refuses them in a job.
struct FolderRow {
    const char* name;
    QString folder;
    bool allowed;
};

inline QList<FolderRow> FolderRows()
{
    return {
        {"plain", "Lotto7", true},
        {"nested, backslash", "clienti\\rossi", true},
        {"nested, slash", "clienti/rossi", true},
        {"code page", "Città", true},
        {"up", "..\\fuori", false},
        {"up inside", "a\\..\\..\\x", false},
        {"up, mixed separators", "a/..\\../x", false},
        {"leading backslash", "\\x", false},
        {"posix absolute", "/tmp/x", false},
        {"drive", "c:\\x", false},
        {"drive-relative", "c:x", false},
        {"forbidden character", "a?b", false},
        {"control character", "a\tb", false},
        {"part ends in a dot", "a.\\b", false},
        {"part ends in a blank", "a \\b", false},
        {"empty part", "a\\\\b", false},
    };
}
