#include "session/soapResultsBase.h"

#include "common/NumberText.h"
#include "diagnostics/DiagnosticLine.h"
#include "soap/VariantNumber.h"

#include <QDebug>
#include <QLocale>

#include <limits>

namespace {

bool findEntry(const QString &name, const QVariantMap &dictionary, QVariant &value)
{
    const auto it = dictionary.constFind(name);
    if (it == dictionary.constEnd()) {
        VENDRA_DIAG(QStringLiteral("FAILED to find soap paramater - %1").arg(name));
        QString dump;
        QDebug(&dump).nospace() << dictionary;
        VENDRA_DIAG(QStringLiteral("In dictionary %1").arg(dump));
        return false;
    }
    value = it.value();
    return true;
}

qint64 numberAsInteger(const QVariant &value, qint64 minimum, qint64 maximum)
{
    if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float) {
        const double d = value.toDouble();
        if (d != d)
            return 0;
        if (d <= double(minimum))
            return minimum;
        if (d >= double(maximum))
            return maximum;
        return qint64(d);
    }
    return qBound(minimum, value.toLongLong(), maximum);
}

qint64 integerLookup(const QString &name, const QVariantMap &dictionary, qint64 minimum, qint64 maximum)
{
    QVariant value;
    if (!findEntry(name, dictionary, value))
        return 0;
    if (value.typeId() == QMetaType::QString)
        return leadingDecimalInteger(value.toString(), minimum, maximum);
    if (isNumericVariant(value))
        return numberAsInteger(value, minimum, maximum);
    VENDRA_DIAG(QStringLiteral("FAILED to recognise type of number(int) - %1").arg(name));
    return 0;
}

} // namespace

QVariant soapResultsBase::getNumber(const QString &name, const QVariantMap &dictionary)
{
    QVariant value;
    if (!findEntry(name, dictionary, value))
        return {};
    if (value.typeId() == QMetaType::QString) {
        const QLocale locale;
        const QString text = value.toString().trimmed();
        bool ok = false;
        const qlonglong integer = locale.toLongLong(text, &ok);
        if (ok)
            return integer;
        const double real = locale.toDouble(text, &ok);
        return ok ? QVariant(real) : QVariant();
    }
    if (isNumericVariant(value))
        return value;
    VENDRA_DIAG(QStringLiteral("FAILED to recognise type of number(int) - %1").arg(name));
    return {};
}

qint32 soapResultsBase::getIntNumber(const QString &name, const QVariantMap &dictionary)
{
    return qint32(integerLookup(name, dictionary, std::numeric_limits<qint32>::min(),
                                std::numeric_limits<qint32>::max()));
}

qint64 soapResultsBase::getLongNumber(const QString &name, const QVariantMap &dictionary)
{
    return integerLookup(name, dictionary, std::numeric_limits<qint64>::min(),
                         std::numeric_limits<qint64>::max());
}

bool soapResultsBase::getBoolean(const QString &name, const QVariantMap &dictionary)
{
    QVariant value;
    if (!findEntry(name, dictionary, value))
        return false;
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString();
        bool ok = false;
        QLocale plain = QLocale::c();
        plain.setNumberOptions(QLocale::RejectGroupSeparator);
        const double number = plain.toDouble(text.trimmed(), &ok);
        if (ok)
            return number != 0;
        return text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
    }
    if (isNumericVariant(value))
        return value.toDouble() != 0;
    VENDRA_DIAG(QStringLiteral("FAILED to recognise type of bool - %1").arg(name));
    return false;
}

QString soapResultsBase::getString(const QString &name, const QVariantMap &dictionary)
{
    QVariant value;
    if (!findEntry(name, dictionary, value))
        return {};
    if (value.typeId() == QMetaType::QString)
        return value.toString();
    if (isNumericVariant(value)) {
        if (value.typeId() == QMetaType::Bool)
            return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
        return value.toString();
    }
    if (!value.isValid() || value.isNull())
        return QString();
    VENDRA_DIAG(QStringLiteral("FAILED to recognise type of string - %1").arg(name));
    return QString();
}

soapResultsBase::Callback soapResultsBase::asyncCompleteCallback() const
{
    return m_asyncCompleteCallback;
}

void soapResultsBase::setAsyncCompleteCallback(const Callback &callback)
{
    m_asyncCompleteCallback = callback;
}
