#include "diagnostics/CSCodeSigningInfo.h"

#include <QFileInfo>

bool CSCodeSigningInfo::cs_isSandboxed()
{
    return QFileInfo::exists(QStringLiteral("/.flatpak-info")) || qEnvironmentVariableIsSet("SNAP");
}
