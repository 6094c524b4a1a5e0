#include "platform/desktop/x11_root.h"

// GoogleTest before Xlib, whose None and Bool macros clash with its names.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/desktop/setters.h"

namespace desktop {
namespace {

// A picture in memory, stored top-down or bottom-up (as DIBs are).
struct Picture {
    int width = 0, height = 0;
    bool bottomUp = false;
    std::vector<std::uint8_t> bytes;

    Picture(int w, int h, bool bottomUpRows = false)
        : width(w), height(h), bottomUp(bottomUpRows), bytes(4 * w * h, 0xEE) {}

    std::uint8_t* At(int x, int y) {
        const int storedRow = bottomUp ? height - 1 - y : y;
        return bytes.data() + 4 * (storedRow * width + x);
    }
    void Set(int x, int y, std::uint32_t rgb) {
        std::uint8_t* p = At(x, y);
        p[0] = rgb & 0xFF;
        p[1] = rgb >> 8 & 0xFF;
        p[2] = rgb >> 16 & 0xFF;
        p[3] = 0x5A;  // the unused byte must not show
    }
    PixelView View() {
        PixelView view;
        view.width = width;
        view.height = height;
        view.topRow = At(0, 0);
        view.rowStep = bottomUp ? -4 * width : 4 * width;
        return view;
    }
};

// Every pixel of a picture up to 42x31 in a different colour (none black),
// so that any misplacement shows.
std::uint32_t Colour(int x, int y) {
    return std::uint32_t(6 * x + 3) << 16 | std::uint32_t(8 * y + 5) << 8 |
           ((7 * x + 13 * y) & 0xFF);
}

Picture Numbered(int w, int h, bool bottomUp = false) {
    Picture picture(w, h, bottomUp);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            picture.Set(x, y, Colour(x, y));
    return picture;
}

std::vector<std::uint32_t> Compose(const PixelView& view, Placement placement, int w, int h) {
    ScreenComposer composer(view, placement, w, h);
    std::vector<std::uint32_t> screen(w * h, 0xDEADBEEF);
    for (int y = 0; y < h; ++y)
        composer.ComposeRow(y, screen.data() + y * w);
    return screen;
}

TEST(ScreenComposer, CentresOnBlackAndCropsALargerPictureEvenly) {
    Picture small = Numbered(3, 2);
    std::vector<std::uint32_t> screen = Compose(small.View(), Placement::kCentre, 7, 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) {
            const bool inside = x >= 2 && x < 5 && y >= 1 && y < 3;
            EXPECT_EQ(screen[y * 7 + x], inside ? Colour(x - 2, y - 1) : 0u) << x << "," << y;
        }

    Picture large = Numbered(6, 6);
    screen = Compose(large.View(), Placement::kCentre, 3, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(screen[y * 3 + x], Colour(x + 1, y + 1)) << x << "," << y;
}

TEST(ScreenComposer, TilesFromTheTopLeftCorner) {
    Picture picture = Numbered(3, 2);
    std::vector<std::uint32_t> screen = Compose(picture.View(), Placement::kTile, 7, 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            EXPECT_EQ(screen[y * 7 + x], Colour(x % 3, y % 2)) << x << "," << y;
}

TEST(ScreenComposer, StretchesToTheWholeScreenByNearestPixelCentres) {
    Picture picture = Numbered(2, 2);
    std::vector<std::uint32_t> screen = Compose(picture.View(), Placement::kStretch, 5, 3);
    const int columns[5] = {0, 0, 1, 1, 1};
    const int rows[3] = {0, 1, 1};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(screen[y * 5 + x], Colour(columns[x], rows[y])) << x << "," << y;

    // Shrinking keeps the pixels nearest to the centres too.
    Picture wide = Numbered(5, 1);
    screen = Compose(wide.View(), Placement::kStretch, 2, 1);
    EXPECT_EQ(screen[0], Colour(1, 0));
    EXPECT_EQ(screen[1], Colour(3, 0));
}

TEST(ScreenComposer, ReadsBottomUpRowsAndIgnoresTheUnusedByte) {
    Picture topDown = Numbered(4, 3);
    Picture bottomUp = Numbered(4, 3, true);
    for (Placement placement : {Placement::kCentre, Placement::kTile, Placement::kStretch})
        EXPECT_EQ(Compose(topDown.View(), placement, 9, 8),
                  Compose(bottomUp.View(), placement, 9, 8));

    Picture one(1, 1);
    one.Set(0, 0, 0x123456);
    EXPECT_EQ(Compose(one.View(), Placement::kTile, 1, 1)[0], 0x123456u);
}

TEST(ScreenComposer, AnEmptyPictureGivesABlackScreen) {
    PixelView empty;
    std::vector<std::uint32_t> screen = Compose(empty, Placement::kTile, 4, 2);
    EXPECT_EQ(screen, std::vector<std::uint32_t>(8, 0u));
}

TEST(ChoosePacking, TakesOnly24And32BitTrueColourWithByteChannels) {
    std::string why;
    ScreenFormat usual{true, 24, 32, 0xFF0000, 0xFF00, 0xFF};
    std::optional<PixelPacking> packing = ChoosePacking(usual, &why);
    ASSERT_TRUE(packing);
    EXPECT_TRUE(packing->IsIdentity());
    EXPECT_EQ(packing->Pack(0x123456), 0x123456u);

    ScreenFormat bgr{true, 24, 32, 0xFF, 0xFF00, 0xFF0000};
    packing = ChoosePacking(bgr, &why);
    ASSERT_TRUE(packing);
    EXPECT_EQ(packing->Pack(0x123456), 0x563412u);

    // At depth 32 the spare byte is alpha and must be opaque.
    ScreenFormat argb{true, 32, 32, 0xFF0000, 0xFF00, 0xFF};
    packing = ChoosePacking(argb, &why);
    ASSERT_TRUE(packing);
    EXPECT_EQ(packing->Pack(0x123456), 0xFF123456u);

    const ScreenFormat refused[] = {
        {false, 8, 8, 0, 0, 0},                  // PseudoColor
        {true, 16, 16, 0xF800, 0x7E0, 0x1F},     // 5-6-5
        {true, 24, 24, 0xFF0000, 0xFF00, 0xFF},  // packed 3-byte pixels
        {true, 30, 32, 0x3FF00000, 0xFFC00, 0x3FF},
        {false, 24, 32, 0xFF0000, 0xFF00, 0xFF},  // DirectColor
    };
    for (const ScreenFormat& format : refused) {
        why.clear();
        EXPECT_FALSE(ChoosePacking(format, &why)) << format.depth;
        EXPECT_FALSE(why.empty());
    }
}

TEST(RootWindowSetter, IsNullWithoutADisplay) {
    const char* saved = std::getenv("DISPLAY");
    std::string display = saved ? saved : "";
    setenv("DISPLAY", "", 1);
    EXPECT_EQ(MakeRootWindowSetter(), nullptr);
    setenv("DISPLAY", display.c_str(), 1);
}

// ---- Against a real X server (scripts/with-xvfb, which keeps the root
// window's background after its clients leave). DRAPEWELL_EXPECT_ROOT names
// the screen's size.

int g_lastError = 0;
int RecordError(Display*, XErrorEvent* event) {
    g_lastError = event->error_code;
    return 0;
}
void NoteLost(Display*, void* lost) {
    *static_cast<bool*>(lost) = true;
}

class RootWindowX11 : public ::testing::Test {
protected:
    void SetUp() override {
        const char* expected = std::getenv("DRAPEWELL_EXPECT_ROOT");
        if (!expected || !*expected)
            GTEST_SKIP() << "DRAPEWELL_EXPECT_ROOT is not set";
        ASSERT_EQ(std::sscanf(expected, "%dx%d", &width_, &height_), 2);
        display_ = XOpenDisplay(nullptr);
        ASSERT_NE(display_, nullptr);
        XSetIOErrorExitHandler(display_, NoteLost, &lost_);
        root_ = DefaultRootWindow(display_);
        setter_ = MakeRootWindowSetter();
        ASSERT_NE(setter_, nullptr);
    }
    void TearDown() override {
        if (display_)
            XCloseDisplay(display_);
    }

    Pixmap Property(const char* name) {
        Atom atom = XInternAtom(display_, name, False);
        Atom type;
        int format;
        unsigned long count, after;
        unsigned char* data = nullptr;
        Pixmap value = None;
        if (XGetWindowProperty(display_, root_, atom, 0, 1, False, XA_PIXMAP, &type, &format,
                               &count, &after, &data) == Success &&
            data && count == 1)
            value = *reinterpret_cast<unsigned long*>(data);
        if (data)
            XFree(data);
        return value;
    }

    void SetProperty(const char* name, XID value) {
        Atom atom = XInternAtom(display_, name, False);
        XChangeProperty(display_, root_, atom, XA_PIXMAP, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(&value), 1);
        XSync(display_, False);
    }

    // The X error code a request about `drawable` gives (0 for none).
    int GeometryError(Drawable drawable, unsigned* w = nullptr, unsigned* h = nullptr) {
        XErrorHandler previous = XSetErrorHandler(RecordError);
        g_lastError = 0;
        Window rootReturn;
        int x, y;
        unsigned width = 0, height = 0, border, depth;
        XGetGeometry(display_, drawable, &rootReturn, &x, &y, &width, &height, &border, &depth);
        XSync(display_, False);
        XSetErrorHandler(previous);
        if (w)
            *w = width;
        if (h)
            *h = height;
        return g_lastError;
    }

    std::vector<std::uint32_t> ReadRoot() {
        XImage* image = XGetImage(display_, root_, 0, 0, width_, height_, AllPlanes, ZPixmap);
        std::vector<std::uint32_t> pixels;
        if (!image)
            return pixels;
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x)
                pixels.push_back(XGetPixel(image, x, y) & 0xFFFFFF);
        XDestroyImage(image);
        return pixels;
    }

    Outcome Apply(Placement placement) {
        Picture picture = Numbered(40, 30, true);
        return setter_->Apply("/unused.bmp", picture.View(), placement);
    }

    Display* display_ = nullptr;
    bool lost_ = false;
    Window root_ = None;
    int width_ = 0, height_ = 0;
    std::unique_ptr<WallpaperSetter> setter_;
};

TEST_F(RootWindowX11, ShowsEachPlacementAcrossTheWholeScreen) {
    const int left = (width_ - 40) / 2, top = (height_ - 30) / 2;
    for (Placement placement : {Placement::kCentre, Placement::kTile, Placement::kStretch}) {
        Outcome outcome = Apply(placement);
        ASSERT_TRUE(outcome.accepted) << outcome.detail;
        std::vector<std::uint32_t> screen = ReadRoot();
        ASSERT_EQ(screen.size(), static_cast<std::size_t>(width_ * height_));
        int wrong = 0;
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x) {
                std::uint32_t expected = 0;
                if (placement == Placement::kTile) {
                    expected = Colour(x % 40, y % 30);
                } else if (placement == Placement::kStretch) {
                    expected =
                        Colour((2 * x + 1) * 40 / (2 * width_), (2 * y + 1) * 30 / (2 * height_));
                } else if (x >= left && x < left + 40 && y >= top && y < top + 30) {
                    expected = Colour(x - left, y - top);
                }
                if (screen[y * width_ + x] != expected && wrong++ < 3)
                    ADD_FAILURE() << "placement " << static_cast<int>(placement) << " at " << x
                                  << "," << y << ": " << std::hex << screen[y * width_ + x]
                                  << " instead of " << expected;
            }
        EXPECT_EQ(wrong, 0);
    }
}

TEST_F(RootWindowX11, NamesItsPixmapAndFreesThePreviousOne) {
    ASSERT_TRUE(Apply(Placement::kCentre).accepted);
    const Pixmap first = Property("_XROOTPMAP_ID");
    ASSERT_NE(first, None);
    EXPECT_EQ(Property("ESETROOT_PMAP_ID"), first);
    unsigned w = 0, h = 0;
    EXPECT_EQ(GeometryError(first, &w, &h), 0);
    EXPECT_EQ(static_cast<int>(w), width_);
    EXPECT_EQ(static_cast<int>(h), height_);

    Outcome second = Apply(Placement::kTile);
    ASSERT_TRUE(second.accepted) << second.detail;
    const Pixmap next = Property("_XROOTPMAP_ID");
    EXPECT_NE(next, first);
    EXPECT_EQ(Property("ESETROOT_PMAP_ID"), next);
    EXPECT_EQ(GeometryError(first), BadDrawable);
    EXPECT_EQ(GeometryError(next), 0);
}

TEST_F(RootWindowX11, NeverKillsAProgramThatIsStillRunning) {
    // A desktop that names its live pixmap in _XROOTPMAP_ID only.
    Pixmap theirs = XCreatePixmap(display_, root_, 8, 8, DefaultDepth(display_, 0));
    SetProperty("_XROOTPMAP_ID", theirs);
    XDeleteProperty(display_, root_, XInternAtom(display_, "ESETROOT_PMAP_ID", False));
    XSync(display_, False);
    ASSERT_TRUE(Apply(Placement::kCentre).accepted);
    EXPECT_EQ(GeometryError(theirs), 0);

    // Both properties naming a window (a stale id reused by a live client).
    Window window = XCreateSimpleWindow(display_, root_, 0, 0, 4, 4, 0, 0, 0);
    SetProperty("_XROOTPMAP_ID", window);
    SetProperty("ESETROOT_PMAP_ID", window);
    Outcome outcome = Apply(Placement::kCentre);
    EXPECT_TRUE(outcome.accepted) << outcome.detail;
    XSync(display_, False);
    EXPECT_FALSE(lost_);
    EXPECT_EQ(GeometryError(window), 0);
    XDestroyWindow(display_, window);
    XFreePixmap(display_, theirs);

    // An id no client owns any more.
    SetProperty("_XROOTPMAP_ID", 0x1FFFFF);
    SetProperty("ESETROOT_PMAP_ID", 0x1FFFFF);
    outcome = Apply(Placement::kCentre);
    EXPECT_TRUE(outcome.accepted) << outcome.detail;
    EXPECT_FALSE(lost_);
}

TEST_F(RootWindowX11, RefusesAnEmptyPicture) {
    Outcome outcome = setter_->Apply("/unused.bmp", PixelView{}, Placement::kCentre);
    EXPECT_FALSE(outcome.accepted);
    EXPECT_FALSE(outcome.detail.empty());
}

}  // namespace
}  // namespace desktop
