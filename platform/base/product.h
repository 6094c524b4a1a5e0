#pragma once

#include <string>

// The product's name, version and build, and the texts made from them.
std::string GetProductName();     // "Drapewell"
std::string GetProductVersion();  // "1.50"
std::string GetProductBuild();    // "Build 05/09/2009"
// Name, version and build joined by single blanks (shown in the About box).
std::string GetAboutText();
