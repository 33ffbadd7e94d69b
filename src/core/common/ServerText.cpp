#include "common/ServerText.h"

QString ServerText::shown(QStringView text)
{
    const bool cut = text.size() > MaximumLength;
    QStringView kept = text.first(qMin(text.size(), MaximumLength));
    // Half a character pair would be no character at all.
    if (cut && !kept.isEmpty() && kept.back().isHighSurrogate())
        kept.chop(1);
    QString line;
    line.reserve(kept.size() + 1);
    for (const QChar character : kept)
        line.append(character.category() == QChar::Other_Control || character.isSpace() ? QChar(u' ')
                                                                                        : character);
    line = line.simplified();
    if (cut)
        line.append(QChar(0x2026));
    return line;
}
