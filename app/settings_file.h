#pragma once

// Where the settings file lives: Drapewell.ini beside the executable when
// that directory is writable or the file already lies there (a portable
// install keeps its settings with it), otherwise in the user's
// configuration directory, $XDG_CONFIG_HOME/Drapewell/Drapewell.ini.
// A program installed by the system (under /usr/) always uses the latter,
// even when run by root, who can write the system's directories: settings
// never land in /usr/bin.

#include <string>

// The rule for a given program directory and configuration directory (both
// with their trailing '/'; either may be empty when unknown). Empty when
// neither gives a place.
std::string SettingsFilePathFor(const std::string& moduleDir, const std::string& configDir);

// The rule for this program and user.
std::string GetSettingsFilePath();
