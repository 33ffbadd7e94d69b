#pragma once

#include <QSettings>

#include <memory>

// The user's defaults database: one INI file under the XDG config folder, shared by the desktop
// program and the command line. Every QSettings opened here sees the others' writes at once.
namespace UserDefaults {

std::unique_ptr<QSettings> open();

} // namespace UserDefaults
