#include "shell/about_box.h"

#include <algorithm>

#include <QApplication>
#include <QFontMetrics>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

#include "platform/base/product.h"
#include "shell/dialog_units.h"
#include "shell/open_target.h"

namespace {

// Places a control by dialog units, by the same rule as the main window.
class DialogUnits {
public:
    explicit DialogUnits(const QWidget* dialog) : units_(BaseUnitsOf(dialog->font())) {}
    QRect Rect(int x, int y, int w, int h) const { return DialogRectToPixels(x, y, w, h, units_); }
    int X(int x) const { return DialogXToPixels(x, units_); }

private:
    DialogBaseUnits units_;
};

QLabel* AddLabel(QWidget* parent, const QString& text, const QRect& rect) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(rect);
    return label;
}

}  // namespace

CAboutBox::CAboutBox(QWidget* parent) : QDialog(parent), aboutText_(::GetAboutText()) {
    setWindowTitle("About");
    setModal(true);
    const DialogUnits du(this);

    auto* icon = new QLabel(this);
    QIcon appIcon = QApplication::windowIcon();
    if (appIcon.isNull()) {
        appIcon = style()->standardIcon(QStyle::SP_ComputerIcon);
    }
    const int iconSize = style()->pixelMetric(QStyle::PM_LargeIconSize);
    icon->setPixmap(appIcon.pixmap(iconSize, iconSize));
    icon->setGeometry(du.Rect(11, 10, 21, 20));

    aboutLabel_ = AddLabel(this, QString::fromStdString(aboutText_), du.Rect(40, 10, 130, 8));
    noticeLabel_ = AddLabel(this, QString::fromStdString(GetNoticeText()), du.Rect(40, 22, 130, 8));
    auto* web =
        AddLabel(this, QString::fromStdString(GetProjectWebAddress()), du.Rect(40, 36, 130, 8));
    auto* support =
        AddLabel(this, QString::fromStdString(GetSupportAddress()), du.Rect(40, 50, 130, 8));

    okButton_ = new QPushButton("&OK", this);
    okButton_->setDefault(true);
    okButton_->setGeometry(du.Rect(178, 7, 50, 14));
    connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);

    webLink_.Attach(web);
    webLink_.SetTarget(web->text().toStdString());
    supportLink_.Attach(support);
    supportLink_.SetTarget("mailto:" + support->text().toStdString());

    // The texts show whole in this font; the OK button keeps its distance to
    // the widest of them, and the box grows to hold both.
    int textRight = 0;
    for (QLabel* label : {aboutLabel_, noticeLabel_, web, support}) {
        FitLabelToText(label);
        textRight = std::max(textRight, label->geometry().right() + 1);
    }
    okButton_->move(std::max(okButton_->x(), textRight + du.X(8)), okButton_->y());
    setFixedSize(FitLabels(this, du.Rect(0, 0, 235, 71).size()));
    okButton_->setFocus();
}

std::string CAboutBox::GetNoticeText() {
    return "Rotates the desktop wallpaper and plays background music.";
}
