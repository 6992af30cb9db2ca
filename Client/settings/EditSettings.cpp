#include "settings/EditSettings.h"

#include "platform/CodePage.h"
#include "platform/TextLines.h"

namespace {

struct Line {
    qsizetype begin, end;   // its bytes, without its end
};

QList<Line> LinesOf(const QByteArray& text)
{
    QList<Line> lines;
    for (qsizetype i = 0, begin = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != '\n' && text[i] != '\r')
            continue;
        if (i < text.size() || begin < i)
            lines.append({begin, i});
        if (i + 1 < text.size() && text[i] == '\r' && text[i + 1] == '\n')
            ++i;
        begin = i + 1;
    }
    return lines;
}

}   // namespace

std::optional<QByteArray> SetSettingsKeys(QByteArray text, const QList<std::pair<QString, QString>>& keys)
{
    EncodingGuess guess;
    guess.feed(text);
    const bool utf8 = guess.encoding() == Encoding::Utf8;
    const qsizetype bom = utf8 && text.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    for (const auto& [key, value] : keys) {
        const std::optional<QByteArray> encoded = utf8 ? std::optional(value.toUtf8()) : EncodeAnsi(value);
        if (!encoded)
            return std::nullopt;
        const QByteArray active = key.toLatin1() + '=', commented = '*' + active;
        std::optional<Line> found;
        for (Line line : LinesOf(text)) {
            line.begin += line.begin == 0 ? bom : 0;
            const QByteArrayView bytes(text.constData() + line.begin, line.end - line.begin);
            if (bytes.startsWith(active))
                found = line;
            else if (!found && bytes.startsWith(commented))
                found = line;
        }
        if (found) {
            text.replace(found->begin, found->end - found->begin, active + *encoded);
            continue;
        }
        const QByteArray end = text.contains("\r\n") || !text.contains('\n') ? "\r\n" : "\n";
        if (!text.isEmpty() && !text.endsWith('\n') && !text.endsWith('\r'))
            text += end;
        text += active + *encoded + end;
    }
    return text;
}
