#pragma once

#include <string>

// Paths the program works with. Every directory returned ends with '/'.

// Full path of the running executable; empty when it cannot be read.
std::string GetModulePath();
// The executable's directory with its trailing '/'; empty when unknown.
std::string GetModuleDirectory();
// Everything up to and including the last '/' of `path`; empty without one.
std::string DirectoryOfPath(const std::string& path);

// Drapewell's own data directory, standing in for the Windows directory (it
// receives the staging wallpaper bitmap): $XDG_DATA_HOME/Drapewell/, by
// default ~/.local/share/Drapewell/. Created when missing. Empty only when
// neither XDG_DATA_HOME nor a home directory is known.
std::string GetWindowsDirectoryPath();
// The same directory for a given XDG_DATA_HOME value and home directory, not
// created; exposed so the rule can be checked without touching the real one.
std::string DataDirectoryFor(const char* xdgDataHome, const char* home);

// The user's configuration directory: $XDG_CONFIG_HOME/, by default
// ~/.config/. Not created. Empty only when neither is known.
std::string GetConfigHomePath();
// The same for given XDG_CONFIG_HOME and home values (a relative
// XDG_CONFIG_HOME is ignored, as the XDG rules ask).
std::string ConfigDirectoryFor(const char* xdgConfigHome, const char* home);

// True when `dir` is a directory in which this process may create files and
// that has a write permission bit (root passes every access check, but a
// directory marked read-only still counts as such).
bool IsWritableDirectory(const std::string& dir);

// The text after the last dot of the file name `path` ends in, without the
// dot; empty without one (see platform::ExtensionOf).
std::string GetFileExtension(const std::string& path);

// Creates `dir` and its missing parents (mode 0700 for new ones, as the XDG
// base directory rules ask). True when it exists as a directory afterwards.
bool EnsureDirectory(const std::string& dir);
