#include "platform/hotkey/hotkey_portal.h"

#include <gio/gio.h>

#include <future>
#include <mutex>
#include <thread>

#include "platform/desktop/dbus_call.h"

namespace hotkey {

namespace {

namespace dbus = desktop::dbus;

constexpr char kPortalName[] = "org.freedesktop.portal.Desktop";
constexpr char kPortalPath[] = "/org/freedesktop/portal/desktop";
constexpr char kShortcutsInterface[] = "org.freedesktop.portal.GlobalShortcuts";
constexpr char kRequestInterface[] = "org.freedesktop.portal.Request";
constexpr char kSessionInterface[] = "org.freedesktop.portal.Session";
constexpr dbus::Milliseconds kCloseLimit{2000};

// The path of the Request object the portal makes for `token`; knowing it
// before the call lets no Response slip past.
std::string RequestPath(GDBusConnection* connection, const std::string& token) {
    std::string sender = g_dbus_connection_get_unique_name(connection);
    if (!sender.empty() && sender[0] == ':')
        sender.erase(0, 1);
    for (char& c : sender)
        if (c == '.')
            c = '_';
    return std::string(kPortalPath) + "/request/" + sender + "/" + token;
}

std::string StringEntry(GVariant* dictionary, const char* key) {
    dbus::VariantPtr value(g_variant_lookup_value(dictionary, key, nullptr));
    if (value && (g_variant_is_of_type(value.get(), G_VARIANT_TYPE_STRING) ||
                  g_variant_is_of_type(value.get(), G_VARIANT_TYPE_OBJECT_PATH)))
        return g_variant_get_string(value.get(), nullptr);
    return {};
}

}  // namespace

// Everything that touches the bus runs on the worker's thread, whose main
// context receives the portal's signals.
struct PortalShortcut::Worker {
    enum class Step { kIdle, kCreateSession, kBind };

    std::function<void()> activated;
    GMainContext* context = g_main_context_new();
    GMainLoop* loop = g_main_loop_new(context, FALSE);
    std::thread thread;

    // Worker thread only.
    dbus::ConnectionPtr connection;
    guint responseSubscription = 0;
    guint activatedSubscription = 0;
    Step step = Step::kIdle;
    std::string awaitedPath;
    std::shared_ptr<std::promise<bool>> pending;
    std::string id, description, trigger;
    unsigned serial = 0;

    mutable std::mutex sessionMutex;  // the session is read from other threads
    std::string session;

    explicit Worker(std::function<void()> onActivated) : activated(std::move(onActivated)) {
        std::promise<void> started;
        std::future<void> ready = started.get_future();
        thread = std::thread([this, &started] {
            g_main_context_push_thread_default(context);
            started.set_value();
            g_main_loop_run(loop);
            FailPending();
            CloseSession();
            if (connection) {
                g_dbus_connection_signal_unsubscribe(connection.get(), responseSubscription);
                g_dbus_connection_signal_unsubscribe(connection.get(), activatedSubscription);
            }
            connection.reset();
            while (g_main_context_iteration(context, FALSE)) {
            }
            g_main_context_pop_thread_default(context);
        });
        ready.wait();
    }

    ~Worker() {
        Post([this] { g_main_loop_quit(loop); });
        thread.join();
        g_main_loop_unref(loop);
        g_main_context_unref(context);
    }

    void Post(std::function<void()> task) {
        g_main_context_invoke_full(
            context, G_PRIORITY_DEFAULT,
            [](gpointer data) -> gboolean {
                (*static_cast<std::function<void()>*>(data))();
                return G_SOURCE_REMOVE;
            },
            new std::function<void()>(std::move(task)),
            [](gpointer data) { delete static_cast<std::function<void()>*>(data); });
    }

    // Runs `task` on the worker and waits for it.
    void Run(std::function<void()> task) {
        std::promise<void> done;
        std::future<void> finished = done.get_future();
        Post([&] {
            task();
            done.set_value();
        });
        finished.wait();
    }

