#pragma once

#include <QString>

// One entry of the event log: when, which item, what went wrong.
class LogObject
{
public:
    // Stamps the current time and writes the entry as a diagnostic line.
    LogObject(const QString &message, const QString &path);

    double time() const { return m_time; }
    QString path() const { return m_path; }
    QString message() const { return m_message; }

private:
    double m_time;
    QString m_path;
    QString m_message;
};
