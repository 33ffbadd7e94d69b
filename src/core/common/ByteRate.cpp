#include "common/ByteRate.h"

#include <QRegularExpression>

#include <cmath>

std::optional<qint64> parseByteRate(const QString &text)
{
    static const QRegularExpression pattern(
        QStringLiteral("^\\s*(\\d+(?:\\.\\d+)?)\\s*([kKmMgG]?)(?:i?B(?:/s)?)?\\s*$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    double value = match.captured(1).toDouble();
    const QString unit = match.captured(2).toLower();
    switch (unit.isEmpty() ? char(0) : unit.at(0).toLatin1()) {
    case 'g':
        value *= 1024.0;
        [[fallthrough]];
    case 'm':
        value *= 1024.0;
        [[fallthrough]];
    case 'k':
        value *= 1024.0;
        break;
    default:
        break;
    }
    if (!std::isfinite(value) || value >= 9e18)
        return std::nullopt;
    return qint64(std::llround(value));
}

QString byteRateText(qint64 bytesPerSecond)
{
    const char *units = "KMG";
    qint64 value = bytesPerSecond;
    int unit = -1;
    while (value != 0 && value % 1024 == 0 && unit < 2) {
        value /= 1024;
        ++unit;
    }
    return unit < 0 ? QString::number(value) : QString::number(value) + QLatin1Char(units[unit]);
}
