#include "platform/desktop/dbus_call.h"

#include <sys/stat.h>

#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace desktop::dbus {

namespace {

struct ErrorFree {
    void operator()(GError* error) const {
        if (error)
            g_error_free(error);
    }
};
using ErrorPtr = std::unique_ptr<GError, ErrorFree>;

// Cancels a GCancellable when a time limit passes, unless disarmed first by
// going out of scope. Blocking GIO calls honour the cancellable, so this
// bounds the ones that have no timeout of their own (connecting and
// authenticating).
class CancelAfter {
public:
    CancelAfter(GCancellable* cancellable, Milliseconds limit)
        : cancellable_(cancellable), thread_([this, limit] { Run(limit); }) {}
    ~CancelAfter() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            disarmed_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }
    CancelAfter(const CancelAfter&) = delete;
    CancelAfter& operator=(const CancelAfter&) = delete;

private:
    void Run(Milliseconds limit) {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!wake_.wait_for(lock, limit, [this] { return disarmed_; }))
            g_cancellable_cancel(cancellable_);
    }

    GCancellable* cancellable_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool disarmed_ = false;
    std::thread thread_;  // last: started once the members above exist
};

int ToTimeout(Milliseconds limit) {
    if (limit.count() <= 0)
        return 1;
    if (limit.count() > G_MAXINT)
        return G_MAXINT;
    return static_cast<int>(limit.count());
}

Reply CallImpl(GDBusConnection* connection, const Target& target, const char* method,
               GVariant* args, const char* replyType, Milliseconds limit, GUnixFDList* fds,
               bool activate) {
    Reply reply;
    if (!connection) {
        if (args)
            g_variant_unref(g_variant_ref_sink(args));
        reply.error = "no D-Bus connection";
        return reply;
    }
    const GDBusCallFlags flags =
        activate ? G_DBUS_CALL_FLAGS_NONE : G_DBUS_CALL_FLAGS_NO_AUTO_START;
    const GVariantType* type = replyType ? G_VARIANT_TYPE(replyType) : nullptr;
    GError* raw = nullptr;
    GVariant* value = g_dbus_connection_call_with_unix_fd_list_sync(
        connection, target.busName, target.objectPath, target.interface, method, args, type, flags,
        ToTimeout(limit), fds, nullptr, nullptr, &raw);
    ErrorPtr error(raw);
    if (value) {
        reply.value.reset(value);
        return reply;
    }
    reply.error = DescribeError(error.get());
    if (error && g_dbus_error_is_remote_error(error.get())) {
        if (gchar* name = g_dbus_error_get_remote_error(error.get())) {
            reply.errorName = name;
            g_free(name);
        }
    }
    if (error && g_error_matches(error.get(), G_IO_ERROR, G_IO_ERROR_TIMED_OUT))
        reply.error = std::string(target.busName) + " did not answer within " +
                      std::to_string(limit.count()) + " ms";
    return reply;
}

}  // namespace

std::string SessionBusAddress() {
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (address && *address)
        return address;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (!runtime || !*runtime)
        return {};
    const std::string socket = std::string(runtime) + "/bus";
    struct stat info {};
    if (stat(socket.c_str(), &info) != 0 || !S_ISSOCK(info.st_mode))
        return {};
    gchar* escaped = g_dbus_address_escape_value(socket.c_str());
    std::string result = std::string("unix:path=") + escaped;
    g_free(escaped);
    return result;
}

ConnectionPtr Connect(const std::string& address, Milliseconds limit, std::string* why) {
    if (address.empty()) {
        if (why)
            *why = "no session bus (DBUS_SESSION_BUS_ADDRESS is not set)";
        return nullptr;
    }
    ObjectPtr<GCancellable> cancellable(g_cancellable_new());
    GError* raw = nullptr;
    GDBusConnection* connection = nullptr;
    {
        CancelAfter timer(cancellable.get(), limit);
        connection = g_dbus_connection_new_for_address_sync(
            address.c_str(),
            static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                              G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, cancellable.get(), &raw);
    }
    ErrorPtr error(raw);
    if (!connection) {
        if (why) {
            if (g_cancellable_is_cancelled(cancellable.get()))
                *why = "the session bus did not accept a connection within " +
                       std::to_string(limit.count()) + " ms";
            else
                *why = "cannot connect to the session bus: " + DescribeError(error.get());
        }
        return nullptr;
    }
    // A private connection must never end the program when the bus goes away.
    g_dbus_connection_set_exit_on_close(connection, FALSE);
    return ConnectionPtr(connection);
}

ConnectionPtr ConnectSession(Milliseconds limit, std::string* why) {
    return Connect(SessionBusAddress(), limit, why);
}

Reply Call(GDBusConnection* connection, const Target& target, const char* method, GVariant* args,
           const char* replyType, const CallOptions& options) {
    return CallImpl(connection, target, method, args, replyType, options.limit, options.fds,
                    options.startService);
}

std::string DescribeError(const GError* error) {
    if (!error || !error->message)
        return "unknown error";
    // Remote errors read "GDBus.Error:org.foo.Error.Bar: message".
    std::string text = error->message;
    if (g_str_has_prefix(error->message, "GDBus.Error:")) {
        const auto colon = text.find(": ", 12);
        if (colon != std::string::npos)
            text = text.substr(colon + 2);
    }
    for (char& c : text)
        if (c == '\n' || c == '\r')
            c = ' ';
    return text;
}

}  // namespace desktop::dbus
