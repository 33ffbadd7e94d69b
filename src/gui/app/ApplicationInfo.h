#pragma once

#include "common/AppInfo.h"

// What the desktop program says about itself: its version for the start-up banner, where its
// help lives, and whether its main window may go full screen.
namespace ApplicationInfo {

inline constexpr const char *UploaderVersionNumber = AppInfo::ShortVersionString;
inline constexpr const char *UploaderHelpLink = "https://vendra.example.org/uploader/help";
inline constexpr bool UploaderSupportsFullscreen = true;

} // namespace ApplicationInfo
