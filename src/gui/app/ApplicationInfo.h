#pragma once

#include "common/AppInfo.h"

#include <QUrl>

// What the desktop program says about itself: its version and build for the start-up banner, where
// its help lives, and whether its main window may go full screen.
namespace ApplicationInfo {

inline constexpr const char *UploaderVersionNumber = AppInfo::ShortVersionString;
inline constexpr const char *BuildNumber = AppInfo::BuildNumber;
inline constexpr bool UploaderSupportsFullscreen = true;

// The documentation page when one was configured at build time; otherwise the README installed with
// the program (or, run from the build folder, the source tree's).
QUrl UploaderHelpLink();

} // namespace ApplicationInfo
