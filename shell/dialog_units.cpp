#include "shell/dialog_units.h"

#include <QFontMetrics>
#include <QLabel>

#include <algorithm>

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

void FitLabelToText(QLabel* label) {
    // Measured with any '&' of a mnemonic, which is a little wider than the
    // underlined letter alone.
    const QString text = label->text();
    const QFontMetrics metrics(label->font());
    const int margins =
        2 * label->margin() + label->contentsMargins().left() + label->contentsMargins().right();
    if (label->wordWrap()) {
        const int needed = label->heightForWidth(label->width());
        if (needed > label->height())
            label->resize(label->width(), needed);
        return;
    }
    const QSize needed = metrics.size(Qt::TextSingleLine, text) + QSize(margins, 0);
    label->resize(std::max(label->width(), needed.width()),
                  std::max(label->height(), needed.height()));
}

QSize FitLabels(QWidget* window, QSize size) {
    for (QLabel* label : window->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
        FitLabelToText(label);
    const int margin = BaseUnitsOf(window->font()).x;
    for (const QWidget* child : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        // Hidden on purpose (not merely not shown yet): takes no room.
        if (child->isWindow() ||
            (child->testAttribute(Qt::WA_WState_ExplicitShowHide) && child->isHidden()))
            continue;
        const QRect place = child->geometry();
        size = size.expandedTo(QSize(place.right() + 1 + margin, place.bottom() + 1 + margin));
    }
    return size;
}
