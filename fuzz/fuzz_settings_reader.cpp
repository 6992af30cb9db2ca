// The settings reader on arbitrary bytes: it must finish, set only the fields a file may set,
// and say nothing but its own warnings.
#include "platform/CodePage.h"
#include "platform/Host.h"
#include "settings/ReadSettings.h"
#include "settings/Settings.h"

#include <QStringList>
#include <cstdlib>

namespace {

// Serves the fuzz input as the settings file; folders "exist" when their name begins with "ok".
class InputHost : public Host {
public:
    QByteArrayView input;
    QStringList warnings;

    void showWarning(const QString& text) override { warnings << text; }
    FileStatus fileStatus(const QString& path) const override
    {
        FileStatus status;
        status.isFile = path == QLatin1String("kivra_client.ini");
        status.isFolder = path.startsWith(QLatin1String("ok"));
        return status;
    }
    bool readLines(const QString&, const std::function<void(const QString&)>& onLine,
                   bool utf8Allowed) const override
    {
        EncodingGuess guess;
        guess.feed(input);
        ForEachLine(input, onLine, utf8Allowed ? guess.encoding() : Encoding::Ansi);
        return true;
    }
};

bool Known(const QString& w)
{
    static const QStringList whole{
        "Errore convertendo WaitTimeout in Long", "Errore convertendo StuckConverterTimeout in Long",
        "Errore convertendo MaxNumberFiles in Integer"};
    static const QStringList prefixes{"Valore DXFDWGmode non riconosciuto: ",
                                      "Valore KeepLog non riconosciuto: ",
                                      "Valore Interattivo non riconosciuto: "};
    if (whole.contains(w))
        return true;
    for (const QString& p : prefixes)
        if (w.startsWith(p))
            return true;
    return w.startsWith(QLatin1String("La cartella ")) && w.endsWith(QLatin1String(" non esiste"));
}

void Check(bool ok, const char* what)
{
    if (!ok) {
        fprintf(stderr, "invariant broken: %s\n", what);
        abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    InputHost host;
    host.input = QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size));
    SettingsRecord s, defaults;
    InitDefaults(s);
    InitDefaults(defaults);
    ReadSettings(QStringLiteral("kivra_client.ini"), s, host);

    for (const QString& w : host.warnings)
        Check(Known(w), "unknown warning");
    Check(s.JobExt == defaults.JobExt && s.WipExt == defaults.WipExt && s.LogExt == defaults.LogExt
              && s.OutDirTag == defaults.OutDirTag && s.ModeTag == defaults.ModeTag
              && s.RunString[2] == defaults.RunString[2] && s.JobFilePath.isEmpty()
              && s.OutFolder.isEmpty(),
          "a field no file may set changed");
    Check(s.WaitTimeout > 0 && s.StuckConverterTimeout > 0, "timeouts must stay positive");
    const QString mode = s.DXFDWGmode.toUpper();
    Check(mode == QLatin1String("DXF") || mode == QLatin1String("DWG"), "mode");
    Check(s.JobFileDir == defaults.JobFileDir || s.JobFileDir.startsWith(QLatin1String("ok")),
          "a folder that does not exist was taken");
    return 0;
}
