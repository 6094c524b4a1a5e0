#pragma once

#include <string>

// Start at login: on puts the desktop's autostart entry for this program in
// place ($XDG_CONFIG_HOME/autostart/Drapewell.desktop, running the
// executable by its full path), off deletes it. What cannot be written is
// left as it is, silently.
void ApplyStartAtLogin(bool on);

// The entry's file for a given configuration directory (with its '/').
std::string AutostartFileFor(const std::string& configDir);
