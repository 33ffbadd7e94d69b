#include "preferences/DebugLogLines.h"

#include <QList>

QString DebugLogLines::take(const QByteArray &data)
{
    m_partial += data;
    const qsizetype end = m_partial.lastIndexOf('\n');
    if (end < 0)
        return {};
    const QByteArray complete = m_partial.left(end);
    m_partial.remove(0, end + 1);

    QString shown;
    for (const QByteArray &piece : complete.split('\n')) {
        shown += withoutPrefix(QString::fromUtf8(piece));
        shown += QLatin1Char('\n');
    }
    return shown;
}

QString DebugLogLines::withoutPrefix(const QString &line)
{
    const qsizetype prefixEnd = line.indexOf(QLatin1String("] "));
    if (prefixEnd < 0)
        return line;
    const qsizetype tag = line.indexOf(QLatin1Char('<'));
    if (tag >= 0 && tag < prefixEnd)
        return line;
    return line.mid(prefixEnd + 2);
}
