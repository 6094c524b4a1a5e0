// The command line of the control commands and the path SetWallpaper takes
// over the bus. The input is split at NUL bytes into arguments. Parsing
// never crashes; a refusal is one line; a command found is one of the table
// and --set carries the argument after it. Every argument is also checked
// as a bus request's path: refused with one line that says why, or a full
// path to an existing picture.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/control_client.h"
#include "app/picture_list.h"
#include "fuzz/scratch_dir.h"

namespace {

bool OneLine(const std::string& text) {
    return !text.empty() && text.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> arguments;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    for (std::size_t pos = 0; pos <= input.size() && arguments.size() < 64;) {
        std::size_t end = input.find('\0', pos);
        if (end == std::string_view::npos)
            end = input.size();
        arguments.emplace_back(input.substr(pos, end - pos));
        pos = end + 1;
    }

    std::string error;
    const auto parsed = ParseControlCommand(arguments, error);
    if (!parsed && !error.empty() && !OneLine(error))
        fuzz::Broken("a refused command line is not one line");
    if (parsed) {
        if (!parsed->command || !error.empty())
            fuzz::Broken("a parsed command without its entry, or with an error");
        bool known = false;
        for (const ControlCommand& command : ControlCommands())
            known = known || &command == parsed->command;
        if (!known)
            fuzz::Broken("a parsed command that is not in the table");
        if (parsed->command->takesFile != !parsed->file.empty())
            fuzz::Broken("--set without its file, or a file for another command");
    }

    for (const std::string& argument : arguments) {
        std::string why;
        if (CheckPictureRequest(argument, why)) {
            if (argument.empty() || argument.front() != '/' || !IsImageFileName(argument))
                fuzz::Broken("a bus path taken that is no full picture path");
        } else if (!OneLine(why)) {
            fuzz::Broken("a refused bus path is not one line");
        }
    }
    return 0;
}
