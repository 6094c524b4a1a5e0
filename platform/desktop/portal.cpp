#include "platform/desktop/portal.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <map>
#include <string>

#include "platform/desktop/fresh_path.h"
#include "platform/desktop/setters.h"

namespace desktop {

namespace {

constexpr dbus::Target kPortal{"org.freedesktop.portal.Desktop", "/org/freedesktop/portal/desktop",
                               "org.freedesktop.portal.Wallpaper"};
constexpr const char* kRequestInterface = "org.freedesktop.portal.Request";

// Unique per call within the process; the request path also carries our
// connection's unique name, so other processes cannot collide with it.
std::string NextToken() {
    static std::atomic<unsigned> counter{0};
    return "drapewell" + std::to_string(getpid()) + "_" + std::to_string(++counter);
}

// The request object the portal will create for `token`: its path is fixed
// by our unique name, so we can listen for the answer before asking.
std::string RequestPath(GDBusConnection* bus, const std::string& token) {
    std::string sender = g_dbus_connection_get_unique_name(bus);
    if (!sender.empty() && sender[0] == ':')
        sender.erase(0, 1);
    for (char& c : sender)
        if (c == '.')
            c = '_';
    return "/org/freedesktop/portal/desktop/request/" + sender + "/" + token;
}

// Runs a private main context on this thread while we wait for the answer,
// so the caller's contexts (the user interface's, say) are not disturbed.
class PrivateContext {
public:
    PrivateContext() : context_(g_main_context_new()) {
        g_main_context_push_thread_default(context_);
    }
    ~PrivateContext() {
        // Let sources that were already queued see their subscription gone.
        while (g_main_context_iteration(context_, FALSE)) {
        }
        g_main_context_pop_thread_default(context_);
        g_main_context_unref(context_);
    }
    PrivateContext(const PrivateContext&) = delete;
    PrivateContext& operator=(const PrivateContext&) = delete;

    GMainContext* get() const { return context_; }

private:
    GMainContext* context_;
};

// Answers to our requests by request path. Old portals choose the path
// themselves and may answer before their reply reaches us, so every request
// of ours is listened to from before the call on.
struct Answers {
    std::string prefix;  // the request paths of our connection
    std::map<std::string, guint32> byPath;

    const guint32* Find(const std::string& path) const {
        const auto found = byPath.find(path);
        return found == byPath.end() ? nullptr : &found->second;
    }
};

// A subscription to the Response signals of our requests, dropped on
// destruction.
class ResponseWatch {
public:
    ResponseWatch(GDBusConnection* bus, Answers* answers) : bus_(bus) {
        id_ = g_dbus_connection_signal_subscribe(bus, nullptr, kRequestInterface, "Response",
                                                 nullptr, nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
                                                 &ResponseWatch::OnResponse, answers, nullptr);
    }
    ~ResponseWatch() {
        if (id_)
            g_dbus_connection_signal_unsubscribe(bus_, id_);
    }
    ResponseWatch(const ResponseWatch&) = delete;
    ResponseWatch& operator=(const ResponseWatch&) = delete;

private:
    static void OnResponse(GDBusConnection*, const gchar*, const gchar* path, const gchar*,
                           const gchar*, GVariant* parameters, gpointer data) {
        auto* answers = static_cast<Answers*>(data);
        if (!g_str_has_prefix(path, answers->prefix.c_str()) ||
            !g_variant_is_of_type(parameters, G_VARIANT_TYPE("(ua{sv})")))
            return;
        guint32 response = 2;
        GVariant* results = nullptr;
        g_variant_get(parameters, "(u@a{sv})", &response, &results);
        g_variant_unref(results);
        answers->byPath.emplace(path, response);
    }

    GDBusConnection* bus_;
    guint id_ = 0;
};

gboolean OnTimeLimit(gpointer data) {
    *static_cast<bool*>(data) = true;
    return G_SOURCE_REMOVE;
}

class PortalSetter : public WallpaperSetter {
public:
    explicit PortalSetter(const PortalOptions& options) : options_(options) {}