    std::string CurrentSession() const {
        std::lock_guard<std::mutex> hold(sessionMutex);
        return session;
    }
    void SetSession(std::string value) {
        std::lock_guard<std::mutex> hold(sessionMutex);
        session = std::move(value);
    }

    bool EnsureConnection(dbus::Milliseconds limit) {
        if (connection)
            return !g_dbus_connection_is_closed(connection.get());
        std::string why;
        connection = dbus::ConnectSession(limit, &why);
        if (!connection)
            return false;
        responseSubscription = g_dbus_connection_signal_subscribe(
            connection.get(), kPortalName, kRequestInterface, "Response", nullptr, nullptr,
            G_DBUS_SIGNAL_FLAGS_NONE, &Worker::OnResponse, this, nullptr);
        activatedSubscription = g_dbus_connection_signal_subscribe(
            connection.get(), kPortalName, kShortcutsInterface, "Activated", kPortalPath, nullptr,
            G_DBUS_SIGNAL_FLAGS_NONE, &Worker::OnActivated, this, nullptr);
        return true;
    }

    void Finish(bool bound) {
        step = Step::kIdle;
        awaitedPath.clear();
        if (!bound)
            CloseSession();
        if (pending)
            pending->set_value(bound);
        pending.reset();
    }

    void FailPending() {
        if (pending)
            Finish(false);
    }

    void CloseSession() {
        const std::string open = CurrentSession();
        if (open.empty() || !connection)
            return;
        // Closing ends the binding; an error leaves nothing more to do.
        dbus::Call(connection.get(), {kPortalName, open.c_str(), kSessionInterface}, "Close",
                   nullptr, nullptr, {.limit = kCloseLimit});
        SetSession({});
    }

    // Calls a portal method that answers through a Request object and
    // arranges for its Response to move us on.
    bool Request(const char* method, GVariant* args, const std::string& token, Step next) {
        awaitedPath = RequestPath(connection.get(), token);
        step = next;
        dbus::Reply reply =
            dbus::Call(connection.get(), {kPortalName, kPortalPath, kShortcutsInterface}, method,
                       args, "(o)", {.startService = true});
        if (!reply)
            return false;
        const gchar* handle = nullptr;
        g_variant_get(reply.value.get(), "(&o)", &handle);
        awaitedPath = handle;  // older portals choose another path
        return true;
    }

    std::string NextToken() { return "drapewell" + std::to_string(++serial); }

    void StartBind(std::shared_ptr<std::promise<bool>> promise, dbus::Milliseconds limit) {
        FailPending();
        CloseSession();
        pending = std::move(promise);
        if (!EnsureConnection(limit))
            return Finish(false);
        const std::string token = NextToken();
        GVariantBuilder options;
        g_variant_builder_init(&options, G_VARIANT_TYPE_VARDICT);
        g_variant_builder_add(&options, "{sv}", "handle_token",
                              g_variant_new_string(token.c_str()));
        g_variant_builder_add(&options, "{sv}", "session_handle_token",
                              g_variant_new_string(token.c_str()));
        if (!Request("CreateSession", g_variant_new("(a{sv})", &options), token,
                     Step::kCreateSession))
            Finish(false);
    }

    void BindShortcut() {
        const std::string token = NextToken();
        GVariantBuilder properties;
        g_variant_builder_init(&properties, G_VARIANT_TYPE_VARDICT);
        g_variant_builder_add(&properties, "{sv}", "description",
                              g_variant_new_string(description.c_str()));
        if (!trigger.empty())
            g_variant_builder_add(&properties, "{sv}", "preferred_trigger",
                                  g_variant_new_string(trigger.c_str()));
        GVariantBuilder shortcuts;
        g_variant_builder_init(&shortcuts, G_VARIANT_TYPE("a(sa{sv})"));
        g_variant_builder_add(&shortcuts, "(sa{sv})", id.c_str(), &properties);
        GVariantBuilder options;
        g_variant_builder_init(&options, G_VARIANT_TYPE_VARDICT);
        g_variant_builder_add(&options, "{sv}", "handle_token",
                              g_variant_new_string(token.c_str()));
        const std::string open = CurrentSession();
        if (!Request("BindShortcuts",
                     g_variant_new("(oa(sa{sv})sa{sv})", open.c_str(), &shortcuts, "", &options),
                     token, Step::kBind))
            Finish(false);
    }

