#include "shell/ini_file.h"

#include "platform/base/paths.h"
#include "platform/base/profile.h"
#include "platform/base/text.h"
#include "shell/ini_values.h"

namespace {

// The executable's file name without its extension: the application's
// name, and the stem of its own INI file.
std::string ModuleStem() {
    return std::string(platform::StemOf(GetModulePath()));
}

std::string DefaultPath() {
    return GetModuleDirectory() + ModuleStem() + ".ini";
}

std::string Resolve(std::string_view fileName) {
    if (fileName.empty())
        return DefaultPath();
    if (fileName.front() == '/')
        return std::string(fileName);
    return GetModuleDirectory() + std::string(fileName);
}

std::string SectionOrDefault(std::string_view section) {
    return section.empty() ? ModuleStem() : std::string(section);
}

std::string Cut(std::string text, std::size_t limit) {
    if (text.size() > limit)
        text.resize(limit);
    return text;
}

}  // namespace

CIniFile::CIniFile() : path_(DefaultPath()), section_(ModuleStem()) {}

CIniFile::CIniFile(std::string_view fileName, std::string_view section)
    : path_(Resolve(fileName)), section_(SectionOrDefault(section)) {}

CIniFile::CIniFile(const CIniFile& other) {
    const std::scoped_lock lock(other.mutex_);
    path_ = Resolve(other.path_);
    section_ = SectionOrDefault(other.section_);
}

CIniFile& CIniFile::operator=(const CIniFile& other) {
    if (this != &other) {
        const std::scoped_lock lock(mutex_, other.mutex_);
        path_ = Resolve(other.path_);
        section_ = SectionOrDefault(other.section_);
    }
    return *this;
}

void CIniFile::SetFileName(std::string_view fileName) {
    std::string path = Resolve(fileName);
    const std::scoped_lock lock(mutex_);
    path_ = std::move(path);
}

void CIniFile::SetSection(std::string_view section) {
    const std::scoped_lock lock(mutex_);
    section_ = section;
}

void CIniFile::SetLocation(const char* fileName, const char* section) {
    const std::scoped_lock lock(mutex_);
    if (section)
        section_ = section;
    if (fileName)
        path_ = fileName;
}

std::string CIniFile::GetFileName() const {
    const std::scoped_lock lock(mutex_);
    return path_;
}

std::string CIniFile::GetSection() const {
    const std::scoped_lock lock(mutex_);
    return section_;
}

CIniFile::Target CIniFile::Use(const char* section) {
    const std::scoped_lock lock(mutex_);
    if (section)
        section_ = section;
    return {path_, section_};
}

std::string CIniFile::Read(std::string_view key, std::string_view def, const char* section) {
    const Target target = Use(section);
    return platform::ReadProfileString(target.path, target.section, key, def);
}

// ---- getters ---------------------------------------------------------------

std::string CIniFile::GetString(std::string_view key, const char* def, const char* section) {
    return Cut(Read(key, def ? def : "", section), kMaxString);
}

std::string CIniFile::GetLongString(std::string_view key, const char* def, const char* section) {
    return Cut(Read(key, def ? def : "", section), kMaxLongString);
}

int CIniFile::GetInt(std::string_view key, int def, const char* section) {
    return ini_values::LeadingInt(Read(key, std::to_string(def), section));
}

bool CIniFile::GetBool(std::string_view key, bool def, const char* section) {
    return ini_values::LeadingInt(Read(key, def ? "1" : "0", section)) != 0;
}

std::uint16_t CIniFile::GetWord(std::string_view key, std::uint16_t def, const char* section) {
    return static_cast<std::uint16_t>(
        ini_values::LeadingInt(Read(key, std::to_string(def), section)));
}

std::uint64_t CIniFile::GetUInt64(std::string_view key, std::uint64_t def, const char* section) {
    return ini_values::ParseUInt64(Read(key, std::to_string(def), section)).value_or(def);
}

double CIniFile::GetDouble(std::string_view key, double def, const char* section) {
    return ini_values::LeadingDouble(Read(key, ini_values::FormatDouble(def), section));
}

float CIniFile::GetFloat(std::string_view key, float def, const char* section) {
    return ini_values::NarrowToFloat(
        ini_values::LeadingDouble(Read(key, ini_values::FormatDouble(def), section)));
}

gdi::POINT CIniFile::GetPoint(std::string_view key, int defX, int defY, const char* section) {
    const gdi::POINT def{defX, defY};
    return ini_values::ParsePoint(Read(key, ini_values::FormatPoint(def), section)).value_or(def);
}

gdi::RECT CIniFile::GetRect(std::string_view key, const gdi::RECT& def, const char* section) {
    return ini_values::ParseRect(Read(key, ini_values::FormatRectDefault(def), section))
        .value_or(def);
}

gdi::COLORREF CIniFile::GetColor(std::string_view key, gdi::COLORREF def, const char* section) {
    return ini_values::ParseColor(Read(key, ini_values::FormatColor(def), section)).value_or(def);
}

bool CIniFile::GetBlock(std::string_view key, std::vector<std::uint8_t>& block,
                        const char* section) {
    block.clear();
    const std::string text = Read(key, "", section);
    if (text.empty())
        return false;
    block = ini_values::DecodeBlock(text);
    return true;
}

// ---- writers ---------------------------------------------------------------

bool CIniFile::WriteString(std::string_view key, std::string_view value, const char* section) {
    const Target target = Use(section);
    return platform::WriteProfileString(target.path, target.section, key, value);
}

bool CIniFile::WriteInt(std::string_view key, int value, const char* section) {
    return WriteString(key, std::to_string(value), section);
}

bool CIniFile::WriteBool(std::string_view key, bool value, const char* section) {
    return WriteString(key, value ? "1" : "0", section);
}

bool CIniFile::WriteWord(std::string_view key, std::uint16_t value, const char* section) {
    return WriteString(key, std::to_string(value), section);
}

bool CIniFile::WriteUInt64(std::string_view key, std::uint64_t value, const char* section) {
    return WriteString(key, std::to_string(value), section);
}

bool CIniFile::WriteDouble(std::string_view key, double value, const char* section) {
    return WriteString(key, ini_values::FormatDouble(value), section);
}

bool CIniFile::WriteFloat(std::string_view key, float value, const char* section) {
    return WriteString(key, ini_values::FormatDouble(value), section);
}

bool CIniFile::WritePoint(std::string_view key, const gdi::POINT& value, const char* section) {
    return WriteString(key, ini_values::FormatPoint(value), section);
}

bool CIniFile::WriteRect(std::string_view key, const gdi::RECT& value, const char* section) {
    return WriteString(key, ini_values::FormatRect(value), section);
}

bool CIniFile::WriteColor(std::string_view key, gdi::COLORREF value, const char* section) {
    return WriteString(key, ini_values::FormatColor(value), section);
}

bool CIniFile::WriteBlock(std::string_view key, std::span<const std::uint8_t> block,
                          const char* section) {
    return WriteString(key, ini_values::EncodeBlock(block), section);
}

bool CIniFile::WriteStrings(std::span<const platform::ProfileEntry> entries, const char* section) {
    const Target target = Use(section);
    return platform::WriteProfileStrings(target.path, target.section, entries);
}

bool CIniFile::DeleteKey(std::string_view key) {
    const Target target = Use(nullptr);
    return platform::DeleteProfileKey(target.path, target.section, key);
}
