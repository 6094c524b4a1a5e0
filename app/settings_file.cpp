#include "app/settings_file.h"

#include <sys/stat.h>

#include "platform/base/paths.h"
#include "platform/base/product.h"

std::string SettingsFilePathFor(const std::string& moduleDir, const std::string& configDir) {
    const std::string name = GetProductName() + ".ini";
    if (!moduleDir.empty() && moduleDir.rfind("/usr/", 0) != 0) {
        const std::string beside = moduleDir + name;
        struct stat st;
        if (lstat(beside.c_str(), &st) == 0 || IsWritableDirectory(moduleDir))
            return beside;
    }
    if (configDir.empty())
        return {};
    return configDir + GetProductName() + "/" + name;
}

std::string GetSettingsFilePath() {
    return SettingsFilePathFor(GetModuleDirectory(), GetConfigHomePath());
}
