#include "tools/tool_help.h"

#include <algorithm>

namespace tool_help {
namespace {

constexpr HelpOption kConvertOperations[] = {
    {"--grey", "grey levels"},
    {"--bits 1|4|8|16|24|32", "convert to that depth"},
    {"--to16, --to24", "convert to 16 or 24 bits per pixel"},
    {"--flip, --mirror", "turn upside down, mirror left to right"},
    {"--rotate 90|-90|DEG", "quarter turns, or 1 to 89 degrees clockwise"},
    {"--resize WxH[!]", "fit into WxH keeping the aspect, or exactly with !"},
    {"--frame N", "take image N (from 1) of a GIF first"},
    {"--select-rect L,T,R,B",
     "select a rectangle (right and bottom exclusive);\n"
     "later operations work inside the selection"},
    {"--select-ellipse L,T,R,B", "select the ellipse in the inclusive box"},
    {"--brightness N[,mul]",
     "add N (-255..255) to every byte, or with mul scale\n"
     "by N percent"},
    {"--contrast P, --hue H,S (percents), --balance R,G,B, --invert", ""},
    {"--filter CODE", "a named 3x3 filter (1, 2, 4, ... 1048576)"},
    {"--kernel SIZE,DIV,k1,...", "SIZE*SIZE weights row by row, sums / DIV"},
    {"--blur N, --motion-blur LEN,DIR (8 right, 16 left), --mosaic N,\n"
     "--diffuse N (32-bit pictures), --emboss D, --edge N",
     ""},
    {"--wave A,F, --cylinder, --spherize N (1 to 100)", ""},
    {"--combine FILE,MODE,X,Y",
     "MODE 1 and, 2 or, 4 xor, 8 add, 16 subtract,\n"
     "32 multiply; FILE's top-left corner at X,Y"},
    {"--blend FILE,OPACITY,X,Y (0 to 255), --alpha-blend FILE,X,Y (32-bit FILE)", ""},
};

constexpr HelpOption kApplyOptions[] = {
    {"--method N",
     "1 automatic (default), 2 X11 root window, 3 Wayland\n"
     "compositor tool, 4 desktop portal"},
    {"--position P", "center (default), tile or stretch"},
    {"--fit", "fit a stretched picture to the screen"},
    {"--monitors M",
     "same (default): FILE on every monitor, fitted to each;\n"
     "each: the FILEs to the monitors in order (left to right);\n"
     "span: FILE across all monitors"},
};

constexpr HelpOption kShowOptions[] = {
    {"--zoom N", "2 to 16 magnifies, -2 to -16 reduces"},
    {"--transition",
     "reveal the picture first: EFFECT 4 wipe, 8 slide (SUBTYPE\n"
     "1-128 and 1-32), 16 or 32 blinds (COUNT passes), 64 dissolve\n"
     "(COUNT-pixel blocks); DELAY in microseconds per step\n"
     "(blinds: milliseconds per pass)"},
};

constexpr CommandHelp kCommands[] = {
    {.name = "info",
     .arguments = "FILE",
     .shortArguments = "FILE",
     .summary = "type, size and depth of a picture file",
     .description = "Reads FILE by its extension and prints its type, width, height, bits per\n"
                    "pixel and number of colours, one \"name: value\" line each, then what the\n"
                    "header probe found (BMP, GIF, PCX, WebP and AVIF files)."},
    {.name = "convert",
     .arguments = "IN OUT [OPERATION...]",
     .shortArguments = "IN OUT [OP...]",
     .summary = "load, apply operations, save in another format",
     .description = "Loads IN by its extension, applies the operations in the order given and\n"
                    "saves OUT by its extension.",
     .optionsName = "Operations",
     .termWidth = 21,
     .options = kConvertOperations,
     .closing = "An operation that does not apply to the picture is an error."},
    {.name = "apply",
     .arguments = "FILE... [--method 1-4] [--position center|tile|stretch] [--fit] "
                  "[--monitors same|each|span]",
     .shortArguments = "FILE... [OPTION...]",
     .summary = "make a picture the desktop wallpaper now",
     .description = "Makes FILE the desktop wallpaper now, as Drapewell's window would, and\n"
                    "prints the file handed to the desktop, each monitor's picture when there\n"
                    "are several, and the change method's outcome.",
     .termWidth = 12,
     .options = kApplyOptions,
     .closing = "Exits with status 0 only when the desktop accepted the picture."},
    {.name = "monitors",
     .arguments = "",
     .shortArguments = "",
     .summary = "list the monitors as the session reports them",
     .description = "Prints one line per monitor, in the order pictures go to them: its name,\n"
                    "WIDTHxHEIGHT+X+Y in device pixels, \"primary\" for the primary one, and\n"
                    "portrait or landscape. Asks sway or Hyprland when one runs, else the X\n"
                    "server's RandR monitors."},
    {.name = "show",
     .arguments = "FILE [--zoom N] [--transition EFFECT,SUBTYPE,DELAY,COUNT]",
     .shortArguments = "FILE [OPTION...]",
     .summary = "show a picture in a window, zoomed or revealed",
     .description = "Shows FILE in a window; Escape closes it.",
     .termWidth = 12,
     .options = kShowOptions},
};

constexpr std::string_view kUsages[] = {
    "drapewell-tool COMMAND [ARGUMENTS...]",
    "drapewell-tool help COMMAND | COMMAND --help",
    "drapewell-tool --help | --version",
};

// The overview's column of commands with their arguments.
constexpr std::size_t kOverviewWidth = 24;

// `text` with every line after the first indented by `indent` spaces.
std::string Indented(std::string_view text, std::size_t indent) {
    std::string out;
    for (const char c : text) {
        out += c;
        if (c == '\n')
            out.append(indent, ' ');
    }
    return out;
}

}  // namespace

std::span<const CommandHelp> Commands() {
    return kCommands;
}

const CommandHelp* FindCommand(std::string_view name) {
    for (const CommandHelp& command : kCommands)
        if (command.name == name)
            return &command;
    return nullptr;
}

std::span<const std::string_view> ToolUsages() {
    return kUsages;
}

std::string_view ExitStatus() {
    return "Every command exits with status 0 on success; otherwise it prints one line\n"
           "on stderr and exits with status 1. A picture that cannot be read or written\n"
           "ends the line with the reason (\"x.png: cannot read it as PNG: truncated\").";
}

std::string OverviewText() {
    std::string out;
    for (const std::string_view usage : kUsages)
        out.append(out.empty() ? "usage: " : "       ").append(usage).append("\n");
    out += "\nCommands:\n";
    for (const CommandHelp& command : kCommands) {
        std::string entry = "  " + std::string(command.name) + " ";
        entry.append(command.shortArguments);
        entry.resize(std::max(entry.size() + 2, 2 + kOverviewWidth + 2), ' ');
        out.append(entry).append(command.summary).append("\n");
    }
    out.append("\n").append(ExitStatus()).append(" See drapewell-tool(1).\n");
    return out;
}

std::string CommandText(const CommandHelp& command) {
    std::string out = "usage: drapewell-tool " + std::string(command.name) + " ";
    out.append(command.arguments).append("\n").append(command.description);
    if (!command.optionsName.empty())
        out.append(" ").append(command.optionsName).append(":");
    out += "\n";
    const std::size_t textColumn = 2 + command.termWidth + 2;
    for (const HelpOption& option : command.options) {
        std::string line = "  " + Indented(option.term, 2);
        if (!option.text.empty()) {
            const std::size_t lastLine = line.rfind('\n') + 1;  // 0 when there is one line
            line.resize(std::max(line.size() - lastLine + 2, textColumn) + lastLine, ' ');
            line += Indented(option.text, textColumn);
        }
        out.append(line).append("\n");
    }
    if (!command.closing.empty())
        out.append(command.closing).append("\n");
    return out;
}

}  // namespace tool_help
