#pragma once

// Dialog units: the window's layout is given in units of a quarter of the
// dialog font's average character width and an eighth of its height, so
// that it grows with the font. These convert them to pixels.

#include <QFont>
#include <QRect>

class QLabel;
class QWidget;

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

// Makes a label large enough for its whole text in its own font: wider for a
// single line, taller for a wrapped one; never smaller than it was placed.
// Layouts in dialog units follow the font only on average, and a text in a
// wider font or a longer translation would otherwise be cut.
void FitLabelToText(QLabel* label);

// Fits every label of `window` (FitLabelToText) and returns `size` grown, if
// need be, to hold every child with a margin of one character width.
QSize FitLabels(QWidget* window, QSize size);
