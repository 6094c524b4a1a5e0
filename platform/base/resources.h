#pragma once

// Named data linked into the program, looked up by name and type the way a
// program finds its own resources. The build embeds files with
// drapewell_embed_resources() (cmake/EmbedResources.cmake), which generates a
// source file whose static ResourceRegistration objects enter each file here
// before main() runs.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace platform {

class ResourceRegistration {
public:
    ResourceRegistration(const char* name, const char* type, const std::uint8_t* data,
                         std::size_t size);
};

// The bytes of the resource with this name and type (compared without regard
// to case); an empty span when there is none.
std::span<const std::uint8_t> FindResource(std::string_view name, std::string_view type);

}  // namespace platform
