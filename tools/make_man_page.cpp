// Writes drapewell-tool's man page at build time from the commands and
// options its --help prints (tools/tool_help.cpp) and a frame of the parts
// only the man page has (res/man/drapewell-tool.1.in):
//   drapewell-make-man-page TEMPLATE VERSION OUT
// The frame's lines @SYNOPSIS@, @COMMANDS@, @OPTIONS@ and @EXIT_STATUS@ are
// replaced by those parts, and @VERSION@ anywhere by VERSION.

#include <cctype>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>

#include "tools/tool_help.h"

namespace {

using tool_help::CommandHelp;
using tool_help::HelpOption;

// Plain text as roff shows it: hyphens as minus signs (so that options can
// be searched for and copied), backslashes as themselves.
std::string Escape(std::string_view text) {
    std::string out;
    for (const char c : text) {
        if (c == '-')
            out += "\\-";
        else if (c == '\\')
            out += "\\e";
        else
            out += c;
    }
    return out;
}

// Text lines of a paragraph; a line that starts with a dot or an apostrophe
// would be taken for a request.
std::string TextLines(std::string_view text) {
    std::string out;
    std::istringstream lines{std::string(text)};
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && (line[0] == '.' || line[0] == '\''))
            out += "\\&";
        out += Escape(line) + "\n";
    }
    return out;
}

bool IsUpper(char c) {
    return std::isupper(static_cast<unsigned char>(c)) != 0;
}

// An option term on one line, in the usual fonts: options in bold, the
// arguments to fill in (words in capitals) in italics, the rest upright.
std::string Term(std::string_view term) {
    std::string out;
    std::size_t i = 0;
    while (i < term.size()) {
        const char c = term[i];
        const bool option =
            c == '-' && i + 1 < term.size() &&
            (term[i + 1] == '-' || std::isalpha(static_cast<unsigned char>(term[i + 1]))) &&
            (i == 0 || term[i - 1] == ' ' || term[i - 1] == '[');
        const bool argument =
            IsUpper(c) && (i == 0 || !std::isalpha(static_cast<unsigned char>(term[i - 1])));
        if (!option && !argument) {
            out += c == '\n' ? std::string(" ") : Escape(std::string_view(&c, 1));
            ++i;
            continue;
        }
        std::size_t end = i + 1;
        if (option)
            while (end < term.size() &&
                   (std::isalnum(static_cast<unsigned char>(term[end])) || term[end] == '-'))
                ++end;
        else
            while (end < term.size() &&
                   (IsUpper(term[end]) || std::isdigit(static_cast<unsigned char>(term[end]))))
                ++end;
        out += (option ? "\\fB" : "\\fI") + Escape(term.substr(i, end - i)) + "\\fR";
        i = end;
    }
    if (!out.empty() && (out[0] == '.' || out[0] == '\''))
        out.insert(0, "\\&");
    return out;
}

// A usage line: the program and the command in bold, then its arguments.
std::string Synopsis(std::string_view usage) {
    std::size_t bold = usage.find(' ');
    if (bold + 1 < usage.size() && std::islower(static_cast<unsigned char>(usage[bold + 1])))
        bold = usage.find(' ', bold + 1);
    if (bold == std::string_view::npos)
        return "\\fB" + Escape(usage) + "\\fR\n";
    return "\\fB" + Escape(usage.substr(0, bold)) + "\\fR" + Term(usage.substr(bold)) + "\n";
}

std::string SynopsisSection() {
    std::string out;
    for (const CommandHelp& command : tool_help::Commands())
        out += Synopsis("drapewell-tool " + std::string(command.name) + " " +
                        std::string(command.arguments)) +
               ".br\n";
    for (const std::string_view usage : tool_help::ToolUsages().subspan(1))
        out += Synopsis(usage) + ".br\n";
    out.resize(out.size() - 4);  // no break after the last line
    return out;
}

std::string CommandsSection() {
    std::string out;
    for (const CommandHelp& command : tool_help::Commands()) {
        out += ".TP\n\\fB" + Escape(command.name) + "\\fR " + Term(command.arguments) + "\n";
        out += TextLines(command.description);
    }
    return out;
}

// A section for each command's options, titled with their name.
std::string OptionsSections() {
    std::string out;
    for (const CommandHelp& command : tool_help::Commands()) {
        if (command.options.empty())
            continue;
        std::string title =
            std::string(command.name) + " " +
            std::string(command.optionsName.empty() ? "options" : command.optionsName);
        for (char& c : title)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        out += ".SH \"" + title + "\"\n";
        for (const HelpOption& option : command.options) {
            // A term that says it all has no text under it.
            out += ".TP\n" + Term(option.term) + "\n" + TextLines(option.text);
        }
        if (!command.closing.empty())
            out += ".PP\n" + TextLines(command.closing);
    }
    return out;
}

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fputs("usage: drapewell-make-man-page TEMPLATE VERSION OUT\n", stderr);
        return 1;
    }
    std::ifstream in(argv[1]);
    if (!in) {
        std::fprintf(stderr, "drapewell-make-man-page: cannot read %s\n", argv[1]);
        return 1;
    }
    std::string page{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    // The parts' own lines end with a newline; the placeholder's does too.
    auto chomp = [](std::string text) {
        if (!text.empty() && text.back() == '\n')
            text.pop_back();
        return text;
    };
    ReplaceAll(page, "@SYNOPSIS@", chomp(SynopsisSection()));
    ReplaceAll(page, "@COMMANDS@", chomp(CommandsSection()));
    ReplaceAll(page, "@OPTIONS@", chomp(OptionsSections()));
    ReplaceAll(page, "@EXIT_STATUS@", chomp(TextLines(tool_help::ExitStatus())));
    ReplaceAll(page, "@VERSION@", argv[2]);
    if (page.find('@') != std::string::npos) {
        std::fprintf(stderr, "drapewell-make-man-page: %s has an unknown placeholder\n", argv[1]);
        return 1;
    }
    std::ofstream out(argv[3], std::ios::trunc);
    out << page;
    out.close();
    if (!out) {
        std::fprintf(stderr, "drapewell-make-man-page: cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
