#pragma once
#include <QList>
#include <QPair>
#include <QString>

// Output sub-folders, and whether each may name a folder below the output root: the client
// refuses the others before writing anything, the stand-in server in a job.
inline const QList<QPair<QString, bool>> FolderRows{
    {"Lotto7", true}, {"clienti\\rossi", true}, {"clienti/rossi", true}, {"Città", true},
    {"..\\fuori", false}, {"a\\..\\..\\x", false}, {"a/..\\../x", false}, {"\\x", false},
    {"/tmp/x", false}, {"c:\\x", false}, {"c:x", false}, {"a?b", false}, {"a\tb", false},
    {"a.\\b", false}, {"a \\b", false}, {"a\\\\b", false}};
