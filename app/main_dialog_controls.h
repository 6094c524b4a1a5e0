#pragma once

// Controls of the main window that Qt has no exact counterpart for.

#include <QLineEdit>
#include <QWidget>
#include <cstdint>

#include "platform/hotkey/hotkey_keys.h"

class QToolButton;

// An up-down control bound to a number field: its two arrows, and the Up and
// Down keys in the field, step the field's number by one within a range.
// Text that is no number steps from the last number the control set.
class CUpDownCtrl : public QWidget {
    Q_OBJECT
public:
    explicit CUpDownCtrl(QWidget* parent = nullptr);

    void SetBuddy(QLineEdit* buddy);
    void SetRange(int lower, int upper);
    int Lower() const { return lower_; }
    int Upper() const { return upper_; }

    // One step up (+1) or down (-1), as an arrow click does.
    void Step(int delta);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QLineEdit* buddy_ = nullptr;
    QToolButton* up_ = nullptr;
    QToolButton* down_ = nullptr;
    int lower_ = 0;
    int upper_ = 100;
    int position_ = 0;
};

// A hotkey field: the user presses a key with its modifiers and the field
// shows and keeps it in the stored form (virtual key in the low byte, field
// flags in the high byte). The rules replace the modifier combinations the
// field refuses. Backspace or Delete alone empties it; Tab, Enter and Escape
// keep their usual meaning in the window.
class CHotKeyCtrl : public QLineEdit {
    Q_OBJECT
public:
    explicit CHotKeyCtrl(QWidget* parent = nullptr);

    void SetRules(const hotkey::FieldRules& rules) { rules_ = rules; }
    // 0 empties the field.
    void SetHotKey(std::uint16_t value);
    std::uint16_t GetHotKey() const { return value_; }

    // What the field does with a key press (a Qt key and modifiers).
    void PressKey(int qtKey, Qt::KeyboardModifiers modifiers);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void ShowValue();
    void ShowModifiers(Qt::KeyboardModifiers modifiers);

    hotkey::FieldRules rules_;
    std::uint16_t value_ = 0;
};
