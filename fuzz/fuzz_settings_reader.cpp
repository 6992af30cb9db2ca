// The settings reader on arbitrary bytes: it finishes, says nothing but its own warnings, and
// leaves sound values: positive timeouts, a known mode, a request folder only if it exists.
#include "platform/Host.h"
#include "platform/TextLines.h"
#include "settings/ReadSettings.h"
#include "settings/Settings.h"

#include <QRegularExpression>
#include <cstdlib>

// Serves the input as the settings file; a folder "exists" when its name begins with "ok".
struct InputHost : Host {
    QByteArrayView input;
    QStringList warnings;
    void showWarning(const QString& text) override { warnings << text; }
    FileStatus fileStatus(const QString& path) const override
    {
        return {path == "kivra_client.ini", path.startsWith("ok"), 0};
    }
    // The reader's rules, without a thread a folder line: the fuzzer's inputs hold thousands.
    std::optional<FileStatus> fileStatusWithin(const QString& path, int) const override { return fileStatus(path); }
    bool readLines(const QString&, const std::function<void(const QString&)>& onLine, TextIn) const override
    {
        EncodingGuess guess;
        guess.feed(input);
        ForEachLine(input, onLine, guess.encoding());
        return true;
    }
};

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QRegularExpression known(
        "^(Errore convertendo (WaitTimeout|StuckConverterTimeout) in Long|Errore convertendo MaxNumberFiles in Integer"
        "|Valore (DXFDWGmode|KeepLog|Interattivo) non riconosciuto: .*"
        "|La cartella .* (non esiste|non risponde: verrà usata appena raggiungibile))$",
        QRegularExpression::DotMatchesEverythingOption);
    InputHost host;
    host.input = QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size));
    SettingsRecord s;
    InitDefaults(s);
    const QString defaultFolder = s.JobFileDir;
    ReadSettings("kivra_client.ini", s, host);
    if (host.warnings.filter(known) != host.warnings || s.WaitTimeout <= 0 || s.StuckConverterTimeout <= 0
        || !QStringList{"DXF", "DWG"}.contains(s.DXFDWGmode.toUpper())
        || (s.JobFileDir != defaultFolder && !s.JobFileDir.startsWith("ok")))
        abort();
    return 0;
}
