#pragma once

// An atomic write (WriteFileAtomically, CMappedWriter) makes ".NAME.XXXXXX"
// beside its target NAME and renames it over NAME when complete. A process
// killed in between leaves that temporary behind, and a program killed
// often (a session that ends hard every day) would pile them up; the next
// start clears them.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace platform {

// The mkostemp template of a temporary for the target `name`:
// ".NAME.XXXXXX". Every atomic write names its temporary by it.
std::string TemporaryTemplate(std::string_view name);

// The target a temporary's file name stands for ("History.txt" for
// ".History.txt.a1B2c3"); empty when `name` is not such a temporary.
std::string TemporaryTarget(std::string_view name);

// Removes the regular files in `directory` that are temporaries of a target
// `ours` accepts; returns how many. Only for targets no other process
// writes: the caller holds the program's single-instance lock.
std::size_t RemoveLeftTemporaries(const std::string& directory,
                                  const std::function<bool(std::string_view)>& ours);

}  // namespace platform
