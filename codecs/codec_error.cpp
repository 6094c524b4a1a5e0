#include "codecs/codec_error.h"

namespace {

thread_local std::string lastError;

}  // namespace

std::string_view LastImageError() {
    return lastError;
}

bool ImageFail(std::string_view reason) {
    if (lastError.empty())
        lastError.assign(reason);
    return false;
}

bool ImageFailOverriding(std::string_view reason) {
    lastError.assign(reason);
    return false;
}

void ClearImageError() {
    lastError.clear();
}
