#include "events/LogObject.h"

#include "diagnostics/DiagnosticLine.h"

#include <QDateTime>

LogObject::LogObject(const QString &message, const QString &path)
    : m_time(QDateTime::currentMSecsSinceEpoch() / 1000.0), m_path(path), m_message(message)
{
    VENDRA_DIAG(QStringLiteral("%1 , %2").arg(m_message, m_path));
}
