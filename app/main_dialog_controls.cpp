#include "app/main_dialog_controls.h"

#include <QEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QToolButton>
#include <algorithm>

CUpDownCtrl::CUpDownCtrl(QWidget* parent) : QWidget(parent) {
    up_ = new QToolButton(this);
    down_ = new QToolButton(this);
    up_->setArrowType(Qt::UpArrow);
    down_->setArrowType(Qt::DownArrow);
    for (QToolButton* b : {up_, down_}) {
        b->setAutoRepeat(true);
        b->setFocusPolicy(Qt::NoFocus);
    }
    connect(up_, &QToolButton::clicked, this, [this] { Step(+1); });
    connect(down_, &QToolButton::clicked, this, [this] { Step(-1); });
    setFocusPolicy(Qt::NoFocus);
}

void CUpDownCtrl::SetBuddy(QLineEdit* buddy) {
    if (buddy_)
        buddy_->removeEventFilter(this);
    buddy_ = buddy;
    if (buddy_)
        buddy_->installEventFilter(this);
}

void CUpDownCtrl::SetRange(int lower, int upper) {
    lower_ = std::min(lower, upper);
    upper_ = std::max(lower, upper);
    position_ = std::clamp(position_, lower_, upper_);
}

void CUpDownCtrl::Step(int delta) {
    if (!isEnabled())
        return;
    if (buddy_) {
        bool ok = false;
        const int shown = buddy_->text().trimmed().toInt(&ok);
        if (ok)
            position_ = shown;
    }
    position_ = std::clamp(position_ + delta, lower_, upper_);
    if (buddy_)
        buddy_->setText(QString::number(position_));
}

bool CUpDownCtrl::eventFilter(QObject* watched, QEvent* event) {
    if (watched == buddy_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            Step(key == Qt::Key_Up ? +1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CUpDownCtrl::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int half = height() / 2;
    up_->setGeometry(0, 0, width(), half);
    down_->setGeometry(0, half, width(), height() - half);
}

CHotKeyCtrl::CHotKeyCtrl(QWidget* parent) : QLineEdit(parent) {
    setReadOnly(true);  // the text is ours; the keys are the input
    setContextMenuPolicy(Qt::NoContextMenu);
    setPlaceholderText(tr("None"));
    ShowValue();
}

void CHotKeyCtrl::SetHotKey(std::uint16_t value) {
    value_ = value;
    ShowValue();
}

void CHotKeyCtrl::PressKey(int qtKey, Qt::KeyboardModifiers modifiers) {
    switch (qtKey) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_Meta:
    case Qt::Key_AltGr:
        ShowModifiers(modifiers);
        return;
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
        if ((modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)) == 0) {
            SetHotKey(0);
            return;
        }
        break;
    default:
        break;
    }
    const std::uint16_t value =
        hotkey::HotkeyFromQt(qtKey, static_cast<int>(modifiers.toInt()), rules_);
    if (value != 0)
        SetHotKey(value);
    else
        ShowValue();
}

void CHotKeyCtrl::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        if ((event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) == 0) {
            event->ignore();  // the window's: focus, OK, Cancel
            return;
        }
        break;
    default:
        break;
    }
    PressKey(event->key(), event->modifiers());
    event->accept();
}

void CHotKeyCtrl::keyReleaseEvent(QKeyEvent* event) {
    // A modifier let go without a key: back to the kept value.
    ShowValue();
    event->accept();
}

void CHotKeyCtrl::focusOutEvent(QFocusEvent* event) {
    ShowValue();
    QLineEdit::focusOutEvent(event);
}

void CHotKeyCtrl::ShowValue() {
    const int combination = value_ ? hotkey::QtCombinationFromHotkey(value_) : 0;
    setText(combination ? QKeySequence(combination).toString(QKeySequence::NativeText) : QString());
}

void CHotKeyCtrl::ShowModifiers(Qt::KeyboardModifiers modifiers) {
    QString text;
    if (modifiers & Qt::ControlModifier)
        text += QStringLiteral("Ctrl+");
    if (modifiers & Qt::ShiftModifier)
        text += QStringLiteral("Shift+");
    if (modifiers & Qt::AltModifier)
        text += QStringLiteral("Alt+");
    setText(text);
}
