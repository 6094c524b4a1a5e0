#include "platform/desktop/x11_root.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <bit>
#include <memory>
#include <mutex>

#include "platform/desktop/setters.h"
#include "platform/x11/x11_error_trap.h"

namespace desktop {

namespace {

using x11::Connection;
using x11::ErrorTrap;

// An XImage over a buffer we own: XDestroyImage must not free it.
struct ImageRelease {
    void operator()(XImage* image) const {
        image->data = nullptr;
        XDestroyImage(image);
    }
};

class Gc {
public:
    Gc(Display* display, Drawable drawable)
        : display_(display), gc_(XCreateGC(display, drawable, 0, nullptr)) {}
    Gc(const Gc&) = delete;
    Gc& operator=(const Gc&) = delete;
    ~Gc() { XFreeGC(display_, gc_); }
    GC Get() const { return gc_; }

private:
    Display* display_;
    GC gc_;
};

Pixmap ReadPixmapProperty(Display* display, Window root, Atom property) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    Pixmap result = None;
    if (XGetWindowProperty(display, root, property, 0, 1, False, XA_PIXMAP, &type, &format, &count,
                           &after, &data) == Success &&
        type == XA_PIXMAP && format == 32 && count == 1 && data)
        result = *reinterpret_cast<unsigned long*>(data);  // Xlib hands format 32 as long
    if (data)
        XFree(data);
    return result;
}

int BitsPerPixelAt(Display* display, int depth) {
    int count = 0;
    int bits = 0;
    XPixmapFormatValues* formats = XListPixmapFormats(display, &count);
    for (int i = 0; formats && i < count; ++i)
        if (formats[i].depth == depth)
            bits = formats[i].bits_per_pixel;
    if (formats)
        XFree(formats);
    return bits;
}

const char* PlacementWords(Placement placement) {
    switch (placement) {
    case Placement::kTile:
        return "tiled";
    case Placement::kStretch:
        return "stretched";
    default:
        return "centred";
    }
}

class RootWindowSetter : public WallpaperSetter {
public:
    std::string Name() const override { return "X11 root window"; }

    Outcome Apply(const std::string&, const PixelView& pixels, Placement placement) override {
        return Show(pixels, placement, false);
    }

    MonitorHandling Handling() const override { return MonitorHandling::kComposed; }

    // The layout's picture starts at the root window's origin, where the
    // monitors' coordinates start; the rest of the root is black.
    Outcome ApplySpanned(const std::string&, const PixelView& pixels) override {
        return Show(pixels, Placement::kCentre, true);
    }

private:
    Outcome Show(const PixelView& pixels, Placement placement, bool atTopLeft) {
        if (pixels.IsEmpty())
            return {false, "no picture to draw"};
        Connection connection;
        Display* display = connection.Get();
        if (!display)
            return {false, "cannot open the X display"};
        ErrorTrap trap(connection);
        auto fail = [](const std::string& step, const std::string& why) -> Outcome {
            return {false, step + ": " + why};
        };

        const Window root = DefaultRootWindow(display);
        XWindowAttributes attributes{};
        if (!XGetWindowAttributes(display, root, &attributes))
            return {false, "cannot read the root window"};
        const int width = attributes.width;
        const int height = attributes.height;
        ScreenFormat format;
        format.trueColor = attributes.visual->c_class == TrueColor;
        format.depth = attributes.depth;
        format.bitsPerPixel = BitsPerPixelAt(display, attributes.depth);
        format.redMask = attributes.visual->red_mask;
        format.greenMask = attributes.visual->green_mask;
        format.blueMask = attributes.visual->blue_mask;
        std::string why;
        std::optional<PixelPacking> packing = ChoosePacking(format, &why);
        if (!packing)
            return {false, why};

        const Pixmap pixmap = XCreatePixmap(display, root, width, height, attributes.depth);
        std::string error =
            DrawInto(display, pixmap, attributes, pixels, placement, atTopLeft, *packing);
        if (error.empty())
            error = trap.Sync();
        if (!error.empty())
            return fail("drawing the screen image", error);

        const Atom rootId = XInternAtom(display, "_XROOTPMAP_ID", False);
        const Atom esetrootId = XInternAtom(display, "ESETROOT_PMAP_ID", False);
        const Pixmap oldRoot = ReadPixmapProperty(display, root, rootId);
        const Pixmap oldEsetroot = ReadPixmapProperty(display, root, esetrootId);

        XSetWindowBackgroundPixmap(display, root, pixmap);
        XClearWindow(display, root);
        for (Atom property : {rootId, esetrootId})
            XChangeProperty(display, root, property, XA_PIXMAP, 32, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(&pixmap), 1);
        if (error = trap.Sync(); !error.empty())
            return fail("setting the root background", error);

        std::string freed = FreePrevious(display, trap, oldRoot, oldEsetroot, pixmap);

        XSetCloseDownMode(display, RetainPermanent);
        if (error = trap.Sync(); !error.empty())
            return fail("keeping the background", error);
        std::string detail =
            "root window background set (" + std::to_string(width) + "x" + std::to_string(height) +
            ", " +
            (atTopLeft ? std::string("the monitors' pictures, ") + std::to_string(pixels.width) +
                             "x" + std::to_string(pixels.height)
                       : std::string(PlacementWords(placement))) +
            ")";
        return {true, freed.empty() ? detail : detail + "; " + freed};
    }

