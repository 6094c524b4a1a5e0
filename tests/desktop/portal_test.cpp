// The desktop portal against a stand-in on a private bus (scripts/with-dbus)
// that reads the picture through the descriptor it is sent and answers on
// the request object as told. Also the time limits of the D-Bus helpers.

#include "platform/desktop/portal.h"

#include <gio/gunixfdlist.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include <mutex>

#include "bus_standin.h"
#include "setter_test_support.h"

namespace desktop {
namespace {

using namespace std::chrono_literals;
using testing::BusStandIn;
using testing::WriteText;

constexpr const char* kPortalXml = R"(
<node>
  <interface name="org.freedesktop.portal.Wallpaper">
    <method name="SetWallpaperFile">
      <arg type="s" direction="in"/><arg type="h" direction="in"/>
      <arg type="a{sv}" direction="in"/><arg type="o" direction="out"/>
    </method>
  </interface>
</node>)";

std::string ReadAll(int fd) {
    std::string content;
    char buffer[4096];
    ssize_t got;
    while ((got = read(fd, buffer, sizeof buffer)) > 0)
        content.append(buffer, static_cast<size_t>(got));
    return content;
}

class FakePortal {
public:
    enum class Mode { kAnswer, kAnswerBeforeReply, kOwnRequestPath, kNoAnswer, kNoReply };

    struct Call {
        std::string content;  // read through the descriptor
        bool showPreview = true;
        std::string setOn;
        std::string token;
    };

    FakePortal(Mode mode, guint32 response = 0)
        : mode_(mode),
          response_(response),
          bus_("org.freedesktop.portal.Desktop", "/org/freedesktop/portal/desktop", kPortalXml,
               [this](GDBusMethodInvocation* call, const std::string&, GVariant* args) {
                   Handle(call, args);
               }) {}

    ~FakePortal() {
        for (GDBusMethodInvocation* call : unanswered_) {
            g_dbus_method_invocation_return_dbus_error(call, "org.test.Late", "too late");
            g_object_unref(call);
        }
    }

    bool ok() const { return bus_.ok(); }
    std::vector<Call> calls() {
        std::lock_guard<std::mutex> lock(mutex_);
        return calls_;
    }

private:
    void Handle(GDBusMethodInvocation* invocation, GVariant* args) {
        Call call;
        gint32 index = -1;
        GVariant* options = nullptr;
        g_variant_get(args, "(&sh@a{sv})", nullptr, &index, &options);
        g_variant_lookup(options, "show-preview", "b", &call.showPreview);
        const gchar* text = nullptr;
        if (g_variant_lookup(options, "set-on", "&s", &text))
            call.setOn = text;
        if (g_variant_lookup(options, "handle_token", "&s", &text))
            call.token = text;
        g_variant_unref(options);
        GUnixFDList* fds =
            g_dbus_message_get_unix_fd_list(g_dbus_method_invocation_get_message(invocation));
        if (fds) {
            const int fd = g_unix_fd_list_get(fds, index, nullptr);
            if (fd >= 0) {
                call.content = ReadAll(fd);
                close(fd);
            }
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            calls_.push_back(call);
        }

        std::string sender = g_dbus_method_invocation_get_sender(invocation) + 1;
        for (char& c : sender)
            if (c == '.')
                c = '_';
        std::string path = "/org/freedesktop/portal/desktop/request/" + sender + "/" +
                           (mode_ == Mode::kOwnRequestPath ? "chosen_by_portal" : call.token);
        const std::string destination = g_dbus_method_invocation_get_sender(invocation);
        auto answer = [&] {
            bus_.Emit(destination, path, "org.freedesktop.portal.Request", "Response",
                      g_variant_new("(u@a{sv})", response_, g_variant_new("a{sv}", nullptr)));
        };
        switch (mode_) {
        case Mode::kNoReply:
            unanswered_.push_back(static_cast<GDBusMethodInvocation*>(g_object_ref(invocation)));
            return;
        case Mode::kAnswerBeforeReply:
            answer();
            g_dbus_method_invocation_return_value(invocation, g_variant_new("(o)", path.c_str()));
            return;
        default:
            g_dbus_method_invocation_return_value(invocation, g_variant_new("(o)", path.c_str()));
            if (mode_ != Mode::kNoAnswer)
                answer();
        }
    }

    Mode mode_;
    guint32 response_;
    std::mutex mutex_;
    std::vector<Call> calls_;
    std::vector<GDBusMethodInvocation*> unanswered_;
    BusStandIn bus_;  // last: its thread uses the members above
};

class PortalTest : public ::testing::Test {
protected:
    void SetUp() override {
        DRAPEWELL_REQUIRE_PRIVATE_BUS();
        WriteText(picture_, picture_content_);
    }

