#pragma once

// What a person sees of a window's labels: each text whole inside its label,
// and each label inside the window.

#include <QFontMetrics>
#include <QLabel>
#include <QWidget>

#include <string>
#include <vector>

namespace label_fit {

// The labels of `window` whose text does not fit, or that reach outside it.
inline std::vector<std::string> CutLabels(const QWidget& window) {
    std::vector<std::string> cut;
    const QRect inside(QPoint(0, 0), window.size());
    for (const QLabel* label : window.findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
        if (label->text().isEmpty())
            continue;
        const QFontMetrics metrics(label->font());
        const bool fits =
            label->wordWrap()
                ? label->heightForWidth(label->width()) <= label->height()
                : metrics.horizontalAdvance(label->text()) <= label->contentsRect().width() &&
                      metrics.height() <= label->contentsRect().height();
        if (!fits || !inside.contains(label->geometry()))
            cut.push_back(label->text().toStdString());
    }
    return cut;
}

}  // namespace label_fit
