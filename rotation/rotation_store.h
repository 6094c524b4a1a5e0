#pragma once

// The history and the shuffled orders on disk, in the data directory, so
// that both survive a restart. One small text file each: a first line that
// names the kind and its version, a second with the cursor (history) or the
// position (shuffle), then one path a line. Every save replaces the file
// atomically (temporary file, flush, rename), like the settings file, so a
// crash leaves the old or the new file, never half of one.

#include <string>

#include "rotation/history.h"
#include "rotation/shuffle.h"

// The files' names in the data directory.
inline constexpr const char* kHistoryFileName = "History.txt";
inline constexpr const char* kPictureShuffleFileName = "Shuffle.txt";
inline constexpr const char* kMusicShuffleFileName = "MusicShuffle.txt";

// False (with the reason for LastImageError-style reporting left aside: the
// caller has nothing to tell the user) when the file could not be written.
// Paths holding a line break cannot be stored and are left out.
bool SaveHistory(const std::string& file, const CPictureHistory& history);
bool SaveShuffle(const std::string& file, const CShuffleOrder& order);

// False, leaving the object as it was, for a missing, foreign or damaged
// file.
bool LoadHistory(const std::string& file, CPictureHistory& history);
bool LoadShuffle(const std::string& file, CShuffleOrder& order);
