// The GlobalShortcuts portal client against a stand-in portal on the private
// bus of scripts/with-dbus: what it binds, and what it makes of the answers.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <mutex>
#include <string>

#include "platform/hotkey/hotkey.h"
#include "platform/hotkey/hotkey_keys.h"
#include "platform/hotkey/hotkey_portal.h"
#include "tests/desktop/bus_standin.h"
#include "tests/platform/hotkey_test_support.h"

namespace hotkey {
namespace {

using namespace std::chrono_literals;
using hotkey_test::Presses;

constexpr char kIntrospection[] = R"xml(<node>
  <interface name="org.freedesktop.portal.GlobalShortcuts">
    <method name="CreateSession">
      <arg type="a{sv}" name="options" direction="in"/>
      <arg type="o" name="handle" direction="out"/>
    </method>
    <method name="BindShortcuts">
      <arg type="o" name="session_handle" direction="in"/>
      <arg type="a(sa{sv})" name="shortcuts" direction="in"/>
      <arg type="s" name="parent_window" direction="in"/>
      <arg type="a{sv}" name="options" direction="in"/>
      <arg type="o" name="request_handle" direction="out"/>
    </method>
    <signal name="Activated">
      <arg type="o" name="session_handle"/>
      <arg type="s" name="shortcut_id"/>
      <arg type="t" name="timestamp"/>
      <arg type="a{sv}" name="options"/>
    </signal>
  </interface>
</node>)xml";

constexpr char kPath[] = "/org/freedesktop/portal/desktop";

// Answers like the real portal: a Request object per call, the outcome in
// its Response signal. `bindAnswer` is the code BindShortcuts responds with;
// `silent` leaves every request unanswered.
class PortalStandIn {
public:
    explicit PortalStandIn(guint32 bindAnswer = 0, bool silent = false)
        : bindAnswer_(bindAnswer),
          silent_(silent),
          bus_("org.freedesktop.portal.Desktop", kPath, kIntrospection,
               [this](GDBusMethodInvocation* call, const std::string& method, GVariant* args) {
                   Handle(call, method, args);
               }) {}

    bool ok() const { return bus_.ok(); }

    struct Bound {
        std::string id, description, trigger, session;
    };
    Bound bound() {
        std::lock_guard<std::mutex> hold(mutex_);
        return bound_;
    }
    std::string session() {
        std::lock_guard<std::mutex> hold(mutex_);
        return session_;
    }
    std::string client() {
        std::lock_guard<std::mutex> hold(mutex_);
        return client_;
    }

    void Activate(const std::string& session, const std::string& id) {
        bus_.Emit(client(), kPath, "org.freedesktop.portal.GlobalShortcuts", "Activated",
                  g_variant_new("(ost@a{sv})", session.c_str(), id.c_str(), guint64{1},
                                g_variant_new_array(G_VARIANT_TYPE("{sv}"), nullptr, 0)));
    }

private:
    static std::string Option(GVariant* options, const char* key) {
        const gchar* value = nullptr;
        return g_variant_lookup(options, key, "&s", &value) ? value : "";
    }

    void Handle(GDBusMethodInvocation* call, const std::string& method, GVariant* args) {
        std::string sender = g_dbus_method_invocation_get_sender(call) + 1;
        for (char& c : sender)
            if (c == '.')
                c = '_';
        GVariant* results = nullptr;
        std::string request;
        guint32 code = 0;
        if (method == "CreateSession") {
            GVariant* options = g_variant_get_child_value(args, 0);
            request =
                std::string(kPath) + "/request/" + sender + "/" + Option(options, "handle_token");
            const std::string session = std::string(kPath) + "/session/" + sender + "/" +
                                        Option(options, "session_handle_token");
            g_variant_unref(options);
            {
                std::lock_guard<std::mutex> hold(mutex_);
                session_ = session;
                client_ = g_dbus_method_invocation_get_sender(call);
            }
            GVariantBuilder out;
            g_variant_builder_init(&out, G_VARIANT_TYPE_VARDICT);
            g_variant_builder_add(&out, "{sv}", "session_handle",
                                  g_variant_new_string(session.c_str()));
            results = g_variant_builder_end(&out);
        } else {
            const gchar* session = nullptr;
            GVariant* shortcuts = nullptr;
            GVariant* options = nullptr;
            g_variant_get(args, "(&o@a(sa{sv})&s@a{sv})", &session, &shortcuts, nullptr, &options);
            request =
                std::string(kPath) + "/request/" + sender + "/" + Option(options, "handle_token");
            {
                std::lock_guard<std::mutex> hold(mutex_);
                bound_.session = session;
                if (g_variant_n_children(shortcuts) > 0) {
                    const gchar* id = nullptr;
                    GVariant* properties = nullptr;
                    g_variant_get_child(shortcuts, 0, "(&s@a{sv})", &id, &properties);
                    bound_.id = id;
                    bound_.description = Option(properties, "description");
                    bound_.trigger = Option(properties, "preferred_trigger");
                    g_variant_unref(properties);
                }
            }
            code = bindAnswer_;
            GVariantBuilder out;
            g_variant_builder_init(&out, G_VARIANT_TYPE_VARDICT);
            g_variant_builder_add(&out, "{sv}", "shortcuts", shortcuts);
            results = g_variant_builder_end(&out);
            g_variant_unref(shortcuts);
            g_variant_unref(options);
        }
        g_dbus_method_invocation_return_value(call, g_variant_new("(o)", request.c_str()));
        if (silent_) {
            g_variant_unref(g_variant_ref_sink(results));
            return;
        }
        bus_.Emit(client(), request, "org.freedesktop.portal.Request", "Response",
                  g_variant_new("(u@a{sv})", code, results));
    }

