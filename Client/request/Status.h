#pragma once
#include <QString>

class QLabel;

using StatusCode = qint16;

// Idle caption of the status field and the address shown in the caption and credits.
inline const QString IdleCaption = QStringLiteral("www.kivra.example");

// The only way to change the status field: background colour first, caption second.
void SetStatus(QLabel* label, StatusCode code);
