#include "platform/hotkey/hotkey_keys.h"

// Qt first: Xlib's macros (None, KeyPress...) would break its headers.
#include <QtCore/qnamespace.h>

#include <X11/XF86keysym.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <array>

namespace hotkey {

namespace {

constexpr KeyInfo Row(std::uint8_t vk, std::uint32_t keysym, int qtKey, bool extended = false) {
    return KeyInfo{vk, keysym, 0, qtKey, false, extended};
}
constexpr KeyInfo Keypad(std::uint8_t vk, std::uint32_t keysym, int qtKey, bool extended = false) {
    return KeyInfo{vk, keysym, 0, qtKey, true, extended};
}

// Rows built one by one for the runs (digits, letters, function keys).
constexpr auto BuildTable() {
    std::array<KeyInfo, 128> rows{};
    std::size_t n = 0;
    const auto add = [&](KeyInfo row) { rows[n++] = row; };

    add(Row(0x08, XK_BackSpace, Qt::Key_Backspace));
    add(Row(0x09, XK_Tab, Qt::Key_Tab));
    add(Keypad(0x0C, XK_KP_Begin, Qt::Key_Clear));
    // Either Enter key fires a Return hotkey, as the extended flag is no
    // part of a registration.
    add(KeyInfo{0x0D, XK_Return, XK_KP_Enter, Qt::Key_Return, false, false});
    add(Row(0x13, XK_Pause, Qt::Key_Pause));
    add(Row(0x14, XK_Caps_Lock, Qt::Key_CapsLock));
    add(Row(0x1B, XK_Escape, Qt::Key_Escape));
    add(Row(0x20, XK_space, Qt::Key_Space));
    add(Row(0x21, XK_Prior, Qt::Key_PageUp, true));
    add(Row(0x22, XK_Next, Qt::Key_PageDown, true));
    add(Row(0x23, XK_End, Qt::Key_End, true));
    add(Row(0x24, XK_Home, Qt::Key_Home, true));
    add(Row(0x25, XK_Left, Qt::Key_Left, true));
    add(Row(0x26, XK_Up, Qt::Key_Up, true));
    add(Row(0x27, XK_Right, Qt::Key_Right, true));
    add(Row(0x28, XK_Down, Qt::Key_Down, true));
    add(Row(0x2C, XK_Print, Qt::Key_Print, true));
    add(Row(0x2D, XK_Insert, Qt::Key_Insert, true));
    add(Row(0x2E, XK_Delete, Qt::Key_Delete, true));
    for (int i = 0; i < 10; ++i)
        add(Row(static_cast<std::uint8_t>(0x30 + i), XK_0 + i, Qt::Key_0 + i));
    for (int i = 0; i < 26; ++i)
        add(Row(static_cast<std::uint8_t>(0x41 + i), XK_a + i, Qt::Key_A + i));
    add(Row(0x5D, XK_Menu, Qt::Key_Menu, true));
    for (int i = 0; i < 10; ++i)
        add(Keypad(static_cast<std::uint8_t>(0x60 + i), XK_KP_0 + i, Qt::Key_0 + i));
    add(Keypad(0x6A, XK_KP_Multiply, Qt::Key_Asterisk));
    add(Keypad(0x6B, XK_KP_Add, Qt::Key_Plus));
    add(Keypad(0x6D, XK_KP_Subtract, Qt::Key_Minus));
    add(Keypad(0x6E, XK_KP_Decimal, Qt::Key_Period));
    add(Keypad(0x6F, XK_KP_Divide, Qt::Key_Slash, true));
    for (int i = 0; i < 24; ++i)
        add(Row(static_cast<std::uint8_t>(0x70 + i), XK_F1 + i, Qt::Key_F1 + i));
    add(Row(0x90, XK_Num_Lock, Qt::Key_NumLock, true));
    add(Row(0x91, XK_Scroll_Lock, Qt::Key_ScrollLock));
    add(Row(0xAD, XF86XK_AudioMute, Qt::Key_VolumeMute, true));
    add(Row(0xAE, XF86XK_AudioLowerVolume, Qt::Key_VolumeDown, true));
    add(Row(0xAF, XF86XK_AudioRaiseVolume, Qt::Key_VolumeUp, true));
    add(Row(0xB0, XF86XK_AudioNext, Qt::Key_MediaNext, true));
    add(Row(0xB1, XF86XK_AudioPrev, Qt::Key_MediaPrevious, true));
    add(Row(0xB2, XF86XK_AudioStop, Qt::Key_MediaStop, true));
    add(Row(0xB3, XF86XK_AudioPlay, Qt::Key_MediaPlay, true));
    add(Row(0xBA, XK_semicolon, Qt::Key_Semicolon));
    add(Row(0xBB, XK_equal, Qt::Key_Equal));
    add(Row(0xBC, XK_comma, Qt::Key_Comma));
    add(Row(0xBD, XK_minus, Qt::Key_Minus));
    add(Row(0xBE, XK_period, Qt::Key_Period));
    add(Row(0xBF, XK_slash, Qt::Key_Slash));
    add(Row(0xC0, XK_grave, Qt::Key_QuoteLeft));
    add(Row(0xDB, XK_bracketleft, Qt::Key_BracketLeft));
    add(Row(0xDC, XK_backslash, Qt::Key_Backslash));
    add(Row(0xDD, XK_bracketright, Qt::Key_BracketRight));
    add(Row(0xDE, XK_apostrophe, Qt::Key_Apostrophe));
    return std::pair{rows, n};
}

constexpr auto kTable = BuildTable();

// Qt reports a shifted key by the character it types; the field stores the
// key itself. The pairs are those of the US layout, the layout the virtual
// keys' OEM names come from.
struct Shifted {
    int qtKey;
    std::uint8_t vk;
};
constexpr Shifted kShifted[] = {
    {Qt::Key_Exclam, 0x31},     {Qt::Key_At, 0x32},         {Qt::Key_NumberSign, 0x33},
    {Qt::Key_Dollar, 0x34},     {Qt::Key_Percent, 0x35},    {Qt::Key_AsciiCircum, 0x36},
    {Qt::Key_Ampersand, 0x37},  {Qt::Key_Asterisk, 0x38},   {Qt::Key_ParenLeft, 0x39},
    {Qt::Key_ParenRight, 0x30}, {Qt::Key_Colon, 0xBA},      {Qt::Key_Plus, 0xBB},
    {Qt::Key_Less, 0xBC},       {Qt::Key_Underscore, 0xBD}, {Qt::Key_Greater, 0xBE},
    {Qt::Key_Question, 0xBF},   {Qt::Key_AsciiTilde, 0xC0}, {Qt::Key_BraceLeft, 0xDB},
    {Qt::Key_Bar, 0xDC},        {Qt::Key_BraceRight, 0xDD}, {Qt::Key_QuoteDbl, 0xDE},
    {Qt::Key_Backtab, 0x09},
};

const KeyInfo* FindQtKey(int qtKey, bool keypad) {
    for (std::size_t i = 0; i < kTable.second; ++i) {
        const KeyInfo& row = kTable.first[i];
        if (row.qtKey == qtKey && row.keypad == keypad)
            return &row;
    }
    return nullptr;
}

}  // namespace

std::uint32_t ModifiersFromFlags(std::uint8_t flags) {
    std::uint32_t modifiers = 0;
    if (flags & HOTKEYF_SHIFT)
        modifiers |= MOD_SHIFT;
    if (flags & HOTKEYF_CONTROL)
        modifiers |= MOD_CONTROL;
    if (flags & HOTKEYF_ALT)
        modifiers |= MOD_ALT;
    return modifiers;
}

std::uint16_t CombinationOf(std::uint8_t flags) {
    // Indexed by Shift | Control << 1 | Alt << 2, i.e. the field flags.
    static constexpr std::uint16_t kByFlags[8] = {HKCOMB_NONE, HKCOMB_S,  HKCOMB_C,  HKCOMB_SC,
                                                  HKCOMB_A,    HKCOMB_SA, HKCOMB_CA, HKCOMB_SCA};
    return kByFlags[flags & (HOTKEYF_SHIFT | HOTKEYF_CONTROL | HOTKEYF_ALT)];
}

std::uint16_t ApplyFieldRules(std::uint16_t value, const FieldRules& rules) {
    const std::uint8_t flags = FlagsOf(value);
    if (!(rules.invalidCombinations & CombinationOf(flags)))
        return value;
    const std::uint8_t kept = flags & ~(HOTKEYF_SHIFT | HOTKEYF_CONTROL | HOTKEYF_ALT);
    const std::uint8_t replaced =
        rules.replacement & (HOTKEYF_SHIFT | HOTKEYF_CONTROL | HOTKEYF_ALT);
    return MakeHotkey(KeyOf(value), static_cast<std::uint8_t>(kept | replaced));
}

const KeyInfo* FindVirtualKey(std::uint8_t vk) {
    if (vk == 0)
        return nullptr;
    for (std::size_t i = 0; i < kTable.second; ++i) {
        if (kTable.first[i].vk == vk)
            return &kTable.first[i];
    }
    return nullptr;
}

std::uint16_t HotkeyFromQt(int qtKey, int qtModifiers, const FieldRules& rules) {
    const bool keypad = qtModifiers & Qt::KeypadModifier;
    std::uint8_t vk = 0;
    bool extended = false;
    if (qtKey == Qt::Key_Enter) {
        vk = 0x0D;  // the keypad's Enter: Return with the extended flag
        extended = true;
    } else if (const KeyInfo* row = FindQtKey(qtKey, keypad)) {
        vk = row->vk;
        extended = row->extended;
    } else if (const KeyInfo* plain = FindQtKey(qtKey, false); plain && keypad) {
        // Home, End, arrows... on the keypad with NumLock off: the same
        // virtual key, but not the extended one of the separate cluster.
        vk = plain->vk;
    } else {
        for (const Shifted& shifted : kShifted) {
            if (shifted.qtKey == qtKey)
                vk = shifted.vk;
        }
    }
    if (vk == 0)
        return 0;
    std::uint8_t flags = extended ? HOTKEYF_EXT : 0;
    if (qtModifiers & Qt::ShiftModifier)
        flags |= HOTKEYF_SHIFT;
    if (qtModifiers & Qt::ControlModifier)
        flags |= HOTKEYF_CONTROL;
    if (qtModifiers & Qt::AltModifier)
        flags |= HOTKEYF_ALT;
    return ApplyFieldRules(MakeHotkey(vk, flags), rules);
}

int QtCombinationFromHotkey(std::uint16_t value) {
    const KeyInfo* row = FindVirtualKey(KeyOf(value));
    if (!row || row->qtKey == 0)
        return 0;
    const std::uint8_t flags = FlagsOf(value);
    int combination = row->qtKey;
    if (row->vk == 0x0D && (flags & HOTKEYF_EXT))
        combination = static_cast<int>(Qt::Key_Enter) | static_cast<int>(Qt::KeypadModifier);
    else if (row->keypad)
        combination |= Qt::KeypadModifier;
    if (flags & HOTKEYF_SHIFT)
        combination |= Qt::ShiftModifier;
    if (flags & HOTKEYF_CONTROL)
        combination |= Qt::ControlModifier;
    if (flags & HOTKEYF_ALT)
        combination |= Qt::AltModifier;
    return combination;
}

std::string PortalTrigger(std::uint16_t value) {
    const KeyInfo* row = FindVirtualKey(KeyOf(value));
    if (!row)
        return {};
    const char* name = XKeysymToString(row->keysym);
    if (!name)
        return {};
    const std::uint32_t modifiers = ModifiersFromFlags(FlagsOf(value));
    std::string trigger;
    if (modifiers & MOD_CONTROL)
        trigger += "CTRL+";
    if (modifiers & MOD_ALT)
        trigger += "ALT+";
    if (modifiers & MOD_SHIFT)
        trigger += "SHIFT+";
    return trigger + name;
}

}  // namespace hotkey
