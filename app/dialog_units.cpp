#include "app/dialog_units.h"

#include <QFontMetrics>

namespace {

// a * b / c rounded to the nearest integer, halves away from zero.
int MulDivRound(int a, int b, int c) {
    const long long product = static_cast<long long>(a) * b;
    const long long half = c / 2;
    return static_cast<int>(product >= 0 ? (product + half) / c : (product - half) / c);
}

}  // namespace

DialogBaseUnits BaseUnitsOf(const QFont& font) {
    const QFontMetrics metrics(font);
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    // Width of 26 letter pairs, halved with rounding: (w / 26 + 1) / 2.
    return {(letters / 26 + 1) / 2, metrics.height()};
}

int DialogXToPixels(int x, const DialogBaseUnits& units) {
    return MulDivRound(x, units.x, 4);
}

int DialogYToPixels(int y, const DialogBaseUnits& units) {
    return MulDivRound(y, units.y, 8);
}

QRect DialogRectToPixels(int x, int y, int width, int height, const DialogBaseUnits& units) {
    return {DialogXToPixels(x, units), DialogYToPixels(y, units), DialogXToPixels(width, units),
            DialogYToPixels(height, units)};
}
