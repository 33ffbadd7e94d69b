#pragma once

#include <QString>
#include <QVariant>
#include <QVariantMap>

// One posted event: a name, an optional object and optional user information.
class Notification
{
public:
    Notification() = default;
    explicit Notification(const QString &name, const QVariant &object = {}, const QVariantMap &userInfo = {})
        : m_name(name), m_object(object), m_userInfo(userInfo)
    {}

    QString name() const { return m_name; }
    QVariant object() const { return m_object; }
    QVariantMap userInfo() const { return m_userInfo; }

private:
    QString m_name;
    QVariant m_object;
    QVariantMap m_userInfo;
};

Q_DECLARE_METATYPE(Notification)