    static void OnResponse(GDBusConnection*, const gchar*, const gchar* path, const gchar*,
                           const gchar*, GVariant* parameters, gpointer data) {
        auto* self = static_cast<Worker*>(data);
        if (self->step == Step::kIdle || self->awaitedPath != path ||
            !g_variant_is_of_type(parameters, G_VARIANT_TYPE("(ua{sv})")))
            return;
        guint32 code = 2;
        GVariant* raw = nullptr;
        g_variant_get(parameters, "(u@a{sv})", &code, &raw);
        dbus::VariantPtr results(raw);
        if (code != 0)
            return self->Finish(false);
        if (self->step == Step::kCreateSession) {
            std::string handle = StringEntry(results.get(), "session_handle");
            if (handle.empty() || !g_variant_is_object_path(handle.c_str()))
                return self->Finish(false);
            self->SetSession(std::move(handle));
            self->BindShortcut();
        } else {
            self->Finish(true);
        }
    }

    static void OnActivated(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                            const gchar*, GVariant* parameters, gpointer data) {
        auto* self = static_cast<Worker*>(data);
        if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(osta{sv})")))
            return;
        const gchar* sessionPath = nullptr;
        const gchar* shortcut = nullptr;
        g_variant_get(parameters, "(&o&sta{sv})", &sessionPath, &shortcut, nullptr, nullptr);
        const std::string open = self->CurrentSession();
        if (!open.empty() && open == sessionPath && self->id == shortcut && self->activated)
            self->activated();
    }
};

PortalShortcut::PortalShortcut(std::function<void()> activated)
    : worker_(std::make_unique<Worker>(std::move(activated))) {}

PortalShortcut::~PortalShortcut() = default;

bool PortalShortcut::Offered(std::chrono::milliseconds limit) {
    std::string why;
    dbus::ConnectionPtr connection = dbus::ConnectSession(limit, &why);
    if (!connection)
        return false;
    dbus::Reply reply = dbus::Call(
        connection.get(), {kPortalName, kPortalPath, "org.freedesktop.DBus.Introspectable"},
        "Introspect", nullptr, "(s)", {.limit = limit, .startService = true});
    if (!reply)
        return false;
    const gchar* xml = nullptr;
    g_variant_get(reply.value.get(), "(&s)", &xml);
    return xml && std::string(xml).find(std::string("\"") + kShortcutsInterface + "\"") !=
                      std::string::npos;
}

bool PortalShortcut::Bind(const std::string& id, const std::string& description,
                          const std::string& trigger, std::chrono::milliseconds limit) {
    auto promise = std::make_shared<std::promise<bool>>();
    std::future<bool> bound = promise->get_future();
    worker_->Post([worker = worker_.get(), promise, id, description, trigger, limit]() mutable {
        worker->id = id;
        worker->description = description;
        worker->trigger = trigger;
        worker->StartBind(std::move(promise), limit);
    });
    if (bound.wait_for(limit) == std::future_status::ready)
        return bound.get();
    // No answer in time: give the half-made binding up rather than leave one
    // the caller believes refused.
    Unbind();
    return false;
}

void PortalShortcut::Unbind() {
    worker_->Run([worker = worker_.get()] {
        worker->FailPending();
        worker->CloseSession();
    });
}

std::string PortalShortcut::Session() const {
    return worker_->CurrentSession();
}

}  // namespace hotkey
