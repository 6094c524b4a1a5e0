#include "platform/base/json.h"

#include <charconv>
#include <cstdint>

namespace platform {

const JsonValue* JsonValue::Find(std::string_view key) const {
    for (const auto& [name, value] : members_)
        if (name == key)
            return &value;
    return nullptr;
}

double JsonValue::NumberAt(std::string_view key, double fallback) const {
    const JsonValue* value = Find(key);
    return value ? value->Number(fallback) : fallback;
}

bool JsonValue::BoolAt(std::string_view key, bool fallback) const {
    const JsonValue* value = Find(key);
    return value ? value->Bool(fallback) : fallback;
}

std::string JsonValue::StringAt(std::string_view key) const {
    const JsonValue* value = Find(key);
    return value ? value->String() : std::string();
}

class JsonReader {
public:
    explicit JsonReader(std::string_view text) : text_(text) {}

    bool Document(JsonValue& out) {
        if (!Value(out, 0))
            return false;
        SkipSpace();
        return at_ == text_.size() || Fail("text after the document");
    }

    std::string why;

private:
    // Deep enough for any real answer; bounds the recursion for a hostile one.
    static constexpr int kMaxDepth = 64;

    bool Fail(const char* what) {
        if (why.empty())
            why = std::string(what) + " at byte " + std::to_string(at_);
        return false;
    }

    void SkipSpace() {
        while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t' ||
                                      text_[at_] == '\n' || text_[at_] == '\r'))
            ++at_;
    }

    bool Literal(std::string_view word) {
        if (text_.substr(at_, word.size()) != word)
            return Fail("unknown word");
        at_ += word.size();
        return true;
    }

    bool Value(JsonValue& out, int depth) {
        if (depth > kMaxDepth)
            return Fail("nesting too deep");
        SkipSpace();
        if (at_ >= text_.size())
            return Fail("unexpected end");
        const char c = text_[at_];
        switch (c) {
        case '{':
            return Object(out, depth);
        case '[':
            return Array(out, depth);
        case '"':
            out.kind_ = JsonValue::Kind::kString;
            return String(out.text_);
        case 't':
            out.kind_ = JsonValue::Kind::kBool;
            out.flag_ = true;
            return Literal("true");
        case 'f':
            out.kind_ = JsonValue::Kind::kBool;
            return Literal("false");
        case 'n':
            return Literal("null");
        default:
            return Number(out);
        }
    }

    bool Number(JsonValue& out) {
        std::size_t end = at_;
        while (end < text_.size() &&
               std::string_view("+-0123456789.eE").find(text_[end]) != std::string_view::npos)
            ++end;
        if (end == at_)
            return Fail("unexpected character");
        const char* first = text_.data() + at_;
        // from_chars takes no leading '+', nor does JSON.
        const auto [stop, error] = std::from_chars(first, text_.data() + end, out.number_);
        if (error != std::errc{} || stop != text_.data() + end)
            return Fail("bad number");
        out.kind_ = JsonValue::Kind::kNumber;
        at_ = end;
        return true;
    }

    static void AppendUtf8(std::string& out, std::uint32_t code) {
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | code >> 6);
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | code >> 12);
            out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | code >> 18);
            out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
            out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }

    bool Hex4(std::uint32_t& code) {
        if (at_ + 4 > text_.size())
            return Fail("short \\u escape");
        code = 0;
        for (int i = 0; i < 4; ++i) {
            const char h = text_[at_++];
            code <<= 4;
            if (h >= '0' && h <= '9')
                code |= h - '0';
            else if (h >= 'a' && h <= 'f')
                code |= h - 'a' + 10;
            else if (h >= 'A' && h <= 'F')
                code |= h - 'A' + 10;
            else
                return Fail("bad \\u escape");
        }
        return true;
    }

    bool String(std::string& out) {
        ++at_;  // the opening quote
        while (at_ < text_.size()) {
            const char c = text_[at_++];
            if (c == '"')
                return true;
            if (static_cast<unsigned char>(c) < 0x20)
                return Fail("control character in a string");
            if (c != '\\') {
                out += c;
                continue;
            }
            if (at_ >= text_.size())
                break;
            const char e = text_[at_++];
            switch (e) {
            case '"':
            case '\\':
            case '/':
                out += e;
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'u': {
                std::uint32_t code = 0;
                if (!Hex4(code))
                    return false;
                // A surrogate pair makes one code point; a lone half is U+FFFD.
                if (code >= 0xD800 && code < 0xDC00 && text_.substr(at_, 2) == "\\u") {
                    at_ += 2;
                    std::uint32_t low = 0;
                    if (!Hex4(low))
                        return false;
                    code = low >= 0xDC00 && low < 0xE000
                               ? 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00)
                               : 0xFFFD;
                } else if (code >= 0xD800 && code < 0xE000) {
                    code = 0xFFFD;
                }
                AppendUtf8(out, code);
                break;
            }
            default:
                return Fail("bad escape");
            }
        }
        return Fail("unterminated string");
    }

    bool Array(JsonValue& out, int depth) {
        out.kind_ = JsonValue::Kind::kArray;
        ++at_;
        SkipSpace();
        if (at_ < text_.size() && text_[at_] == ']') {
            ++at_;
            return true;
        }
        for (;;) {
            out.items_.emplace_back();
            if (!Value(out.items_.back(), depth + 1))
                return false;
            SkipSpace();
            if (at_ < text_.size() && text_[at_] == ',') {
                ++at_;
                continue;
            }
            if (at_ < text_.size() && text_[at_] == ']') {
                ++at_;
                return true;
            }
            return Fail("expected ',' or ']'");
        }
    }

    bool Object(JsonValue& out, int depth) {
        out.kind_ = JsonValue::Kind::kObject;
        ++at_;
        SkipSpace();
        if (at_ < text_.size() && text_[at_] == '}') {
            ++at_;
            return true;
        }
        for (;;) {
            SkipSpace();
            if (at_ >= text_.size() || text_[at_] != '"')
                return Fail("expected a member name");
            std::string key;
            if (!String(key))
                return false;
            SkipSpace();
            if (at_ >= text_.size() || text_[at_] != ':')
                return Fail("expected ':'");
            ++at_;
            out.members_.emplace_back(std::move(key), JsonValue());
            if (!Value(out.members_.back().second, depth + 1))
                return false;
            SkipSpace();
            if (at_ < text_.size() && text_[at_] == ',') {
                ++at_;
                continue;
            }
            if (at_ < text_.size() && text_[at_] == '}') {
                ++at_;
                return true;
            }
            return Fail("expected ',' or '}'");
        }
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

std::optional<JsonValue> ParseJson(std::string_view text, std::string* why) {
    JsonReader reader(text);
    JsonValue value;
    if (!reader.Document(value)) {
        if (why)
            *why = reader.why;
        return std::nullopt;
    }
    return value;
}

}  // namespace platform
