// The stored hotkey's encoding, the key table and the field rules; on a
// virtual X server (scripts/with-xvfb) the grab itself, driven by xdotool.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QObject>
#include <QThread>
#include <QTimer>

#include <chrono>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

#include "platform/hotkey/hotkey.h"
#include "platform/hotkey/hotkey_keys.h"
#include "platform/hotkey/hotkey_x11.h"
#include "tests/platform/hotkey_test_support.h"

namespace hotkey {
namespace {

using namespace std::chrono_literals;
using hotkey_test::Presses;

constexpr std::uint8_t VK_F9 = 0x78;
constexpr std::uint8_t VK_F11 = 0x7A;
constexpr std::uint8_t VK_HOME = 0x24;
const int kQtModifierMask = static_cast<int>(static_cast<unsigned>(Qt::KeyboardModifierMask));

TEST(HotkeyEncoding, StoredValueSplitsIntoKeyAndFieldFlags) {
    EXPECT_EQ(KeyOf(kDefaultHotkey), VK_F11);
    EXPECT_EQ(FlagsOf(kDefaultHotkey), 0);
    EXPECT_EQ(MakeHotkey(VK_F9, HOTKEYF_SHIFT), 0x178);
    EXPECT_EQ(FlagsOf(0x678), HOTKEYF_CONTROL | HOTKEYF_ALT);

    // Shift and Alt swap places between the two encodings; EXT is no modifier.
    EXPECT_EQ(ModifiersFromFlags(HOTKEYF_SHIFT), MOD_SHIFT);
    EXPECT_EQ(ModifiersFromFlags(HOTKEYF_CONTROL), MOD_CONTROL);
    EXPECT_EQ(ModifiersFromFlags(HOTKEYF_ALT), MOD_ALT);
    EXPECT_EQ(ModifiersFromFlags(HOTKEYF_EXT), 0u);
    EXPECT_EQ(ModifiersFromFlags(0x0F), MOD_SHIFT | MOD_CONTROL | MOD_ALT);
}

TEST(HotkeyFieldRules, EveryCombinationWithAltBecomesControl) {
    const std::uint8_t S = HOTKEYF_SHIFT, C = HOTKEYF_CONTROL, A = HOTKEYF_ALT;
    for (std::uint8_t flags :
         {A, std::uint8_t(S | A), std::uint8_t(C | A), std::uint8_t(S | C | A)})
        EXPECT_EQ(ApplyFieldRules(MakeHotkey(VK_F9, flags), kDialogFieldRules),
                  MakeHotkey(VK_F9, C))
            << int(flags);
    for (std::uint8_t flags : {std::uint8_t(0), S, C, std::uint8_t(S | C)})
        EXPECT_EQ(ApplyFieldRules(MakeHotkey(VK_F9, flags), kDialogFieldRules),
                  MakeHotkey(VK_F9, flags))
            << int(flags);
    // The extended flag belongs to the key and survives the replacement.
    EXPECT_EQ(ApplyFieldRules(MakeHotkey(VK_HOME, HOTKEYF_EXT | A), kDialogFieldRules),
              MakeHotkey(VK_HOME, HOTKEYF_EXT | C));
    EXPECT_EQ(CombinationOf(S | C | A | HOTKEYF_EXT), HKCOMB_SCA);
}

TEST(HotkeyFieldRules, KeysAsQtReportsThem) {
    const int shift = Qt::ShiftModifier, alt = Qt::AltModifier, keypad = Qt::KeypadModifier;
    EXPECT_EQ(HotkeyFromQt(Qt::Key_F9, alt, kDialogFieldRules), 0x278);  // shows Ctrl+F9
    EXPECT_EQ(HotkeyFromQt(Qt::Key_F9, shift, kDialogFieldRules), 0x178);
    EXPECT_EQ(HotkeyFromQt(Qt::Key_F11, 0, kDialogFieldRules), kDefaultHotkey);
    // Shifted keys arrive as the character they type.
    EXPECT_EQ(HotkeyFromQt(Qt::Key_Exclam, shift, {}), 0x131);
    EXPECT_EQ(HotkeyFromQt(Qt::Key_Backtab, shift, {}), 0x109);
    // The separate cluster is extended, the keypad with NumLock off is not.
    EXPECT_EQ(HotkeyFromQt(Qt::Key_Home, 0, {}), 0x824);
    EXPECT_EQ(HotkeyFromQt(Qt::Key_Home, keypad, {}), 0x024);
    EXPECT_EQ(HotkeyFromQt(Qt::Key_Enter, keypad, {}), 0x80D);
    EXPECT_EQ(HotkeyFromQt(Qt::Key_5, keypad, {}), 0x065);
    EXPECT_EQ(HotkeyFromQt(Qt::Key_Slash, keypad, {}), 0x86F);
    // A modifier alone, or a key we cannot register, is no hotkey.
    EXPECT_EQ(HotkeyFromQt(Qt::Key_Shift, shift, {}), 0);
    EXPECT_EQ(HotkeyFromQt(Qt::Key_unknown, 0, {}), 0);
}

// Every key of the table survives the trip through Qt's key reporting and
// has a name the portal understands.
TEST(HotkeyKeyTable, EveryKeyRoundTripsThroughQt) {
    int keys = 0;
    for (int vk = 1; vk < 256; ++vk) {
        const KeyInfo* row = FindVirtualKey(static_cast<std::uint8_t>(vk));
        if (!row)
            continue;
        ++keys;
        ASSERT_EQ(row->vk, vk);
        for (std::uint8_t flags = 0; flags < 8; ++flags) {
            const std::uint16_t value =
                MakeHotkey(row->vk, flags | (row->extended ? HOTKEYF_EXT : 0));
            const int combination = QtCombinationFromHotkey(value);
            ASSERT_NE(combination, 0) << vk;
            EXPECT_EQ(
                HotkeyFromQt(combination & ~kQtModifierMask, combination & kQtModifierMask, {}),
                value)
                << std::hex << "vk 0x" << vk << " flags " << int(flags);
        }
        EXPECT_FALSE(PortalTrigger(MakeHotkey(row->vk, 0)).empty()) << vk;
    }
    EXPECT_GE(keys, 100);
    const std::uint16_t keypadEnter = MakeHotkey(0x0D, HOTKEYF_EXT);
    const int combination = QtCombinationFromHotkey(keypadEnter);
    EXPECT_EQ(HotkeyFromQt(combination & ~kQtModifierMask, combination & kQtModifierMask, {}),
              keypadEnter);
}

TEST(HotkeyKeyTable, PortalTriggers) {
    EXPECT_EQ(PortalTrigger(kDefaultHotkey), "F11");
    EXPECT_EQ(PortalTrigger(0x178), "SHIFT+F9");
    EXPECT_EQ(PortalTrigger(MakeHotkey('A', HOTKEYF_CONTROL | HOTKEYF_ALT | HOTKEYF_EXT)),
              "CTRL+ALT+a");
    EXPECT_EQ(PortalTrigger(MakeHotkey(0xFF, 0)), "");
}

TEST(HotkeyFront, RefusesValuesWithoutAKey) {
    CHotkey hotkey([] {});
    EXPECT_FALSE(hotkey.Register(0));
    EXPECT_FALSE(hotkey.Register(MakeHotkey(0, HOTKEYF_CONTROL)));
    EXPECT_FALSE(hotkey.Register(MakeHotkey(0xFF, 0)));
}

// ---- Against a real X server ------------------------------------------------

void Xdotool(const std::string& arguments) {
    ASSERT_EQ(std::system(("xdotool " + arguments).c_str()), 0) << arguments;
}

class HotkeyX11 : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::getenv("DRAPEWELL_TEST_X11"))
            GTEST_SKIP() << "needs the virtual X server of scripts/with-xvfb (ctest runs it)";
    }
};

