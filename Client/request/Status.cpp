#include "request/Status.h"

#include <QLabel>

namespace {

struct Look {
    QColor background;
    QString caption;
};

Look LookOf(StatusCode code)
{
    switch (code) {
    case Idle: return {QColor(255, 255, 255), IdleCaption};
    case PreparingList: return {QColor(255, 0, 0), QStringLiteral("Preparazione della lista")};
    case RequestSent: return {QColor(255, 255, 0), QStringLiteral("Richiesta inviata al server")};
    case Converting: return {QColor(0, 255, 255), QStringLiteral("Conversione in corso...")};
    case Converted: return {QColor(0, 255, 0), QStringLiteral("File convertiti.")};
    default: return {QColor(255, 0, 255), QStringLiteral("Stato sconosciuto")};
    }
}

}   // namespace

QString StatusCaption(StatusCode code)
{
    return LookOf(code).caption;
}

QColor StatusColour(StatusCode code)
{
    return LookOf(code).background;
}

void SetStatus(QLabel* label, StatusCode code)
{
    const Look look = LookOf(code);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, look.background);
    // Every background is light, so black text stays readable under a dark desktop theme.
    palette.setColor(QPalette::WindowText, Qt::black);
    label->setAutoFillBackground(true);
    label->setPalette(palette);
    label->setText(look.caption);
}
