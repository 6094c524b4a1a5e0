#include "platform/x11/x11_error_trap.h"

namespace x11 {
namespace {

std::mutex g_lock;
// Only touched while g_lock is held, or by Xlib's call of the handler on the
// thread that holds it (errors are reported during that thread's requests).
Display* g_trapDisplay = nullptr;
XErrorHandler g_previousHandler = nullptr;
int g_errorCode = 0;
int g_errorRequest = 0;

int TrapError(Display* display, XErrorEvent* event) {
    if (display == g_trapDisplay) {
        if (g_errorCode == 0) {
            g_errorCode = event->error_code;
            g_errorRequest = event->request_code;
        }
        return 0;
    }
    return g_previousHandler ? g_previousHandler(display, event) : 0;
}

}  // namespace

ErrorTrap::ErrorTrap(const Connection& connection)
    : lock_(g_lock), connection_(connection), previous_(nullptr) {
    g_trapDisplay = connection.Get();
    g_errorCode = 0;
    previous_ = XSetErrorHandler(TrapError);
    g_previousHandler = previous_;
}

ErrorTrap::~ErrorTrap() {
    XSetErrorHandler(previous_);
    g_trapDisplay = nullptr;
    g_previousHandler = nullptr;
}

bool ErrorTrap::Failed() const {
    return connection_.Lost() || g_errorCode != 0;
}

std::string ErrorTrap::Sync() {
    if (!connection_.Lost())
        XSync(connection_.Get(), False);
    if (connection_.Lost())
        return "the connection to the X server was lost";
    if (g_errorCode == 0)
        return {};
    char text[256] = {};
    XGetErrorText(connection_.Get(), g_errorCode, text, sizeof text);
    std::string message = std::string(text) + " (request " + std::to_string(g_errorRequest) + ")";
    g_errorCode = 0;
    return message;
}

}  // namespace x11
