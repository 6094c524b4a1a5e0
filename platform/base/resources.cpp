#include "platform/base/resources.h"

#include <mutex>
#include <string>
#include <vector>

#include "platform/base/text.h"

namespace platform {
namespace {

struct Entry {
    std::string name;
    std::string type;
    std::span<const std::uint8_t> data;
};

// Function-local, so registrations from other translation units may run
// before anything here has been initialised.
std::vector<Entry>& Table() {
    static std::vector<Entry> table;
    return table;
}

std::mutex& TableLock() {
    static std::mutex lock;
    return lock;
}

}  // namespace

ResourceRegistration::ResourceRegistration(const char* name, const char* type,
                                           const std::uint8_t* data, std::size_t size) {
    std::lock_guard<std::mutex> hold(TableLock());
    Table().push_back(Entry{name, type, {data, size}});
}

std::span<const std::uint8_t> FindResource(std::string_view name, std::string_view type) {
    std::lock_guard<std::mutex> hold(TableLock());
    for (const Entry& entry : Table()) {
        if (EqualsIgnoreCase(name, entry.name) && EqualsIgnoreCase(type, entry.type))
            return entry.data;
    }
    return {};
}

}  // namespace platform
