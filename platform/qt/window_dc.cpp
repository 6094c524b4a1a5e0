#include "platform/qt/window_dc.h"

#include <cstring>

#include <QImage>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>

namespace platform {

WindowDC::WindowDC(QWidget& widget) : widget_(widget) {}

WindowDC::~WindowDC() {
    SelectObject(nullptr);
}

bool WindowDC::Resize(int width, int height) {
    SelectObject(nullptr);
    surface_.reset();
    if (width <= 0 || height <= 0)
        return false;
    gdi::BITMAPINFOHEADER h;
    h.biSize = sizeof h;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = 32;
    h.biCompression = gdi::BI_RGB;
    std::uint8_t info[sizeof h];
    std::memcpy(info, &h, sizeof h);
    surface_ = gdi::CreateDIBSection(info);
    if (!surface_)
        return false;
    SelectObject(surface_.get());
    return true;
}

void WindowDC::Flush(const gdi::RECT& area) {
    if (!surface_ || gdi::IsRectEmpty(area))
        return;
    // repaint, not update: the paint happens now, not when the event loop
    // next runs (a transition keeps it from running).
    widget_.repaint(QRect(area.left, area.top, area.right - area.left, area.bottom - area.top));
    if (afterFlush)
        afterFlush();
}

void WindowDC::Present(const QRect& rect) const {
    QPainter painter(&widget_);
    if (!surface_) {
        painter.fillRect(rect, Qt::black);
        return;
    }
    const QRect part = rect.intersected(QRect(0, 0, surface_->Width(), surface_->Height()));
    if (part.isEmpty())
        return;
    // The section is bottom-up; the rows are copied into a top-down image.
    QImage image(part.width(), part.height(), QImage::Format_RGB32);
    for (int y = 0; y < part.height(); ++y)
        std::memcpy(image.scanLine(y), surface_->TopRow(part.top() + y) + part.left() * 4,
                    std::size_t(part.width()) * 4);
    painter.drawImage(part.topLeft(), image);
}

DeviceWindow::DeviceWindow() : dc_(*this) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void DeviceWindow::paintEvent(QPaintEvent* event) {
    dc_.Present(event->rect());
}

void DeviceWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (dc_.Resize(width(), height()) && onExposeAll)
        onExposeAll(dc_, width(), height());
}

void DeviceWindow::keyPressEvent(QKeyEvent* event) {
    if (onKey)
        onKey(event->key());
    QWidget::keyPressEvent(event);
}

}  // namespace platform
