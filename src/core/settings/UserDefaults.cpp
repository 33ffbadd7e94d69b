#include "settings/UserDefaults.h"

namespace UserDefaults {

std::unique_ptr<QSettings> open()
{
    // Fixed names rather than the application's, so every front end reads the same profile.
    auto settings = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                                QStringLiteral("Vendra"), QStringLiteral("VendraUploader"));
    // Only the user's own file counts; a system-wide file must not change what a first run reads.
    settings->setFallbacksEnabled(false);
    return settings;
}

} // namespace UserDefaults
