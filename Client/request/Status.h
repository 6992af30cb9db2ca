#pragma once
#include <QColor>
#include <QString>

class QLabel;

using StatusCode = qint16;

// The codes the program sets; any other value shows as "Stato sconosciuto".
enum StatusName : StatusCode {
    Idle = 0,
    PreparingList = 1,
    RequestSent = 2,
    Converting = 3,
    Converted = 4,
    EndedWithoutLog = 5,   // shown as any unknown code: "Stato sconosciuto"
};

// Idle caption of the status field and the address shown in the caption and credits.
inline const QString IdleCaption = QStringLiteral("www.kivra.example");

// The caption and the background of a code, wherever a request's state is shown.
QString StatusCaption(StatusCode code);
QColor StatusColour(StatusCode code);

// The only way to change the status field: background colour first, caption second.
void SetStatus(QLabel* label, StatusCode code);
