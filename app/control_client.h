#pragma once

// `drapewell --next` and its siblings: thin clients of the running copy's
// bus interface. They run in a QCoreApplication of their own (no window, no
// settings, no lock) and end at once: 0 when the running copy did it, 1
// with one line on stderr otherwise.

#include <optional>
#include <string>
#include <vector>

// One command of the command line.
struct ControlCommand {
    std::string option;  // "--next", ...
    std::string method;  // the bus method it calls; empty for --current
    bool takesFile = false;
    const char* help = "";
};

// Every command, in the order --help lists them.
const std::vector<ControlCommand>& ControlCommands();

// The command the arguments ask for, with its file for --set; none when
// they name no command. `error` is set (and none returned) for a command
// without its file, or two commands at once.
struct ParsedCommand {
    const ControlCommand* command = nullptr;
    std::string file;
};
std::optional<ParsedCommand> ParseControlCommand(const std::vector<std::string>& arguments,
                                                 std::string& error);

// Sends the command to the running copy; the process exit code. Makes the
// QCoreApplication itself.
int RunControlCommand(int argc, char** argv, const ParsedCommand& command);
