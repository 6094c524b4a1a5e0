// Kept apart from the job so that programs which supply their own setters
// (the tests) do not link the desktop methods.

#include "wallpaper/change_job.h"

namespace wallpaper {

SetterFactory DesktopSetters() {
    return [](int method) { return desktop::MakeSetter(method); };
}

}  // namespace wallpaper
