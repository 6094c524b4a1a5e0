#include "app/start_at_login.h"

#include "platform/base/autostart.h"
#include "platform/base/paths.h"
#include "platform/base/product.h"

std::string AutostartFileFor(const std::string& configDir) {
    if (configDir.empty())
        return {};
    return configDir + "autostart/" + GetProductName() + ".desktop";
}

void ApplyStartAtLogin(bool on) {
    const std::string file = AutostartFileFor(GetConfigHomePath());
    if (file.empty())
        return;
    if (!on) {
        platform::RemoveAutostartEntry(file);
        return;
    }
    const std::string program = GetModulePath();
    if (!program.empty())
        platform::WriteAutostartEntry(file, GetProductName(), program);
}
