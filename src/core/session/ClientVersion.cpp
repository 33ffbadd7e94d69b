#include "session/ClientVersion.h"

#include "common/AppInfo.h"

QString ClientVersion::numberText()
{
    return QString::number(double(AppInfo::ClientVersionNumber));
}

QString ClientVersion::checkVersionText()
{
    return checkVersionText(AppInfo::ClientVersionNumber, QString::fromLatin1(AppInfo::ShortVersionString));
}

QString ClientVersion::checkVersionText(float clientVersionNumber, const QString &shortVersion)
{
    // Single precision on purpose: 6.1f * 10 rounds to 61 in float, not 60.99... in double.
    const float scaled = clientVersionNumber * 10.0f;
    return QStringLiteral("%1.MAC.%2").arg(static_cast<int>(scaled)).arg(shortVersion);
}
