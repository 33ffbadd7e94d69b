#include "soap/NSStringExtended.h"

namespace NSStringExtended {

QString validString(const QString &string)
{
    return string.isNull() ? QString(QLatin1String("")) : string;
}

QString stringByAddingHTMLEntities(const QString &string)
{
    QString escaped = string;
    escaped.replace(QLatin1Char('&'), QLatin1String("&amp;"));
    escaped.replace(QLatin1Char('<'), QLatin1String("&lt;"));
    escaped.replace(QLatin1Char('>'), QLatin1String("&gt;"));
    return escaped;
}

QString stringByRemovingHTMLEntites(const QString &string)
{
    QString plain = string;
    plain.replace(QLatin1String("&amp;"), QLatin1String("&"));
    plain.replace(QLatin1String("&lt;"), QLatin1String("<"));
    plain.replace(QLatin1String("&gt;"), QLatin1String(">"));
    return plain;
}

} // namespace NSStringExtended
