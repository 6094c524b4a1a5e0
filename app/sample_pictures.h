#pragma once

// The sample pictures that come with the program. The build makes them
// (tools/make_samples.cpp) and installs them to <prefix>/share/drapewell/
// samples/; on first use they are copied into the data directory, which the
// default image directory names, so a first start has pictures to rotate.

#include <string>

// The directory holding the samples (ending with '/'): beside an installed
// program (../share/drapewell/samples/ from its directory), else the
// install prefix's, else the build tree's. Empty when none holds them.
std::string FindSamplePicturesDirectory();

// Copies each picture of `sourceDir` into `dataDir` unless a file of that
// name is already there; a user's file is never replaced. Runs once per data
// directory: a marker file records it, so samples the user deleted stay
// deleted. Returns the number of pictures copied.
int InstallSamplePictures(const std::string& dataDir, const std::string& sourceDir);

// InstallSamplePictures into the data directory (GetWindowsDirectoryPath)
// from FindSamplePicturesDirectory. For start-up, before the image list is
// first filled.
int InstallBundledSamplePictures();

// The marker's name in the data directory (hidden; not a picture).
inline constexpr const char* kSamplesInstalledMarker = ".samples-installed";
