#pragma once

// The display device: the primary screen's size in device pixels and its
// depth, as the "DISPLAY" information context reports them. With an X11
// display open they are read from the server on every call (the screen may be
// reconfigured at any time); without one, the headless size applies.

namespace gdi {

inline constexpr int HORZRES = 8;
inline constexpr int VERTRES = 10;
inline constexpr int BITSPIXEL = 12;

// Device pixels are always 32 bits deep (BGRX).
inline constexpr int kDisplayBitsPerPixel = 32;

int GetDeviceCaps(int index);

// The size reported when no display can be opened (1024 x 768 until set).
void SetHeadlessDisplaySize(int width, int height);

// Whether the X display `name` (as DISPLAY gives it, e.g. ":0") can be
// opened now; false for null or empty.
bool CanOpenX11Display(const char* name);

// Makes every query report the headless size even when a display is open;
// tests use it for a screen size they control.
void ForceHeadlessDisplay(bool force);

}  // namespace gdi
