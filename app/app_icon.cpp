#include "app/app_icon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

QPixmap DrawIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    const QRectF frame(s * 0.06, s * 0.14, s * 0.88, s * 0.72);
    // Frame, then a sky and two hills inside it, then a sun.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x3b, 0x2f, 0x2a));
    p.drawRoundedRect(frame, s * 0.06, s * 0.06);
    const QRectF picture = frame.adjusted(s * 0.06, s * 0.06, -s * 0.06, -s * 0.06);
    QLinearGradient sky(picture.topLeft(), picture.bottomLeft());
    sky.setColorAt(0, QColor(0x2a, 0x6f, 0xdb));
    sky.setColorAt(1, QColor(0xf6, 0xb8, 0x6b));
    p.setBrush(sky);
    p.drawRect(picture);
    p.setClipRect(picture);
    p.setBrush(QColor(0xff, 0xe2, 0x7a));
    p.drawEllipse(
        QPointF(picture.left() + picture.width() * 0.72, picture.top() + picture.height() * 0.32),
        s * 0.08, s * 0.08);
    QPainterPath hills;
    hills.moveTo(picture.bottomLeft());
    hills.lineTo(picture.left(), picture.top() + picture.height() * 0.70);
    hills.quadTo(picture.left() + picture.width() * 0.30, picture.top() + picture.height() * 0.35,
                 picture.left() + picture.width() * 0.60, picture.top() + picture.height() * 0.75);
    hills.quadTo(picture.left() + picture.width() * 0.80, picture.top() + picture.height() * 0.55,
                 picture.right(), picture.top() + picture.height() * 0.68);
    hills.lineTo(picture.bottomRight());
    hills.closeSubpath();
    p.setBrush(QColor(0x2e, 0x8b, 0x57));
    p.drawPath(hills);
    return pixmap;
}

}  // namespace

QIcon MainIcon() {
    // Drawn anew for each caller: a pixmap must not outlive the application.
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128})
        icon.addPixmap(DrawIcon(size));
    return icon;
}
