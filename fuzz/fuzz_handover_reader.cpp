// The one-window socket's reader on arbitrary bytes: a list read whole, within its limits, is
// written back as exactly those bytes, and every shorter part of them needs more; nothing crashes
// or hangs whatever comes.
#include "platform/OneWindow.h"

#include <QDataStream>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const HandOverRead read = ReadHandOver(bytes);
    if (read.state != HandOverRead::Done)
        return 0;
    QByteArray again;
    QDataStream out(&again, QIODevice::WriteOnly);
    out << read.paths;
    if (again != bytes || read.paths.size() > 32767 || ReadHandOver(bytes.chopped(1)).state != HandOverRead::NeedMore)
        abort();
    for (const QString& path : read.paths)
        if (path.size() > 32767)
            abort();
    return 0;
}
