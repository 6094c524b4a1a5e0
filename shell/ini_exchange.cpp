// CIniFile's exchange operations: one variable or array to or from its key,
// in the direction the caller asks.

#include <string>
#include <type_traits>
#include "shell/ini_file.h"

#include "shell/ini_values.h"

// ---- single values ---------------------------------------------------------

void CIniFile::Exchange(bool load, std::string& value, std::string_view key, const char* section,
                        const char* def) {
    if (load)
        value = GetString(key, def, section);
    else
        WriteString(key, value, section);
}

void CIniFile::Exchange(bool load, double& value, std::string_view key, const char* section,
                        double def) {
    if (load)
        value = GetDouble(key, def, section);
    else
        WriteDouble(key, value, section);
}

void CIniFile::Exchange(bool load, float& value, std::string_view key, const char* section,
                        float def) {
    if (load)
        value = GetFloat(key, def, section);
    else
        WriteFloat(key, value, section);
}

void CIniFile::Exchange(bool load, int& value, std::string_view key, const char* section, int def) {
    if (load)
        value = GetInt(key, def, section);
    else
        WriteInt(key, value, section);
}

void CIniFile::Exchange(bool load, short& value, std::string_view key, const char* section,
                        short def) {
    if (load)
        value = static_cast<short>(GetInt(key, def, section));
    else
        WriteInt(key, value, section);
}

void CIniFile::Exchange(bool load, unsigned short& value, std::string_view key, const char* section,
                        unsigned short def) {
    if (load)
        value = static_cast<unsigned short>(GetInt(key, def, section));
    else
        WriteInt(key, value, section);
}

void CIniFile::Exchange(bool load, bool& value, std::string_view key, const char* section,
                        bool def) {
    if (load)
        value = GetBool(key, def, section);
    else
        WriteBool(key, value, section);
}

void CIniFile::Exchange(bool load, gdi::POINT& value, std::string_view key, const char* section,
                        const gdi::POINT& def) {
    if (load)
        value = GetPoint(key, def.x, def.y, section);
    else
        WritePoint(key, value, section);
}

void CIniFile::Exchange(bool load, gdi::RECT& value, std::string_view key, const char* section,
                        const gdi::RECT& def) {
    if (load)
        value = GetRect(key, def, section);
    else
        WriteRect(key, value, section);
}

void CIniFile::Exchange(bool load, gdi::COLORREF& value, std::string_view key, const char* section,
                        gdi::COLORREF def) {
    if (load)
        value = GetColor(key, def, section);
    else
        WriteColor(key, value, section);
}

// ---- arrays in one value ---------------------------------------------------

// Loading reads the whole value: a list cut short would turn its last number
// into a smaller one.
template <typename T, typename Convert>
void CIniFile::ExchangeNumbers(bool load, std::span<T> values, std::string_view key,
                               const char* section, T def, Convert convert) {
    if (values.empty())
        return;
    if (load) {
        const std::string text = Read(key, "", section);
        const std::vector<std::string_view> elements = ini_values::SplitList(text);
        for (std::size_t i = 0; i < values.size(); ++i) {
            const bool given = i < elements.size() && !elements[i].empty();
            values[i] = given ? convert(elements[i]) : def;
        }
        return;
    }
    std::string text;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0)
            text += ',';
        if constexpr (std::is_floating_point_v<T>)
            text += ini_values::FormatDouble(values[i]);
        else if constexpr (std::is_same_v<T, std::string>)
            text += values[i];
        else
            text += std::to_string(values[i]);
    }
    WriteString(key, text, section);
}

void CIniFile::ExchangeArray(bool load, std::span<std::string> values, std::string_view key,
                             const char* section, const char* def) {
    ExchangeNumbers<std::string>(load, values, key, section, def ? def : "",
                                 [](std::string_view e) { return std::string(e); });
}

void CIniFile::ExchangeArray(bool load, std::span<double> values, std::string_view key,
                             const char* section, double def) {
    ExchangeNumbers(load, values, key, section, def, ini_values::LeadingDouble);
}

void CIniFile::ExchangeArray(bool load, std::span<float> values, std::string_view key,
                             const char* section, float def) {
    ExchangeNumbers(load, values, key, section, def, [](std::string_view e) {
        return ini_values::NarrowToFloat(ini_values::LeadingDouble(e));
    });
}

void CIniFile::ExchangeArray(bool load, std::span<int> values, std::string_view key,
                             const char* section, int def) {
    ExchangeNumbers(load, values, key, section, def, ini_values::LeadingInt);
}

void CIniFile::ExchangeArray(bool load, std::span<std::uint8_t> values, std::string_view key,
                             const char* section, std::uint8_t def) {
    ExchangeNumbers(load, values, key, section, def, [](std::string_view e) {
        return static_cast<std::uint8_t>(ini_values::LeadingInt(e));
    });
}

void CIniFile::ExchangeArray(bool load, std::span<short> values, std::string_view key,
                             const char* section, short def) {
    ExchangeNumbers(load, values, key, section, def, [](std::string_view e) {
        return static_cast<short>(ini_values::LeadingInt(e));
    });
}

void CIniFile::ExchangeArray(bool load, std::span<unsigned short> values, std::string_view key,
                             const char* section, unsigned short def) {
    ExchangeNumbers(load, values, key, section, def, [](std::string_view e) {
        return static_cast<unsigned short>(ini_values::LeadingInt(e));
    });
}

// ---- arrays of points and rectangles: one key per element -------------------

void CIniFile::ExchangeArray(bool load, std::span<gdi::POINT> values, std::string_view key,
                             const char* section, int defX, int defY) {
    for (std::size_t i = 0; i < values.size(); ++i) {
        const std::string name = std::string(key) + "_" + std::to_string(i);
        Exchange(load, values[i], name, section, gdi::POINT{defX, defY});
    }
}

void CIniFile::ExchangeArray(bool load, std::span<gdi::RECT> values, std::string_view key,
                             const char* section, const gdi::RECT& def) {
    for (std::size_t i = 0; i < values.size(); ++i) {
        const std::string name = std::string(key) + "_" + std::to_string(i);
        Exchange(load, values[i], name, section, def);
    }
}