    std::string Name() const override { return "desktop portal"; }

    Outcome Apply(const std::string& file, const PixelView&, Placement) override {
        if (file.empty())
            return {false, "portal: no picture to show"};
        std::string why;
        dbus::ConnectionPtr bus = dbus::ConnectSession(options_.callLimit, &why);
        if (!bus)
            return {false, "portal: " + why};

        // The portal hands the back end the path behind our descriptor, and
        // some back ends (KDE's) keep pictures by path.
        FreshPath picture = FreshPath::Prepare(file);
        if (!picture.ok())
            return {false, "portal: " + picture.error()};
        const int fd = open(picture.path().c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return {false, "portal: cannot open " + picture.path() + ": " + std::strerror(errno)};
        dbus::ObjectPtr<GUnixFDList> fds(g_unix_fd_list_new());
        const int index = g_unix_fd_list_append(fds.get(), fd, nullptr);  // keeps a duplicate
        close(fd);
        if (index < 0)
            return {false, "portal: cannot pass the picture's file descriptor"};

        const std::string token = NextToken();
        const std::string expected = RequestPath(bus.get(), token);

        PrivateContext context;
        Answers answers;
        answers.prefix = expected.substr(0, expected.size() - token.size());
        ResponseWatch watch(bus.get(), &answers);

        GVariantBuilder builder;
        g_variant_builder_init(&builder, G_VARIANT_TYPE_VARDICT);
        g_variant_builder_add(&builder, "{sv}", "handle_token",
                              g_variant_new_string(token.c_str()));
        g_variant_builder_add(&builder, "{sv}", "show-preview", g_variant_new_boolean(FALSE));
        g_variant_builder_add(&builder, "{sv}", "set-on", g_variant_new_string("background"));
        dbus::CallOptions call;
        call.limit = options_.callLimit;
        call.startService = true;  // the bus starts the portal on demand
        call.fds = fds.get();
        dbus::Reply reply =
            dbus::Call(bus.get(), kPortal, "SetWallpaperFile",
                       g_variant_new("(sha{sv})", "", index, &builder), "(o)", call);
        if (!reply) {
            if (reply.errorName.empty())
                picture.KeepBoth();  // it may still act on the request
            return {false, "portal: " + reply.error};
        }
        const gchar* handle = nullptr;
        g_variant_get(reply.value.get(), "(&o)", &handle);
        // Portals before 0.9 chose the request path themselves (under our
        // prefix all the same).

        bool expired = false;
        GSource* timer = g_timeout_source_new(static_cast<guint>(options_.answerLimit.count()));
        g_source_set_callback(timer, OnTimeLimit, &expired, nullptr);
        g_source_attach(timer, context.get());
        while (!answers.Find(handle) && !expired)
            g_main_context_iteration(context.get(), TRUE);
        g_source_destroy(timer);
        g_source_unref(timer);

        const guint32* response = answers.Find(handle);
        if (!response) {
            // Withdraw the request so no late dialog pops up.
            dbus::Call(bus.get(), {kPortal.busName, handle, kRequestInterface}, "Close", nullptr,
                       nullptr, {.limit = options_.callLimit});
            picture.KeepBoth();
            return {false, "portal: no answer within " +
                               std::to_string(options_.answerLimit.count()) + " ms"};
        }
        switch (*response) {
        case 0:
            picture.Keep();
            return {true, "portal: " + picture.path() + " set as the background"};
        case 1:
            return {false, "portal: the user declined the change"};
        default:
            return {false, "portal: the desktop refused the change (response " +
                               std::to_string(*response) + ")"};
        }
    }

private:
    PortalOptions options_;
};

}  // namespace

std::unique_ptr<WallpaperSetter> MakePortalSetter(const PortalOptions& options) {
    return std::make_unique<PortalSetter>(options);
}

std::unique_ptr<WallpaperSetter> MakePortalSetter() {
    if (dbus::SessionBusAddress().empty())
        return nullptr;
    return MakePortalSetter(PortalOptions{});
}

}  // namespace desktop
