#pragma once

#include <QByteArray>
#include <QString>

// Turns the bytes read from a log file into the lines the debug pane shows. A line whose end has
// not been read yet is kept back until it has, so neither a line nor a UTF-8 character is ever
// split between two reads.
class DebugLogLines
{
public:
    // The complete lines among the bytes read so far, each ending in "\n".
    QString take(const QByteArray &data);

    // A line as shown: without the time-stamp and process prefix that ends with the first "] ".
    // Our own diagnostic lines begin with their "<file:(line)> " tag instead, so a "] " after the
    // tag belongs to the message and stays.
    static QString withoutPrefix(const QString &line);

private:
    QByteArray m_partial;
};