    // Puts the composed screen into `pixmap` a band of rows at a time, so the
    // client never holds more than a few MiB of it.
    static std::string DrawInto(Display* display, Pixmap pixmap,
                                const XWindowAttributes& attributes, const PixelView& pixels,
                                Placement placement, bool atTopLeft, const PixelPacking& packing) {
        const int width = attributes.width;
        const int height = attributes.height;
        constexpr std::size_t kBandBytes = 4u << 20;
        const int bandRows = static_cast<int>(
            std::clamp<std::size_t>(kBandBytes / (4 * static_cast<std::size_t>(width)), 1, height));
        std::vector<std::uint32_t> band(static_cast<std::size_t>(width) * bandRows);
        std::unique_ptr<XImage, ImageRelease> image(
            XCreateImage(display, attributes.visual, attributes.depth, ZPixmap, 0,
                         reinterpret_cast<char*>(band.data()), width, bandRows, 32, width * 4));
        if (!image)
            return "cannot create an image of the screen's format";
        // Our pixels are in this machine's byte order; Xlib swaps them for a
        // server of the other one.
        image->byte_order = std::endian::native == std::endian::little ? LSBFirst : MSBFirst;

        Gc gc(display, pixmap);
        ScreenComposer composer(pixels, placement, width, height, atTopLeft);
        for (int top = 0; top < height; top += bandRows) {
            const int rows = std::min(bandRows, height - top);
            for (int r = 0; r < rows; ++r) {
                std::uint32_t* row = band.data() + static_cast<std::size_t>(r) * width;
                composer.ComposeRow(top + r, row);
                if (!packing.IsIdentity())
                    std::transform(row, row + width, row,
                                   [&](std::uint32_t rgb) { return packing.Pack(rgb); });
            }
            XPutImage(display, pixmap, gc.Get(), image.get(), 0, 0, 0, top, width, rows);
        }
        return {};
    }

    // The convention among root-window setters: one that points both
    // properties at the same pixmap made it RetainPermanent and left, and
    // the next one frees it by killing that (already closed) client's
    // resources. Only a live pixmap qualifies: a stale id may by now belong
    // to a window of a running program, or to this very connection.
    static std::string FreePrevious(Display* display, ErrorTrap& trap, Pixmap oldRoot,
                                    Pixmap oldEsetroot, Pixmap ours) {
        if (oldEsetroot == None || oldEsetroot != oldRoot || oldEsetroot == ours)
            return {};
        Window rootReturn;
        int x, y;
        unsigned width, height, border, depth;
        XGetGeometry(display, oldEsetroot, &rootReturn, &x, &y, &width, &height, &border, &depth);
        if (!trap.Sync().empty())
            return {};  // not a drawable any more
        XWindowAttributes attributes;
        const bool isWindow = XGetWindowAttributes(display, oldEsetroot, &attributes) != 0;
        trap.Sync();
        if (isWindow)
            return {};
        XKillClient(display, oldEsetroot);
        if (!trap.Sync().empty())
            return "the previous background was already gone";
        return "previous background freed";
    }
};

}  // namespace

std::unique_ptr<WallpaperSetter> MakeRootWindowSetter() {
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return nullptr;
    XCloseDisplay(display);
    return std::make_unique<RootWindowSetter>();
}

}  // namespace desktop