    static std::unique_ptr<WallpaperSetter> Setter(dbus::Milliseconds callLimit = 5s,
                                                   dbus::Milliseconds answerLimit = 5s) {
        return MakePortalSetter(PortalOptions{callLimit, answerLimit});
    }

    testing::ScratchDir dir_;
    std::string picture_ = dir_ / "MyWallPaper.bmp";
    std::string picture_content_ = std::string("BM\0\x01\x02 portal", 12);
};

TEST_F(PortalTest, PictureArrivesThroughTheDescriptorForTheBackground) {
    for (auto mode : {FakePortal::Mode::kAnswer, FakePortal::Mode::kAnswerBeforeReply,
                      FakePortal::Mode::kOwnRequestPath}) {
        FakePortal portal(mode);
        ASSERT_TRUE(portal.ok());
        const Outcome outcome = Setter()->Apply(picture_, testing::OnePixel(), Placement::kTile);
        EXPECT_TRUE(outcome.accepted) << outcome.detail;
        const auto calls = portal.calls();
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].content, picture_content_);
        EXPECT_FALSE(calls[0].showPreview);
        EXPECT_EQ(calls[0].setOn, "background");
        EXPECT_FALSE(calls[0].token.empty());
    }
}

TEST_F(PortalTest, DeclinedOrRefusedChangesAreFailures) {
    for (guint32 response : {1u, 2u}) {
        FakePortal portal(FakePortal::Mode::kAnswer, response);
        ASSERT_TRUE(portal.ok());
        const Outcome outcome = Setter()->Apply(picture_, testing::OnePixel(), Placement::kTile);
        EXPECT_FALSE(outcome.accepted);
        EXPECT_NE(outcome.detail.find(response == 1 ? "declined" : "refused"), std::string::npos)
            << outcome.detail;
    }
}

TEST_F(PortalTest, SilentPortalFailsWithinItsTimeLimits) {
    {
        FakePortal portal(FakePortal::Mode::kNoAnswer);
        ASSERT_TRUE(portal.ok());
        const auto start = std::chrono::steady_clock::now();
        const Outcome outcome =
            Setter(5s, 300ms)->Apply(picture_, testing::OnePixel(), Placement::kTile);
        EXPECT_FALSE(outcome.accepted);
        EXPECT_LT(testing::SecondsSince(start), 3.0);
        EXPECT_NE(outcome.detail.find("no answer"), std::string::npos) << outcome.detail;
    }
    {
        FakePortal portal(FakePortal::Mode::kNoReply);
        ASSERT_TRUE(portal.ok());
        const auto start = std::chrono::steady_clock::now();
        const Outcome outcome =
            Setter(300ms, 5s)->Apply(picture_, testing::OnePixel(), Placement::kTile);
        EXPECT_FALSE(outcome.accepted);
        EXPECT_LT(testing::SecondsSince(start), 3.0);
        EXPECT_NE(outcome.detail.find("did not answer"), std::string::npos) << outcome.detail;
    }
}

TEST_F(PortalTest, NameNobodyOwnsFailsAtOnce) {
    std::string why;
    dbus::ConnectionPtr bus = dbus::ConnectSession(5s, &why);
    ASSERT_NE(bus, nullptr) << why;
    for (bool start : {false, true}) {
        const auto begin = std::chrono::steady_clock::now();
        const dbus::Reply reply =
            dbus::Call(bus.get(), {"org.drapewell.Test.Nobody", "/", "org.drapewell.Test"},
                       "Anything", nullptr, nullptr, {.limit = 3s, .startService = start});
        EXPECT_FALSE(reply);
        EXPECT_FALSE(reply.error.empty());
        EXPECT_LT(testing::SecondsSince(begin), 2.0);
    }
}

TEST_F(PortalTest, MissingOrMuteBusIsReportedNotWaitedFor) {
    {
        testing::ScopedEnv address("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + dir_ / "no-bus");
        const Outcome outcome = Setter()->Apply(picture_, testing::OnePixel(), Placement::kTile);
        EXPECT_FALSE(outcome.accepted);
        EXPECT_NE(outcome.detail.find("session bus"), std::string::npos) << outcome.detail;
    }
    // A socket that accepts connections but never speaks: the handshake
    // would wait forever.
    const std::string path = dir_ / "mute-bus";
    const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(listener, 4), 0);
    testing::ScopedEnv bus("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + path);
    const auto start = std::chrono::steady_clock::now();
    const Outcome outcome =
        Setter(300ms, 300ms)->Apply(picture_, testing::OnePixel(), Placement::kTile);
    EXPECT_FALSE(outcome.accepted);
    EXPECT_LT(testing::SecondsSince(start), 3.0);
    EXPECT_NE(outcome.detail.find("did not accept"), std::string::npos) << outcome.detail;
    close(listener);
}

}  // namespace
}  // namespace desktop
