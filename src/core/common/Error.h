#pragma once

#include <QMetaType>
#include <QString>
#include <QVariantMap>

// The failure of an operation. Operations that can fail take an Error& that the caller passes
// empty; they return a usable result only when it is still empty afterwards.
class Error
{
public:
    Error() = default;
    Error(const QString &domain, int code, const QString &description);

    // An error whose description is the text of a message key from the string tables.
    static Error fromMessageKey(const QString &domain, int code, const QString &messageKey);

    bool isSet() const { return m_isSet; }
    explicit operator bool() const { return m_isSet; }

    QString domain() const { return m_domain; }
    int code() const { return m_code; }
    QString description() const { return m_description; }
    // The message key the description came from; empty when it was given as text.
    QString messageKey() const { return m_messageKey; }

    // Details beyond the description (a server certificate, how a secure connection failed).
    QVariantMap userInfo() const { return m_userInfo; }
    void setUserInfo(const QVariantMap &userInfo) { m_userInfo = userInfo; }

    // "domain (code): description", for diagnostic lines.
    QString toString() const;

    void clear() { *this = Error(); }

    friend bool operator==(const Error &, const Error &) = default;

private:
    bool m_isSet = false;
    QString m_domain;
    int m_code = 0;
    QString m_description;
    QString m_messageKey;
    QVariantMap m_userInfo;
};

Q_DECLARE_METATYPE(Error)
