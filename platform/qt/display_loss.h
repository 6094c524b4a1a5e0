#pragma once

// When the X server ends under a running program (the session ends, the
// server crashes), Qt's X11 plugin logs a warning of its own and ends the
// program with status 1. This puts the program's one line in its place:
// "PROGRAM: the display went away (...)". Every other message of Qt's goes
// on to the handler that was installed before.

#include <string>

namespace platform {

// Installs the filter for the rest of the process; `program` begins the
// line. Call once, before the application object is made.
void ReportDisplayLossAs(const std::string& program);

// The line written for `program`, without its line break.
std::string DisplayLossLine(const std::string& program);

}  // namespace platform
