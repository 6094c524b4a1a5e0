#pragma once

// The editing operations of `drapewell-tool convert`: colour adjustments,
// filters, distortions and combinations with a second picture.

#include <cstdint>
#include <string>
#include <vector>

class CPicture;

struct EditOperation {
    std::string option;                 // empty: not an editing operation
    std::vector<std::int32_t> numbers;  // the option's numbers in order
    std::string file;                   // --combine, --blend, --alpha-blend
    bool multiply = false;              // --brightness N,mul
};

// Whether `option` names an editing operation; `takesValue` tells whether a
// value follows it.
bool IsEditOption(const std::string& option, bool& takesValue);
// Reads the value of `op` (its option already set); empty, or what is wrong.
std::string ParseEditValue(EditOperation& op, const std::string& value);
// Empty, or why the operation could not be done.
std::string ApplyEditOperation(CPicture& picture, const EditOperation& op);