    guint32 bindAnswer_;
    bool silent_;
    std::mutex mutex_;
    Bound bound_;
    std::string session_, client_;
    desktop::testing::BusStandIn bus_;  // last: it calls Handle once built
};

class HotkeyPortal : public ::testing::Test {
protected:
    void SetUp() override { DRAPEWELL_REQUIRE_PRIVATE_BUS(); }
};

TEST_F(HotkeyPortal, BindsTheShortcutAndHearsOnlyItsOwnActivation) {
    PortalStandIn portal;
    ASSERT_TRUE(portal.ok());
    EXPECT_TRUE(PortalShortcut::Offered(2s));
    Presses presses;
    PortalShortcut shortcut(presses.Callback());
    ASSERT_TRUE(shortcut.Bind(kHotkeyIdentifier, "Display next wallpaper", "SHIFT+F9", 5s));
    const auto bound = portal.bound();
    EXPECT_EQ(bound.id, "DrapewellHotkey");
    EXPECT_EQ(bound.description, "Display next wallpaper");
    EXPECT_EQ(bound.trigger, "SHIFT+F9");
    EXPECT_EQ(bound.session, portal.session());
    EXPECT_EQ(shortcut.Session(), portal.session());

    portal.Activate(portal.session(), kHotkeyIdentifier);
    EXPECT_TRUE(presses.WaitFor(1));
    // Another shortcut, another session: not ours. Signals arrive in order,
    // so once the last one is counted the others were passed over.
    portal.Activate(portal.session(), "SomethingElse");
    portal.Activate(std::string(kPath) + "/session/x/other", kHotkeyIdentifier);
    portal.Activate(portal.session(), kHotkeyIdentifier);
    EXPECT_TRUE(presses.WaitFor(2));
    EXPECT_EQ(presses.count(), 2);

    const std::string old = portal.session();
    shortcut.Unbind();
    EXPECT_EQ(shortcut.Session(), "");
    portal.Activate(old, kHotkeyIdentifier);
    ASSERT_TRUE(shortcut.Bind(kHotkeyIdentifier, "Display next wallpaper", "F11", 5s));
    portal.Activate(portal.session(), kHotkeyIdentifier);
    EXPECT_TRUE(presses.WaitFor(3));
    EXPECT_EQ(presses.count(), 3);
}

TEST_F(HotkeyPortal, RefusalAndSilenceAreFailures) {
    {
        PortalStandIn refusing(/*bindAnswer=*/1);
        ASSERT_TRUE(refusing.ok());
        PortalShortcut shortcut([] {});
        EXPECT_FALSE(shortcut.Bind(kHotkeyIdentifier, "d", "F11", 5s));
        EXPECT_EQ(shortcut.Session(), "") << "a refused binding leaves no session open";
    }
    {
        PortalStandIn silent(0, /*silent=*/true);
        ASSERT_TRUE(silent.ok());
        PortalShortcut shortcut([] {});
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(shortcut.Bind(kHotkeyIdentifier, "d", "F11", 300ms));
        EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
        EXPECT_EQ(shortcut.Session(), "");
    }
    // No portal on the bus at all.
    EXPECT_FALSE(PortalShortcut::Offered(2s));
    PortalShortcut shortcut([] {});
    EXPECT_FALSE(shortcut.Bind(kHotkeyIdentifier, "d", "F11", 5s));
}

TEST_F(HotkeyPortal, FrontPrefersThePortalOnWayland) {
    PortalStandIn portal;
    ASSERT_TRUE(portal.ok());
    setenv("XDG_SESSION_TYPE", "wayland", 1);
    Presses presses;
    CHotkey hotkey(presses.Callback());
    const bool registered = hotkey.Register(MakeHotkey(0x78, HOTKEYF_SHIFT));
    unsetenv("XDG_SESSION_TYPE");
    ASSERT_TRUE(registered);
    EXPECT_EQ(hotkey.backend(), Backend::kPortal);
    EXPECT_EQ(portal.bound().trigger, "SHIFT+F9");
    EXPECT_EQ(portal.bound().id, "DrapewellHotkey");
    portal.Activate(portal.session(), kHotkeyIdentifier);
    EXPECT_TRUE(presses.WaitFor(1));
}

}  // namespace
}  // namespace hotkey
