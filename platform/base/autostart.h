#pragma once

// Start at login through the desktop's autostart directory: a Desktop Entry
// file in $XDG_CONFIG_HOME/autostart/ that session managers run at login.

#include <string>
#include <string_view>

namespace platform {

// `arg` as one argument of a Desktop Entry Exec line: quoted and escaped
// when it holds anything the quoting rules reserve, '%' doubled, and then
// escaped once more as a string value, so any path comes back whole.
std::string QuoteExecArgument(std::string_view arg);

// The text of an application entry named `name` that runs `program`.
std::string AutostartEntryText(std::string_view name, std::string_view program);

// Writes the entry to `file` (creating its directory) unless it already
// holds exactly that text. A read-only entry is left alone. False when
// nothing could be written.
bool WriteAutostartEntry(const std::string& file, std::string_view name, std::string_view program);

// Deletes `file`; true when it is gone afterwards.
bool RemoveAutostartEntry(const std::string& file);

}  // namespace platform
