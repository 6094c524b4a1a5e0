#pragma once

// A service on the test's private session bus standing in for a desktop
// component (plasmashell, the portal): it owns a bus name, serves one object
// from a thread of its own and hands each method call to the test's handler.
// Only runs inside scripts/with-dbus, which sets DRAPEWELL_TEST_BUS.

#include <gio/gio.h>
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "platform/desktop/dbus_call.h"

namespace desktop::testing {

// Skips the current test unless it runs on a private bus.
#define DRAPEWELL_REQUIRE_PRIVATE_BUS()                                                   \
    do {                                                                                  \
        if (!std::getenv("DRAPEWELL_TEST_BUS"))                                           \
            GTEST_SKIP() << "needs the private bus of scripts/with-dbus (ctest runs it)"; \
    } while (0)

class BusStandIn {
public:
    // invocation, method name, parameters; the handler must answer the
    // invocation (or keep a reference to answer it later, or never).
    using Handler = std::function<void(GDBusMethodInvocation*, const std::string&, GVariant*)>;

    BusStandIn(std::string busName, std::string objectPath, const std::string& introspection,
               Handler handler)
        : busName_(std::move(busName)), objectPath_(std::move(objectPath)), handler_(handler) {
        GError* error = nullptr;
        info_ = g_dbus_node_info_new_for_xml(introspection.c_str(), &error);
        EXPECT_NE(info_, nullptr) << (error ? error->message : "");
        g_clear_error(&error);
        thread_ = std::thread([this] { Run(); });
        std::unique_lock<std::mutex> lock(mutex_);
        started_.wait(lock, [this] { return ready_; });
    }

    ~BusStandIn() {
        if (loop_) {
            g_main_context_invoke(
                context_,
                [](gpointer loop) -> gboolean {
                    g_main_loop_quit(static_cast<GMainLoop*>(loop));
                    return G_SOURCE_REMOVE;
                },
                loop_);
        }
        thread_.join();
        if (info_)
            g_dbus_node_info_unref(info_);
    }

    bool ok() const { return owned_; }
    GDBusConnection* connection() const { return connection_.get(); }

    // Emits a signal from the stand-in's connection to `destination`.
    void Emit(const std::string& destination, const std::string& path, const char* interface,
              const char* member, GVariant* args) {
        g_dbus_connection_emit_signal(connection_.get(), destination.c_str(), path.c_str(),
                                      interface, member, args, nullptr);
        g_dbus_connection_flush_sync(connection_.get(), nullptr, nullptr);
    }

private:
    void Run() {
        context_ = g_main_context_new();
        g_main_context_push_thread_default(context_);
        std::string why;
        connection_ = dbus::ConnectSession(std::chrono::seconds(5), &why);
        guint registration = 0;
        if (connection_ && info_) {
            static const GDBusInterfaceVTable vtable = {&BusStandIn::OnCall, nullptr, nullptr, {}};
            registration = g_dbus_connection_register_object(connection_.get(), objectPath_.c_str(),
                                                             info_->interfaces[0], &vtable, this,
                                                             nullptr, nullptr);
            dbus::Reply reply = dbus::Call(
                connection_.get(),
                {"org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus"},
                "RequestName", g_variant_new("(su)", busName_.c_str(), 4u /* do not queue */),
                "(u)");
            guint32 result = 0;
            if (reply)
                g_variant_get(reply.value.get(), "(u)", &result);
            owned_ = registration && result == 1;  // primary owner
        }
        loop_ = g_main_loop_new(context_, FALSE);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ready_ = true;
        }
        started_.notify_one();
        if (owned_)
            g_main_loop_run(loop_);
        if (registration)
            g_dbus_connection_unregister_object(connection_.get(), registration);
        connection_.reset();
        while (g_main_context_iteration(context_, FALSE)) {
        }
        g_main_loop_unref(loop_);
        g_main_context_pop_thread_default(context_);
        g_main_context_unref(context_);
    }

    static void OnCall(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                       const gchar* method, GVariant* parameters, GDBusMethodInvocation* invocation,
                       gpointer self) {
        static_cast<BusStandIn*>(self)->handler_(invocation, method, parameters);
    }

    std::string busName_;
    std::string objectPath_;
    Handler handler_;
    GDBusNodeInfo* info_ = nullptr;
    dbus::ConnectionPtr connection_;
    GMainContext* context_ = nullptr;
    GMainLoop* loop_ = nullptr;
    bool owned_ = false;
    std::mutex mutex_;
    std::condition_variable started_;
    bool ready_ = false;
    std::thread thread_;
};

}  // namespace desktop::testing
