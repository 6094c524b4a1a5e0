#pragma once

// Dialog units: the window's layout is given in units of a quarter of the
// dialog font's average character width and an eighth of its height, so
// that it grows with the font. These convert them to pixels.

#include <QFont>
#include <QRect>

struct DialogBaseUnits {
    int x = 0;  // average character width in pixels
    int y = 0;  // character height in pixels
};

// The base units of a font: the average width of the 52 letters A-Z and a-z,
// rounded as the classic dialog manager does, and the font's line height.
DialogBaseUnits BaseUnitsOf(const QFont& font);

// Converts one coordinate or size (rounded to the nearest pixel).
int DialogXToPixels(int x, const DialogBaseUnits& units);
int DialogYToPixels(int y, const DialogBaseUnits& units);

// Converts a rectangle given as x, y, width, height in dialog units.
QRect DialogRectToPixels(int x, int y, int width, int height, const DialogBaseUnits& units);
