#include "platform/base/product.h"

std::string GetProductName() {
    return "Drapewell";
}
std::string GetProductVersion() {
    return "1.50";
}
std::string GetProductBuild() {
    return "Build 05/09/2009";
}

std::string GetAboutText() {
    return GetProductName() + " " + GetProductVersion() + " " + GetProductBuild();
}
