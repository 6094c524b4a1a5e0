#include "platform/base/autostart.h"

#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <span>

#include "platform/base/files.h"
#include "platform/base/paths.h"

namespace platform {

namespace {

// Characters that force an Exec argument into quotes.
constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";

// The string-value escapes of the Desktop Entry format, applied to the
// whole value after the Exec quoting.
std::string EscapeStringValue(std::string_view text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string ReadSmallFile(const std::string& path) {
    CMappedFile file;
    if (!file.Open(path) || file.Data().size() > 65536)
        return {};
    return std::string(reinterpret_cast<const char*>(file.Data().data()), file.Data().size());
}

}  // namespace

std::string QuoteExecArgument(std::string_view arg) {
    std::string quoted;
    const bool needsQuotes = arg.empty() || arg.find_first_of(kReserved) != std::string_view::npos;
    if (needsQuotes)
        quoted += '"';
    for (const char c : arg) {
        if (c == '%') {
            quoted += "%%";  // a lone '%' would be a field code
            continue;
        }
        if (needsQuotes && (c == '"' || c == '`' || c == '$' || c == '\\'))
            quoted += '\\';
        quoted += c;
    }
    if (needsQuotes)
        quoted += '"';
    return EscapeStringValue(quoted);
}

std::string AutostartEntryText(std::string_view name, std::string_view program) {
    const std::string title = EscapeStringValue(name);
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=" +
           title +
           "\n"
           "Comment=Desktop wallpaper rotator\n"
           "Exec=" +
           QuoteExecArgument(program) +
           "\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

bool WriteAutostartEntry(const std::string& file, std::string_view name, std::string_view program) {
    const std::string text = AutostartEntryText(name, program);
    // Written at every start and save: leave the file alone when it is
    // already right, so the desktop sees no change.
    if (ReadSmallFile(file) == text)
        return true;
    if (!EnsureDirectory(DirectoryOfPath(file)))
        return false;
    const auto bytes = std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    return WriteFileAtomically(file, bytes, ReplaceTarget::kWritableFile);
}

bool RemoveAutostartEntry(const std::string& file) {
    return unlink(file.c_str()) == 0 || errno == ENOENT;
}

}  // namespace platform
