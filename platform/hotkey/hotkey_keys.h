#pragma once

// The stored hotkey and the keys behind it. The settings keep the value a
// hotkey field reports: the virtual-key code in bits 0-7 and the field's
// modifier flags in bits 8-15. Everything that registers, shows or edits a
// hotkey goes through the conversions here, so the stored form never changes.

#include <cstdint>
#include <string>

namespace hotkey {

// Modifier flags of the hotkey field (high byte of the stored value).
inline constexpr std::uint8_t HOTKEYF_SHIFT = 0x01;
inline constexpr std::uint8_t HOTKEYF_CONTROL = 0x02;
inline constexpr std::uint8_t HOTKEYF_ALT = 0x04;
inline constexpr std::uint8_t HOTKEYF_EXT = 0x08;  // extended key: not a modifier

// Modifiers of a registration.
inline constexpr std::uint32_t MOD_ALT = 0x0001;
inline constexpr std::uint32_t MOD_CONTROL = 0x0002;
inline constexpr std::uint32_t MOD_SHIFT = 0x0004;

// Combinations a hotkey field may refuse (its rules).
inline constexpr std::uint16_t HKCOMB_NONE = 0x0001;
inline constexpr std::uint16_t HKCOMB_S = 0x0002;
inline constexpr std::uint16_t HKCOMB_C = 0x0004;
inline constexpr std::uint16_t HKCOMB_A = 0x0008;
inline constexpr std::uint16_t HKCOMB_SC = 0x0010;
inline constexpr std::uint16_t HKCOMB_SA = 0x0020;
inline constexpr std::uint16_t HKCOMB_CA = 0x0040;
inline constexpr std::uint16_t HKCOMB_SCA = 0x0080;

inline constexpr std::uint16_t kDefaultHotkey = 122;  // F11 alone

// The identifier every registration uses; it also names the binding the
// desktop portal shows the user.
inline constexpr char kHotkeyIdentifier[] = "DrapewellHotkey";

constexpr std::uint8_t KeyOf(std::uint16_t value) {
    return static_cast<std::uint8_t>(value & 0xFF);
}
constexpr std::uint8_t FlagsOf(std::uint16_t value) {
    return static_cast<std::uint8_t>(value >> 8);
}
constexpr std::uint16_t MakeHotkey(std::uint8_t key, std::uint8_t flags) {
    return static_cast<std::uint16_t>(key | (flags << 8));
}

// Field flags to registration modifiers. The extended-key flag is dropped.
std::uint32_t ModifiersFromFlags(std::uint8_t flags);

// What a hotkey field does with the combination the user pressed.
struct FieldRules {
    std::uint16_t invalidCombinations = 0;  // HKCOMB_* bits
    std::uint8_t replacement = 0;           // HOTKEYF_* flags used instead
};

// The main dialog's rules: a combination with Alt becomes Control.
inline constexpr FieldRules kDialogFieldRules{HKCOMB_A | HKCOMB_SA | HKCOMB_CA | HKCOMB_SCA,
                                              HOTKEYF_CONTROL};

// The HKCOMB_* bit that names the Shift/Control/Alt part of `flags`.
std::uint16_t CombinationOf(std::uint8_t flags);

// `value` with its modifiers replaced when the rules refuse them. The
// extended-key flag belongs to the key and is kept.
std::uint16_t ApplyFieldRules(std::uint16_t value, const FieldRules& rules);

// One row of the key table. keysym and qtKey are 0 when there is none.
struct KeyInfo {
    std::uint8_t vk = 0;
    std::uint32_t keysym = 0;     // X keysym the key produces
    std::uint32_t altKeysym = 0;  // a second key the same virtual key stands for
    int qtKey = 0;                // Qt::Key
    bool keypad = false;          // Qt reports it with the keypad modifier
    bool extended = false;        // the field sets HOTKEYF_EXT for it
};

// The row for a virtual key; null for a key the table does not know.
const KeyInfo* FindVirtualKey(std::uint8_t vk);

// The stored value for a key the user pressed in a hotkey field, as Qt
// reports it: a Qt::Key and Qt::KeyboardModifiers (as int). The field's rules
// apply. 0 for a key the table does not know and for a modifier pressed alone.
std::uint16_t HotkeyFromQt(int qtKey, int qtModifiers, const FieldRules& rules);

// A Qt key combination (Qt::Key | Qt::KeyboardModifiers) to show the stored
// value with, e.g. in a QKeySequence. 0 when the key is unknown.
int QtCombinationFromHotkey(std::uint16_t value);

// The shortcut in the desktop portal's trigger notation ("SHIFT+F9",
// "CTRL+ALT+a"); empty when the key is unknown.
std::string PortalTrigger(std::uint16_t value);

}  // namespace hotkey
