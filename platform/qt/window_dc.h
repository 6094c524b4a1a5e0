#pragma once

#include <functional>

#include <QWidget>

#include "platform/gdi/dc.h"
#include "platform/gdi/dib_section.h"

namespace platform {

// A device context whose surface is shown in a widget: a 32-bit BGRX
// section the size of the widget. Every Flush repaints the changed area at
// once, so each drawing step is on the screen before the next begins.
class WindowDC : public gdi::DC {
public:
    explicit WindowDC(QWidget& widget);
    ~WindowDC() override;

    // Re-creates the surface (black) at the given size; false when it cannot
    // be made (the context then has no surface and draws nothing).
    bool Resize(int width, int height);
    void Flush(const gdi::RECT& area) override;
    // Copies the part `rect` of the surface onto the widget; for its paint
    // event.
    void Present(const QRect& rect) const;

    // Called after every flush; a viewer uses it to hear input (Escape)
    // while a long synchronous drawing runs.
    std::function<void()> afterFlush;

private:
    QWidget& widget_;
    gdi::BitmapPtr surface_;
};

// A top-level window drawing through a WindowDC. `onExposeAll` draws the
// whole content when the surface is re-created; `onKey` hears key presses.
class DeviceWindow : public QWidget {
public:
    DeviceWindow();
    WindowDC& dc() { return dc_; }
    std::function<void(gdi::DC&, int width, int height)> onExposeAll;
    std::function<void(int key)> onKey;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    WindowDC dc_;
};

}  // namespace platform