TEST_F(HotkeyX11, F11ArrivesWithAnyLockOn) {
    Presses presses;
    X11Grabber grabber(presses.Callback());
    ASSERT_TRUE(grabber.Open());
    ASSERT_TRUE(grabber.Grab(VK_F11, 0));
    Xdotool("key F11");
    EXPECT_TRUE(presses.WaitFor(1));
    Xdotool("key Num_Lock key F11 key Num_Lock");
    EXPECT_TRUE(presses.WaitFor(2)) << "NumLock on";
    Xdotool("key Caps_Lock key F11");
    EXPECT_TRUE(presses.WaitFor(3)) << "CapsLock on";
    Xdotool("key Num_Lock key F11 key Num_Lock key Caps_Lock");
    EXPECT_TRUE(presses.WaitFor(4)) << "both on";
    // Another combination of the same key is not ours. The press after it
    // arrives only after it would have, so the count shows it did not.
    Xdotool("key ctrl+F11 key F11");
    EXPECT_TRUE(presses.WaitFor(5));
    EXPECT_EQ(presses.count(), 5);
}

TEST_F(HotkeyX11, StoredShiftF9ThroughTheFront) {
    Presses presses;
    CHotkey hotkey(presses.Callback());
    ASSERT_TRUE(hotkey.Register(MakeHotkey(VK_F9, HOTKEYF_SHIFT)));
    EXPECT_EQ(hotkey.backend(), Backend::kX11);
    Xdotool("key F9 key shift+F9");
    EXPECT_TRUE(presses.WaitFor(1));
    Xdotool("key shift+F9");
    EXPECT_TRUE(presses.WaitFor(2));
    EXPECT_EQ(presses.count(), 2);
    // Registering again replaces the grab: the old combination goes quiet.
    ASSERT_TRUE(hotkey.Register(kDefaultHotkey));
    Xdotool("key shift+F9 key F11");
    EXPECT_TRUE(presses.WaitFor(3));
    EXPECT_EQ(presses.count(), 3);
}

TEST_F(HotkeyX11, CombinationHeldByAnotherClientIsRefused) {
    Presses first, second;
    X11Grabber holder(first.Callback());
    X11Grabber other(second.Callback());
    ASSERT_TRUE(holder.Open());
    ASSERT_TRUE(other.Open());
    ASSERT_TRUE(holder.Grab(VK_F11, MOD_CONTROL));
    EXPECT_FALSE(other.Grab(VK_F11, MOD_CONTROL));
    Xdotool("key ctrl+F11");
    EXPECT_TRUE(first.WaitFor(1)) << "the refused grab must not disturb the holder's";
    holder.Ungrab();
    EXPECT_TRUE(other.Grab(VK_F11, MOD_CONTROL)) << "Ungrab releases the combination";
    Xdotool("key ctrl+F11");
    EXPECT_TRUE(second.WaitFor(1));
    EXPECT_EQ(first.count(), 1);
}

TEST_F(HotkeyX11, DeliveredOnTheReceiversThread) {
    int argc = 1;
    char name[] = "hotkey_tests";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    QObject receiver;
    int onGuiThread = 0;
    CHotkey hotkey(
        [&] {
            if (QThread::currentThread() == app.thread())
                ++onGuiThread;
            app.quit();
        },
        &receiver);
    ASSERT_TRUE(hotkey.Register(kDefaultHotkey));
    Xdotool("key F11");
    QTimer::singleShot(5000, &app, &QCoreApplication::quit);
    app.exec();
    EXPECT_EQ(onGuiThread, 1);
}

}  // namespace
}  // namespace hotkey
