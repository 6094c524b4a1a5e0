#include "platform/base/paths.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/base/text.h"

std::string GetModulePath() {
    // /proc/self/exe names the executable even when started through a link.
    std::vector<char> buffer(2048);
    for (;;) {
        const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0)
            return {};
        if (static_cast<std::size_t>(n) < buffer.size())
            return std::string(buffer.data(), static_cast<std::size_t>(n));
        if (buffer.size() >= 65536)
            return {};
        buffer.resize(buffer.size() * 2);
    }
}

std::string DirectoryOfPath(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string{} : path.substr(0, slash + 1);
}

std::string GetModuleDirectory() {
    return DirectoryOfPath(GetModulePath());
}

std::string GetFileExtension(const std::string& path) {
    return std::string(platform::ExtensionOf(path));
}

static std::string WithTrailingSlash(std::string dir) {
    if (!dir.empty() && dir.back() != '/')
        dir += '/';
    return dir;
}

std::string DataDirectoryFor(const char* xdgDataHome, const char* home) {
    // The XDG rules ignore a relative XDG_DATA_HOME.
    if (xdgDataHome && xdgDataHome[0] == '/')
        return WithTrailingSlash(xdgDataHome) + "Drapewell/";
    if (home && home[0] == '/')
        return WithTrailingSlash(home) + ".local/share/Drapewell/";
    return {};
}

bool EnsureDirectory(const std::string& dir) {
    if (dir.empty())
        return false;
    struct stat st {};
    if (stat(dir.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode);
    std::string trimmed = dir;
    while (trimmed.size() > 1 && trimmed.back() == '/')
        trimmed.pop_back();
    const std::string parent = DirectoryOfPath(trimmed);
    if (!parent.empty() && parent != trimmed && !EnsureDirectory(parent))
        return false;
    if (mkdir(trimmed.c_str(), 0700) == 0)
        return true;
    return errno == EEXIST && stat(trimmed.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

static const char* HomeDirectory() {
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
        if (const passwd* pw = getpwuid(getuid()))
            home = pw->pw_dir;
    }
    return home;
}

std::string ConfigDirectoryFor(const char* xdgConfigHome, const char* home) {
    if (xdgConfigHome && xdgConfigHome[0] == '/')
        return WithTrailingSlash(xdgConfigHome);
    if (home && home[0] == '/')
        return WithTrailingSlash(home) + ".config/";
    return {};
}

std::string GetConfigHomePath() {
    return ConfigDirectoryFor(std::getenv("XDG_CONFIG_HOME"), HomeDirectory());
}

bool IsWritableDirectory(const std::string& dir) {
    struct stat st {};
    return !dir.empty() && stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
           (st.st_mode & 0222) != 0 && access(dir.c_str(), W_OK | X_OK) == 0;
}

std::string GetWindowsDirectoryPath() {
    const char* home = HomeDirectory();
    std::string dir = DataDirectoryFor(std::getenv("XDG_DATA_HOME"), home);
    if (!dir.empty())
        EnsureDirectory(dir);
    return dir;
}
