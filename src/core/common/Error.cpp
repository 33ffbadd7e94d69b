#include "common/Error.h"

#include "common/MessageText.h"

Error::Error(const QString &domain, int code, const QString &description)
    : m_isSet(true), m_domain(domain), m_code(code), m_description(description)
{}

Error Error::fromMessageKey(const QString &domain, int code, const QString &messageKey)
{
    Error error(domain, code, messageText(messageKey));
    error.m_messageKey = messageKey;
    return error;
}

QString Error::toString() const
{
    if (!m_isSet)
        return QStringLiteral("no error");
    return QStringLiteral("%1 (%2): %3").arg(m_domain).arg(m_code).arg(m_description);
}
