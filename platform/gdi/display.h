#pragma once

// The display device: the primary screen's size in device pixels and its
// depth, as the "DISPLAY" information context reports them. A program with a
// window follows the screens itself and tells the size here (Qt's screen
// notifications, on its own thread); until then, and in programs without a
// window, the X server named by DISPLAY is asked on one connection kept for
// the purpose. Without any display the headless size applies.

namespace gdi {

inline constexpr int HORZRES = 8;
inline constexpr int VERTRES = 10;
inline constexpr int BITSPIXEL = 12;

// Device pixels are always 32 bits deep (BGRX).
inline constexpr int kDisplayBitsPerPixel = 32;

int GetDeviceCaps(int index);

struct DisplaySize {
    int width = 0;
    int height = 0;
};

// Width and height of the same reading (two GetDeviceCaps calls may straddle
// a reconfiguration).
DisplaySize GetDisplaySize();

// The primary screen's size as the program's window system reports it; every
// query answers from it from then on. A size of 0 forgets it.
void SetKnownDisplaySize(int width, int height);

// The size reported when no display can be opened (1024 x 768 until set).
void SetHeadlessDisplaySize(int width, int height);

// Whether the X display `name` (as DISPLAY gives it, e.g. ":0") can be
// opened now; false for null or empty.
bool CanOpenX11Display(const char* name);

// Makes every query report the headless size even when a display is open;
// tests use it for a screen size they control.
void ForceHeadlessDisplay(bool force);

}  // namespace gdi
