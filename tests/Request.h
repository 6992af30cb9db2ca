#pragma once
#include "TestHost.h"
#include "request/SentRequests.h"

#include <QLabel>

// The status a label shows, by its colour and its caption together; -1 for a look of no status.
inline StatusName Shown(const QLabel* label)
{
    static const QMap<QString, StatusName> looks{{"#ffffff " + IdleCaption, Idle},
                                                 {"#ff0000 Preparazione della lista", PreparingList},
                                                 {"#ffff00 Richiesta inviata al server", RequestSent},
                                                 {"#00ffff Conversione in corso...", Converting},
                                                 {"#00ff00 File convertiti.", Converted},
                                                 {"#ff00ff Stato sconosciuto", EndedWithoutLog}};
    return looks.value(label->palette().color(QPalette::Window).name() + " " + label->text(), StatusName(-1));
}

// The current request wired as the window wires it: status to a label, warnings to the host.
struct WiredRequest {
    QLabel status;
    SentRequests request;

    explicit WiredRequest(TestHost& host)
        : request(host, nullptr, {1000})   // a second to find a free request name
    {
        SetStatus(&status, Idle);
        QObject::connect(&request, &SentRequests::statusChanged, &status,
                         [this](StatusCode code) { SetStatus(&status, code); });
        QObject::connect(&request, &SentRequests::sendEnded, &status, [&host](const QString& warning) {
            if (!warning.isEmpty())
                host.warnings << warning;
        });
    }
    StatusName shown() const { return Shown(&status); }
    QStringList watched() const { return {request.watched().WipFilePath, request.watched().LogFilePath}; }
};

// Sends and waits up to 5 s for the write; false if refused before any write, or still out.
inline bool SendAndWait(SentRequests& request, SettingsRecord& s, const QStringList& drawings)
{
    QSignalSpy ended(&request, &SentRequests::sendEnded);
    return request.send(s, drawings) && (!ended.isEmpty() || ended.wait(5000));
}

// One tick, waiting for its result; false if it made more than four file calls.
inline bool TickAndWait(SentRequests& request, TestHost& host)
{
    host.fileCalls = 0;
    request.tick();
    return QTest::qWaitFor([&] { return !request.looking(); }) && host.fileCalls <= 4;
}
