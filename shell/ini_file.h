#pragma once

// CIniFile: the program's persistent key/value store over one INI file.
//
// Every value is text in the file; the typed getters and writers convert
// with the fixed forms of shell/ini_values.h. A read that finds nothing (no
// file, section or key) yields the caller's default, passed once through
// its text form; a present value that does not parse yields what the type's
// parser gives for it (0 for numbers, the default for points, rectangles,
// colours and 64-bit numbers). Writes report the file write's success and
// never throw.
//
// The current section is sticky: any call given a section makes it the
// section of every later call that gives none. The store keeps no file
// open. The path and section are guarded, so one store may be shared by
// threads (the wallpaper job writes "LaterPaper" while the window saves);
// the file itself is protected by the writers' lock of platform/base/profile.

#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/profile.h"
#include "platform/gdi/types.h"

class CIniFile {
public:
    // The longest text GetString returns, and the longest GetLongString does.
    static constexpr std::size_t kMaxString = 255;
    static constexpr std::size_t kMaxLongString = 32511;

    // The program's own INI file (its path with the extension ".ini") and
    // the application's name as the section.
    CIniFile();
    // `fileName` resolved against the program's directory (the default path
    // when empty); `section` the application's name when empty.
    explicit CIniFile(std::string_view fileName, std::string_view section = {});
    CIniFile(const CIniFile& other);
    CIniFile& operator=(const CIniFile& other);
    virtual ~CIniFile() = default;

    // A relative name is taken relative to the program's directory; an
    // absolute one is used as it is.
    void SetFileName(std::string_view fileName);
    void SetSection(std::string_view section);
    // Sets whichever is given, the file name unresolved.
    void SetLocation(const char* fileName, const char* section);
    std::string GetFileName() const;
    std::string GetSection() const;

    // The value, cut to kMaxString bytes.
    std::string GetString(std::string_view key, const char* def = nullptr,
                          const char* section = nullptr);
    // The value, cut to kMaxLongString bytes.
    std::string GetLongString(std::string_view key, const char* def = nullptr,
                              const char* section = nullptr);
    int GetInt(std::string_view key, int def, const char* section = nullptr);
    bool GetBool(std::string_view key, bool def, const char* section = nullptr);
    std::uint16_t GetWord(std::string_view key, std::uint16_t def, const char* section = nullptr);
    std::uint64_t GetUInt64(std::string_view key, std::uint64_t def, const char* section = nullptr);
    double GetDouble(std::string_view key, double def, const char* section = nullptr);
    float GetFloat(std::string_view key, float def, const char* section = nullptr);
    gdi::POINT GetPoint(std::string_view key, int defX, int defY, const char* section = nullptr);
    gdi::RECT GetRect(std::string_view key, const gdi::RECT& def, const char* section = nullptr);
    gdi::COLORREF GetColor(std::string_view key, gdi::COLORREF def, const char* section = nullptr);
    // True when the key holds a block; `block` is empty otherwise. Values of
    // any length are read, so every block written reads back whole.
    bool GetBlock(std::string_view key, std::vector<std::uint8_t>& block,
                  const char* section = nullptr);

    bool WriteString(std::string_view key, std::string_view value, const char* section = nullptr);
    bool WriteInt(std::string_view key, int value, const char* section = nullptr);
    bool WriteBool(std::string_view key, bool value, const char* section = nullptr);
    bool WriteWord(std::string_view key, std::uint16_t value, const char* section = nullptr);
    bool WriteUInt64(std::string_view key, std::uint64_t value, const char* section = nullptr);
    bool WriteDouble(std::string_view key, double value, const char* section = nullptr);
    bool WriteFloat(std::string_view key, float value, const char* section = nullptr);
    bool WritePoint(std::string_view key, const gdi::POINT& value, const char* section = nullptr);
    bool WriteRect(std::string_view key, const gdi::RECT& value, const char* section = nullptr);
    bool WriteColor(std::string_view key, gdi::COLORREF value, const char* section = nullptr);
    bool WriteBlock(std::string_view key, std::span<const std::uint8_t> block,
                    const char* section = nullptr);

    // Several values (already in their text forms) as one replacement of
    // the file, in the order given; see platform::WriteProfileStrings.
    bool WriteStrings(std::span<const platform::ProfileEntry> entries,
                      const char* section = nullptr);

    // Removes the key from the current section.
    bool DeleteKey(std::string_view key);

    // Loads the variable from the key (`load` true) or saves it there. Short
    // values go through the integer forms and keep their low 16 bits.
    void Exchange(bool load, std::string& value, std::string_view key,
                  const char* section = nullptr, const char* def = nullptr);
    void Exchange(bool load, double& value, std::string_view key, const char* section = nullptr,
                  double def = 0.0);
    void Exchange(bool load, float& value, std::string_view key, const char* section = nullptr,
                  float def = 0.0f);
    void Exchange(bool load, int& value, std::string_view key, const char* section = nullptr,
                  int def = 0);
    void Exchange(bool load, short& value, std::string_view key, const char* section = nullptr,
                  short def = 0);
    void Exchange(bool load, unsigned short& value, std::string_view key,
                  const char* section = nullptr, unsigned short def = 0);
    void Exchange(bool load, bool& value, std::string_view key, const char* section = nullptr,
                  bool def = false);
    void Exchange(bool load, gdi::POINT& value, std::string_view key, const char* section = nullptr,
                  const gdi::POINT& def = {});
    void Exchange(bool load, gdi::RECT& value, std::string_view key, const char* section = nullptr,
                  const gdi::RECT& def = {});
    void Exchange(bool load, gdi::COLORREF& value, std::string_view key,
                  const char* section = nullptr, gdi::COLORREF def = 0);

    // Arrays of scalars as one comma-separated value ("1,2,3"); on load an
    // empty or missing element takes `def`. An empty array does nothing.
    void ExchangeArray(bool load, std::span<std::string> values, std::string_view key,
                       const char* section = nullptr, const char* def = nullptr);
    void ExchangeArray(bool load, std::span<double> values, std::string_view key,
                       const char* section = nullptr, double def = 0.0);
    void ExchangeArray(bool load, std::span<float> values, std::string_view key,
                       const char* section = nullptr, float def = 0.0f);
    void ExchangeArray(bool load, std::span<int> values, std::string_view key,
                       const char* section = nullptr, int def = 0);
    void ExchangeArray(bool load, std::span<std::uint8_t> values, std::string_view key,
                       const char* section = nullptr, std::uint8_t def = 0);
    void ExchangeArray(bool load, std::span<short> values, std::string_view key,
                       const char* section = nullptr, short def = 0);
    void ExchangeArray(bool load, std::span<unsigned short> values, std::string_view key,
                       const char* section = nullptr, unsigned short def = 0);
    // Arrays of points and rectangles: one key per element, key_0, key_1...
    void ExchangeArray(bool load, std::span<gdi::POINT> values, std::string_view key,
                       const char* section = nullptr, int defX = 0, int defY = 0);
    void ExchangeArray(bool load, std::span<gdi::RECT> values, std::string_view key,
                       const char* section = nullptr, const gdi::RECT& def = {});

private:
    struct Target {
        std::string path;
        std::string section;
    };
    // Makes `section` current when given; the path and section to use.
    Target Use(const char* section);
    // The whole value, or `def` when it is missing.
    std::string Read(std::string_view key, std::string_view def, const char* section);
    template <typename T, typename Convert>
    void ExchangeNumbers(bool load, std::span<T> values, std::string_view key, const char* section,
                         T def, Convert convert);

    mutable std::mutex mutex_;
    std::string path_;
    std::string section_;
};
