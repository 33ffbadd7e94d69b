#pragma once

// Whether the program runs confined in an application sandbox, where crash detection is off.
class CSCodeSigningInfo
{
public:
    // True inside a Flatpak (/.flatpak-info exists) or a Snap (SNAP is set).
    static bool cs_isSandboxed();
};
