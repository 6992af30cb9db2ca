// The package's custom action: puts the settings given at install time into the installed settings file, where their
// keys stand, after copying a whole settings file (SETTINGSFILE) over it when one is given. The installer runs it as
//   kivra_settings_setup SETTINGS_FILE "PROPERTY=value " ...
// each value closed by one blank of the installer's, so that a value ending in a backslash cannot escape its closing
// quote. A value with a quote of its own would be split into other arguments: any argument not of that form refuses
// the whole run rather than write a value cut short. A file or a value that the client would warn about (folders aside: the installer runs as the machine, which
// sees no user's drives) is refused: nothing is written, the reason goes into kivra_client.ini.errore beside the
// settings file and to the standard error, and the exit status fails the installation.
#include "platform/Host.h"
#include "platform/TextLines.h"
#include "settings/EditSettings.h"
#include "settings/ReadSettings.h"
#include "settings/Settings.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <cstdio>

namespace {

// The client's reader on bytes held here, every folder there; its warnings with the line they came from.
class Checking : public Host {
public:
    explicit Checking(QByteArray text)
        : m_text(std::move(text))
    {
    }
    QStringList warnings;

    void showWarning(const QString& text) override { warnings << QStringLiteral("riga %1: %2").arg(m_line).arg(text); }
    FileStatus fileStatus(const QString&) const override { return {true, false}; }
    std::optional<FileStatus> fileStatusWithin(const QString&, int) const override { return FileStatus{false, true}; }
    bool readLines(const QString&, const std::function<void(const QString&)>& onLine, TextIn) const override
    {
        EncodingGuess guess;
        guess.feed(m_text);
        ForEachLine(
            m_text, [&](const QString& line) { ++m_line, onLine(line); }, guess.encoding());
        return true;
    }

private:
    QByteArray m_text;
    mutable int m_line = 0;
};

QStringList Warnings(const QByteArray& text)
{
    SettingsRecord s;
    InitDefaults(s);
    Checking host(text);
    ReadSettings(QStringLiteral("kivra_client.ini"), s, host);
    return host.warnings;
}

int Refuse(const QString& settings, const QString& why)
{
    QFile note(settings + QStringLiteral(".errore"));
    if (note.open(QIODevice::WriteOnly))
        note.write(why.toUtf8() + "\r\n");
    fprintf(stderr, "%s\n", qPrintable(why));
    return 1;
}

const char* const kKeys[] = {"JobFileDir",   "DXFOutDirRoot", "DXFDWGmode", "MaxNumberFiles", "WaitTimeout",
                             "StuckConverterTimeout", "KeepLog", "Interattivo", "RunStringCMD", "RunStringPAR"};

}   // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);   // the arguments as Windows gives them, in UTF-16
    const QStringList args = app.arguments();
    if (args.size() < 2)
        return fprintf(stderr, "Uso: kivra_settings_setup FILE \"PROPRIETÀ=valore \"...\n"), 2;
    const QString settings = args[1];
    QFile::remove(settings + QStringLiteral(".errore"));
    QFile installed(settings);
    if (!installed.open(QIODevice::ReadOnly))
        return Refuse(settings, QStringLiteral("Impossibile leggere il file ") + settings);
    QByteArray text = installed.readAll();
    installed.close();
    QList<std::pair<QString, QString>> keys;
    for (const QString& arg : args.mid(2)) {
        const qsizetype equals = arg.indexOf(QLatin1Char('='));
        if (equals < 1 || !arg.endsWith(u' '))
            return Refuse(settings, QStringLiteral("Valore con virgolette, non ammesso in una proprietà: ") + arg);
        const QString property = arg.left(equals), value = arg.mid(equals + 1).chopped(1);
        if (value.isEmpty())   // not given
            continue;
        if (property == QLatin1String("SETTINGSFILE")) {
            QFile given(value);
            if (!given.open(QIODevice::ReadOnly))
                return Refuse(settings, QStringLiteral("SETTINGSFILE: impossibile leggere il file ") + value);
            text = given.readAll();
            if (const QStringList warnings = Warnings(text); !warnings.isEmpty())
                return Refuse(settings, QStringLiteral("SETTINGSFILE ") + value + QStringLiteral(", ") + warnings[0]);
            continue;
        }
        const auto key = std::find_if(std::begin(kKeys), std::end(kKeys),
                                      [&](const char* k) { return QString::fromLatin1(k).toUpper() == property; });
        if (key == std::end(kKeys))
            return Refuse(settings, QStringLiteral("Proprietà sconosciuta: ") + property);
        // Checked in UTF-8, which holds any value; the file's own code page is tried when it is written.
        if (const QStringList warnings = Warnings(SetSettingsKeys("\xEF\xBB\xBF", {{*key, value}}).value_or(""));
            !warnings.isEmpty())
            return Refuse(settings, property + QStringLiteral(": ") + warnings[0].section(QStringLiteral(": "), 1));
        keys.append({QString::fromLatin1(*key), value});
    }
    const std::optional<QByteArray> edited = SetSettingsKeys(text, keys);
    if (!edited)
        return Refuse(settings, QStringLiteral("Carattere non rappresentabile nella code page del sistema"));
    QSaveFile out(settings);
    if (!out.open(QIODevice::WriteOnly) || out.write(*edited) != edited->size() || !out.commit())
        return Refuse(settings, QStringLiteral("Impossibile scrivere il file ") + settings);
    return 0;
}
