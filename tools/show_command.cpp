// The viewer of drapewell-tool: the picture through a CDeviceBitmap in a
// window, zoomed, or revealed with a transition first. Escape closes it (and
// stops a transition under way).

#include "tools/show_command.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

#include "codecs/codec_error.h"
#include "codecs/dispatch.h"
#include "image/device_bitmap.h"
#include "image/picture.h"
#include "platform/base/timestamp.h"
#include "platform/qt/window_dc.h"

namespace {

int ShowFail(const std::string& message) {
    std::fprintf(stderr, "drapewell-tool: %s\n", message.c_str());
    return 1;
}

bool ParseInt(const std::string& text, std::int32_t& out) {
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, out);
    return error == std::errc{} && at == end;
}

bool ParseTransition(const std::string& text, TransitionParameters& out) {
    std::int32_t values[4];
    std::size_t start = 0;
    for (int i = 0; i < 4; ++i) {
        const std::size_t comma = text.find(',', start);
        if ((comma == std::string::npos) != (i == 3))
            return false;
        if (!ParseInt(
                text.substr(start, comma == std::string::npos ? std::string::npos : comma - start),
                values[i]))
            return false;
        start = comma + 1;
    }
    out = {values[0], values[1], values[2], values[3]};
    const bool known = out.effect == 4 || out.effect == 8 || out.effect == 16 || out.effect == 32 ||
                       out.effect == 64;
    return known && out.delay >= 0 && out.count >= 1;
}

}  // namespace

int ShowCommand(int argc, char** argv) {
    const std::string path = argv[2];
    std::int32_t zoom = 1;
    bool withTransition = false;
    TransitionParameters transition;
    for (int i = 3; i < argc; ++i) {
        const std::string option = argv[i];
        if (i + 1 >= argc)
            return ShowFail(option == "--zoom" || option == "--transition"
                                ? option + " needs a value"
                                : "unknown option " + option);
        const std::string value = argv[++i];
        if (option == "--zoom") {
            if (!ParseInt(value, zoom) || zoom < -16 || zoom > 16)
                return ShowFail("--zoom takes -16 to 16, not " + value);
        } else if (option == "--transition") {
            if (!ParseTransition(value, transition))
                return ShowFail(
                    "--transition takes EFFECT (4, 8, 16, 32 or 64),SUBTYPE,DELAY,COUNT, not " +
                    value);
            withTransition = true;
        } else {
            return ShowFail("unknown option " + option);
        }
    }

    CPicture picture;
    if (ImageTypeFromExtension(path) == kImageUnknown)
        return ShowFail(path + ": unknown file type (by extension)");
    if (!LoadImageFile(picture, path))
        return ShowFail(path + ": cannot read it: " + std::string(LastImageError()));

    // Without one, Qt would abort the process.
    const auto set = [](const char* name) {
        const char* value = std::getenv(name);
        return value && *value;
    };
    if (!set("DISPLAY") && !set("WAYLAND_DISPLAY") && !set("QT_QPA_PLATFORM"))
        return ShowFail("show needs a display");
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QApplication app(qtArgc, qtArgv);

    CDeviceBitmap device(picture.CreateDeviceBitmap());
    if (!device.GetBitmap())
        return ShowFail(path + ": the picture could not be prepared for the screen");
    device.SetZoomLimits(-16, 16);
    device.SetZoom(zoom);
    // A delay unit is a microsecond.
    device.SetTickFactor(platform::CalibrateTicks(20000) / 20000);

    platform::DeviceWindow window;
    window.setWindowTitle(QString::fromStdString(path));
    const gdi::RECT extent =
        device.ToDevice(gdi::RECT{0, 0, device.GetWidth(), device.GetHeight()});
    QSize size(std::max(extent.right, 1), std::max(extent.bottom, 1));
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableSize());
    window.resize(size);
    bool revealing = withTransition;
    window.onExposeAll = [&](gdi::DC& dc, int width, int height) {
        if (!revealing)
            device.Draw(&dc, 0, 0, width, height);
    };
    window.onKey = [&](int key) {
        if (key == Qt::Key_Escape) {
            device.SetRunning(false);
            window.close();
        }
    };
    window.show();

    if (withTransition) {
        // Once the window is on screen: the transition draws at 1:1 from the
        // origin, then the window shows the picture at its zoom. Input is
        // heard between its steps, so that Escape can stop it.
        QTimer::singleShot(0, &window, [&] {
            window.dc().afterFlush = [] { QCoreApplication::processEvents(QEventLoop::AllEvents); };
            device.ShowWithTransition(&window.dc(), transition);
            window.dc().afterFlush = nullptr;
            revealing = false;
            if (device.IsRunning())
                device.Draw(&window.dc(), 0, 0, window.width(), window.height());
        });
    }
    return app.exec();
}
