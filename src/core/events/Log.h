#pragma once

#include "events/LogObject.h"

#include <QList>
#include <QObject>

// The user-visible list of what went wrong while signed in, newest first. One per process,
// used on the main thread only; it lives in memory and empties on clear.
class Log : public QObject
{
    Q_OBJECT

public:
    // Creates the process-wide log, or returns the one that exists.
    static Log *init();
    // The process-wide log, or nullptr before init and after close; never creates one.
    static Log *instance();
    // Stops observing and forgets the process-wide log.
    static void close();

    void add(const QString &message, const QString &path);
    const LogObject &objectAtIndex(qsizetype index) const { return m_data.at(index); }
    qint64 count() const { return m_data.size(); }
    void clear();

    ~Log() override;

private:
    Log();

    QList<LogObject> m_data;
};
