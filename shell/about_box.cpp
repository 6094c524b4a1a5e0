#include "shell/about_box.h"

#include <QApplication>
#include <QFontMetrics>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

#include "platform/base/product.h"
#include "shell/open_target.h"

namespace {

// Places a control by dialog units (a quarter of the average character
// width, an eighth of the line height), the way the box was laid out.
class DialogUnits {
public:
    explicit DialogUnits(const QWidget* dialog) {
        const QFontMetrics metrics(dialog->font());
        cx_ = metrics.averageCharWidth();
        cy_ = metrics.height();
    }
    QRect Rect(int x, int y, int w, int h) const {
        return {x * cx_ / 4, y * cy_ / 8, w * cx_ / 4, h * cy_ / 8};
    }

private:
    int cx_ = 6;
    int cy_ = 13;
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

    setFixedSize(du.Rect(0, 0, 235, 71).size());
    okButton_->setFocus();
}

std::string CAboutBox::GetNoticeText() {
    return "Rotates the desktop wallpaper and plays background music.";
}
