#pragma once

namespace clipboard {

// Makes the QGuiApplication's clipboard the one platform/base's Clipboard
// uses. Call once the application exists; usable only on its thread.
void InstallQtClipboard();

}  // namespace clipboard
