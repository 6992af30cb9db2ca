#include "StandinServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QTimer>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Server di prova per KIVRA_Client: esegue le richieste della cartella condivisa\n"
                       "copiando i disegni con l'estensione del formato scelto. Non converte nulla."));
    parser.addHelpOption();
    const QCommandLineOption jobs(QStringLiteral("jobs"), QStringLiteral("Cartella delle richieste."),
                                  QStringLiteral("DIR"));
    const QCommandLineOption out(QStringLiteral("out"), QStringLiteral("Radice delle cartelle di uscita."),
                                 QStringLiteral("DIR"));
    const QCommandLineOption work(QStringLiteral("work-ms"),
                                  QStringLiteral("Millisecondi di lavoro per disegno (1500)."), QStringLiteral("N"),
                                  QStringLiteral("1500"));
    const QCommandLineOption once(QStringLiteral("once"), QStringLiteral("Esegue le richieste presenti ed esce."));
    const QCommandLineOption drive(
        QStringLiteral("drive"),
        QStringLiteral("Unità dei percorsi dei disegni e cartella che la rappresenta (y=/srv/condivisa)."),
        QStringLiteral("LETTERA=DIR"));
    const QCommandLineOption claim(
        QStringLiteral("claim"),
        QStringLiteral("Quando la richiesta lascia la cartella: end, scritto il log (predefinito), o start, "
                       "all'inizio del lavoro, creato il .wip."),
        QStringLiteral("end|start"), QStringLiteral("end"));
    const QCommandLineOption unc(
        QStringLiteral("unc"),
        QStringLiteral("Condivisione UNC dei percorsi dei disegni e cartella che la rappresenta "
                       "(\\\\srv\\cad=/srv/condivisa)."),
        QStringLiteral("\\\\SERVER\\CONDIVISIONE=DIR"));
    parser.addOptions({jobs, out, work, once, drive, unc, claim});

    const auto usage = [&](const QString& problem) {
        fprintf(stderr, "%s\n\n%s", qPrintable(problem), qPrintable(parser.helpText()));
        return 2;
    };
    if (!parser.parse(app.arguments()))
        return usage(parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (!parser.positionalArguments().isEmpty())
        return usage(QStringLiteral("Argomento inatteso: ") + parser.positionalArguments().first());
    bool workOk = false;
    const int workMs = parser.value(work).toInt(&workOk);
    if (!workOk || workMs < 0)
        return usage(QStringLiteral("--work-ms vuole un numero intero non negativo."));
    for (const auto& folder : {jobs, out})
        if (!QDir(parser.value(folder)).exists() || parser.value(folder).isEmpty())
            return usage(QStringLiteral("--") + folder.names().first()
                         + QStringLiteral(" vuole una cartella esistente."));

    QMap<QString, QString> roots;
    for (const QString& mapping : parser.values(drive)) {
        if (mapping.size() < 3 || mapping[1] != QLatin1Char('=') || !mapping[0].isLetter())
            return usage(QStringLiteral("--drive vuole LETTERA=DIR: ") + mapping);
        roots[mapping[0] + QStringLiteral(":")] = mapping.mid(2);
    }
    for (const QString& mapping : parser.values(unc)) {
        const qsizetype split = mapping.indexOf(QLatin1Char('='));
        const QString root = mapping.left(split);
        if (split < 0 || !root.startsWith(QLatin1String("\\\\")) || root.count(QLatin1Char('\\')) != 3
            || root.endsWith(QLatin1Char('\\')))
            return usage(QStringLiteral("--unc vuole \\\\SERVER\\CONDIVISIONE=DIR: ") + mapping);
        roots[root] = mapping.mid(split + 1);
    }

    if (parser.value(claim) != QLatin1String("end") && parser.value(claim) != QLatin1String("start"))
        return usage(QStringLiteral("--claim vuole end o start: ") + parser.value(claim));
    const auto claimWay =
        parser.value(claim) == QLatin1String("start") ? StandinServer::Claim::AtStart : StandinServer::Claim::AtEnd;

    QTextStream stdOut(stdout);
    StandinServer server(parser.value(jobs), parser.value(out), workMs, stdOut, roots, claimWay);
    server.recover();
    if (parser.isSet(once)) {
        server.handlePending();
        return 0;
    }
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&server] { server.handlePending(); });
    poll.start(250);
    return app.exec();
}
