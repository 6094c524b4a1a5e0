#include "shell/hyperlink.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QMouseEvent>
#include <QPalette>

#include "platform/qt/messages.h"
#include "shell/open_target.h"

namespace {

QColor HighlightColor() {
    return QApplication::palette().color(QPalette::Highlight);
}

}  // namespace

CHyperLink::CHyperLink() : hoverColor_(HighlightColor()), opener_(OpenTarget) {}

CHyperLink::~CHyperLink() {
    if (label_) {
        label_->removeEventFilter(this);
    }
}

bool CHyperLink::Attach(QLabel* label) {
    if (label == nullptr) {
        return false;
    }
    if (label_) {
        label_->removeEventFilter(this);
    }
    label_ = label;
    label->installEventFilter(this);
    if (target_.empty()) {
        target_ = label->text().toStdString();
    }
    if (label->text().isEmpty()) {
        label->setText(QString::fromStdString(target_));
    }
    ApplyFont();
    FitToText();
    label->setCursor(handCursor_);
    label->setToolTip(QString::fromStdString(target_));
    ApplyColor();
    return true;
}

void CHyperLink::SetTarget(const std::string& target) {
    target_ = target;
    if (label_) {
        FitToText();
        label_->setToolTip(QString::fromStdString(target_));
    }
}

void CHyperLink::SetLinkColors(const QColor& link, const QColor& visited, const QColor& hover) {
    linkColor_ = link;
    visitedColor_ = visited;
    hoverColor_ = hover.isValid() ? hover : HighlightColor();
    ApplyColor();
}

QColor CHyperLink::GetCurrentColor() const {
    if (mouseOver_) {
        return hoverColor_;
    }
    return visited_ ? visitedColor_ : linkColor_;
}

void CHyperLink::MarkVisited(bool visited) {
    visited_ = visited;
    ApplyColor();
}

void CHyperLink::SetHandCursor(std::optional<QCursor> cursor) {
    handCursor_ = cursor.value_or(QCursor(Qt::PointingHandCursor));
    if (label_) {
        label_->setCursor(handCursor_);
    }
}

void CHyperLink::SetUnderlined(bool underlined) {
    underlined_ = underlined;
    ApplyFont();
}

void CHyperLink::SetFitToText(bool fit) {
    fitToText_ = fit;
    FitToText();
}

void CHyperLink::Follow() {
    const int result = opener_ ? opener_(target_) : OpenTarget(target_);
    if (result > 32) {
        MarkVisited(true);
        return;
    }
    MarkVisited(false);
    platform::ShowMessage(GetHyperlinkErrorMessage(result), {}, platform::MessageIcon::Exclamation);
}

bool CHyperLink::eventFilter(QObject* watched, QEvent* event) {
    if (watched != label_.data()) {
        return false;
    }
    switch (event->type()) {
    case QEvent::Enter:
        SetMouseOver(true);
        break;
    case QEvent::Leave:
        SetMouseOver(false);
        break;
    case QEvent::MouseMove: {
        const auto* move = static_cast<QMouseEvent*>(event);
        SetMouseOver(label_->rect().contains(move->position().toPoint()));
        break;
    }
    case QEvent::MouseButtonRelease: {
        const auto* release = static_cast<QMouseEvent*>(event);
        if (release->button() == Qt::LeftButton &&
            label_->rect().contains(release->position().toPoint())) {
            Follow();
            return true;
        }
        break;
    }
    default:
        break;
    }
    return false;
}

void CHyperLink::SetMouseOver(bool over) {
    if (over != mouseOver_) {
        mouseOver_ = over;
        ApplyColor();
    }
}

void CHyperLink::ApplyColor() {
    if (!label_) {
        return;
    }
    QPalette palette = label_->palette();
    palette.setColor(QPalette::WindowText, GetCurrentColor());
    label_->setPalette(palette);
    // Painted now, not at the next idle moment, so hovering feels immediate.
    label_->repaint();
}

void CHyperLink::ApplyFont() {
    if (!label_) {
        return;
    }
    QFont font = label_->font();
    font.setUnderline(underlined_);
    label_->setFont(font);
    label_->repaint();
}

void CHyperLink::FitToText() {
    if (!label_ || !fitToText_) {
        return;
    }
    QRect rect = label_->geometry();
    const QSize text = QFontMetrics(label_->font()).size(Qt::TextSingleLine, label_->text());
    const Qt::Alignment align = label_->alignment();
    if (align & Qt::AlignVCenter) {
        const int dy = (rect.height() - text.height()) / 2;
        rect.adjust(0, dy, 0, -dy);
    } else {
        rect.setHeight(text.height());
    }
    if (align & Qt::AlignHCenter) {
        const int dx = (rect.width() - text.width()) / 2;
        rect.adjust(dx, 0, -dx, 0);
    } else if (align & Qt::AlignRight) {
        rect.setLeft(rect.right() + 1 - text.width());
    } else {
        rect.setWidth(text.width());
    }
    label_->setGeometry(rect);
}
