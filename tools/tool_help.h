#pragma once

// drapewell-tool's commands and options, written once: --help, "help
// COMMAND" and "COMMAND --help" print them, and drapewell-make-man-page
// lays the same entries out as the man page at build time.

#include <span>
#include <string>
#include <string_view>

namespace tool_help {

// One option or operation. A '\n' in `text` continues the text on the next
// line, under the text column; one in `term` continues the term on the next
// line, under the term. An empty `text` means the term says it all.
struct HelpOption {
    std::string_view term;
    std::string_view text;
};

struct CommandHelp {
    std::string_view name{};
    std::string_view arguments{};       // the usage line's, after the name
    std::string_view shortArguments{};  // the overview's, after the name
    std::string_view summary{};         // the overview's line
    std::string_view description{};     // what it does, after the usage line
    // Printed after the description when the options have a name of their
    // own ("Operations"); the man page titles their section with it.
    std::string_view optionsName{};
    unsigned termWidth = 0;  // the term column's width in the help text
    std::span<const HelpOption> options{};
    std::string_view closing{};  // a last line after the options
};

// In the order --help lists them.
std::span<const CommandHelp> Commands();
const CommandHelp* FindCommand(std::string_view name);

// The usage lines of the whole tool, without "usage: " and the indent.
std::span<const std::string_view> ToolUsages();
// What every command's exit status means.
std::string_view ExitStatus();

// The texts printed on stdout.
std::string OverviewText();
std::string CommandText(const CommandHelp& command);

}  // namespace tool_help
