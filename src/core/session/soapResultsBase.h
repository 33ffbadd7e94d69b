#pragma once

#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <functional>

// The base of every decoded record and album-tree node. Its lookups read one entry of a decoded
// reply and never fail: a missing or ill-typed entry writes a diagnostic line and yields a default.
class soapResultsBase
{
public:
    using Callback = std::function<void()>;

    virtual ~soapResultsBase() = default;

    // A number that remembers its kind (qlonglong, double, bool ...), or an invalid QVariant for none.
    // A string is parsed in the user's locale, group separators allowed.
    static QVariant getNumber(const QString &name, const QVariantMap &dictionary);
    static qint32 getIntNumber(const QString &name, const QVariantMap &dictionary);
    static qint64 getLongNumber(const QString &name, const QVariantMap &dictionary);
    static bool getBoolean(const QString &name, const QVariantMap &dictionary);
    static QString getString(const QString &name, const QVariantMap &dictionary);

    // Attached by the album pane while an operation on a node is under way; records never use it.
    Callback asyncCompleteCallback() const;
    void setAsyncCompleteCallback(const Callback &callback);

private:
    Callback m_asyncCompleteCallback;
};
