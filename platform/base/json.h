#pragma once

// A small JSON reader for the answers of the compositors' command-line tools
// (`swaymsg -t get_outputs`, `hyprctl monitors -j`). Reads a whole document
// into a tree; nothing is written back.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {

class JsonValue {
public:
    enum class Kind { kNull, kBool, kNumber, kString, kArray, kObject };

    Kind kind() const { return kind_; }
    bool IsObject() const { return kind_ == Kind::kObject; }
    bool IsArray() const { return kind_ == Kind::kArray; }

    // The member `key` of an object; null when absent or not an object.
    const JsonValue* Find(std::string_view key) const;
    const std::vector<JsonValue>& Items() const { return items_; }  // an array's

    // The value as a type, or `fallback` when it is another kind.
    double Number(double fallback = 0) const { return kind_ == Kind::kNumber ? number_ : fallback; }
    bool Bool(bool fallback = false) const { return kind_ == Kind::kBool ? flag_ : fallback; }
    std::string String(std::string fallback = {}) const {
        return kind_ == Kind::kString ? text_ : fallback;
    }

    // A member's value by key, with a fallback for absent or mistyped ones.
    double NumberAt(std::string_view key, double fallback = 0) const;
    bool BoolAt(std::string_view key, bool fallback = false) const;
    std::string StringAt(std::string_view key) const;

private:
    friend class JsonReader;
    Kind kind_ = Kind::kNull;
    bool flag_ = false;
    double number_ = 0;
    std::string text_;
    std::vector<JsonValue> items_;                            // array elements
    std::vector<std::pair<std::string, JsonValue>> members_;  // object members, in order
};

// The document in `text`, or nothing when it is not well-formed JSON (or
// nests deeper than 64 levels); *why then says where.
std::optional<JsonValue> ParseJson(std::string_view text, std::string* why = nullptr);

}  // namespace platform
