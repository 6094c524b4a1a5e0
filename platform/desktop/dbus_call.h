#pragma once

// D-Bus for the setters: a private session bus connection and method calls,
// each bounded in time, with GObject and GVariant references owned by RAII.
// Errors come back as one line of text fit for an Outcome.

#include <gio/gio.h>
#include <gio/gunixfdlist.h>

#include <chrono>
#include <memory>
#include <string>

namespace desktop::dbus {

struct ObjectUnref {
    void operator()(gpointer object) const {
        if (object)
            g_object_unref(object);
    }
};
template <class T>
using ObjectPtr = std::unique_ptr<T, ObjectUnref>;

struct VariantUnref {
    void operator()(GVariant* value) const {
        if (value)
            g_variant_unref(value);
    }
};
using VariantPtr = std::unique_ptr<GVariant, VariantUnref>;

using ConnectionPtr = ObjectPtr<GDBusConnection>;
using Milliseconds = std::chrono::milliseconds;

// Long enough for a desktop busy loading, short enough that a change never
// appears stuck.
inline constexpr Milliseconds kDefaultCallLimit{5000};

// The session bus's address: DBUS_SESSION_BUS_ADDRESS, else the socket
// $XDG_RUNTIME_DIR/bus when it exists. Empty when there is none; a bus is
// never launched on our behalf.
std::string SessionBusAddress();

// A connection of our own to the bus at `address`, given up after `limit`.
// Null with the reason in *why when it could not be made in time.
ConnectionPtr Connect(const std::string& address, Milliseconds limit, std::string* why);
// The same for SessionBusAddress().
ConnectionPtr ConnectSession(Milliseconds limit, std::string* why);

struct Reply {
    VariantPtr value;       // the reply's arguments as a tuple; null on failure
    std::string error;      // why the call failed (the remote error's message)
    std::string errorName;  // the D-Bus error name when the peer sent one
    explicit operator bool() const { return value != nullptr; }
};

struct Target {
    const char* busName;
    const char* objectPath;
    const char* interface;
};

struct CallOptions {
    Milliseconds limit = kDefaultCallLimit;
    // Let the bus start an activatable service that is not running (xfconfd,
    // the portal). Off, a desktop that is not running fails at once.
    bool startService = false;
    GUnixFDList* fds = nullptr;  // file descriptors sent along, if any
};

// Calls `method` and waits at most options.limit for the answer. `args` is a
// tuple (a floating reference is consumed) or null; `replyType` the expected
// reply tuple type ("(o)") or null to accept any.
Reply Call(GDBusConnection* connection, const Target& target, const char* method, GVariant* args,
           const char* replyType, const CallOptions& options = {});

// "org.freedesktop.DBus.Error.ServiceUnknown: The name ... was not provided"
// shortened to the message alone; remote error prefixes are noise in a line.
std::string DescribeError(const GError* error);

}  // namespace desktop::dbus
