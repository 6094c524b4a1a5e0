// The clipboard backend over Qt's: the QGuiApplication's clipboard, on its
// thread only. Packed DIBs travel as "image/bmp", native images as QImage.

#include "platform/qt/clipboard_qt.h"

#include <QByteArray>
#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QMimeData>
#include <QPointer>
#include <QThread>

#include "platform/base/clipboard.h"

namespace clipboard {
namespace {

constexpr char kDibType[] = "image/bmp";
constexpr char kQtImageType[] = "application/x-qt-image";

// Qt's clipboard belongs to the application's thread; nothing here may
// create an application either.
QClipboard* Board() {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || !qobject_cast<QGuiApplication*>(app) || QThread::currentThread() != app->thread())
        return nullptr;
    return QGuiApplication::clipboard();
}

// What Publish last handed to Qt; only touched on the application's thread.
QPointer<QMimeData> g_published;

// The list of formats, not hasImage(): Qt counts "image/bmp" as an image too,
// and lists its own image type for another program's clipboard whenever any
// readable picture type is there, so that type alone means a native image
// only for contents made in this process (where no file types are listed).
bool OffersNativeImage(const QMimeData& data) {
    static const QList<QByteArray> readable = QImageReader::supportedMimeTypes();
    const QStringList formats = data.formats();
    bool dib = false;
    for (const QString& format : formats) {
        if (format == QLatin1String(kDibType))
            dib = true;
        else if (readable.contains(format.toLatin1()))
            return true;
    }
    return formats.contains(QLatin1String(kQtImageType)) && (!dib || &data == g_published);
}

const QMimeData* Contents() {
    QClipboard* board = Board();
    return board ? board->mimeData() : nullptr;
}

class QtBackend final : public Backend {
public:
    bool Usable() const override { return Board() != nullptr; }

    bool Offers(unsigned format) const override {
        const QMimeData* data = Contents();
        if (!data)
            return false;
        if (format == CF_BITMAP)
            return OffersNativeImage(*data);
        return format == CF_DIB && data->formats().contains(QLatin1String(kDibType));
    }

    bool ReadBitmap(NativeImage& out) const override {
        const QMimeData* data = Contents();
        if (!data)
            return false;
        QImage image = qvariant_cast<QImage>(data->imageData());
        if (image.isNull())
            return false;
        image = image.convertToFormat(QImage::Format_RGB32);
        if (image.isNull())
            return false;
        NativeImage result{.width = image.width(), .height = image.height(), .pixels = {}};
        const std::size_t rowBytes = std::size_t{4} * static_cast<std::size_t>(result.width);
        result.pixels.resize(rowBytes * static_cast<std::size_t>(result.height));
        for (int y = 0; y < result.height; ++y) {
            const auto* from = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            std::uint8_t* to = result.pixels.data() + rowBytes * static_cast<std::size_t>(y);
            for (int x = 0; x < result.width; ++x, to += 4) {
                to[0] = static_cast<std::uint8_t>(qBlue(from[x]));
                to[1] = static_cast<std::uint8_t>(qGreen(from[x]));
                to[2] = static_cast<std::uint8_t>(qRed(from[x]));
                to[3] = 0;
            }
        }
        out = std::move(result);
        return true;
    }

    bool ReadDibFile(std::vector<std::uint8_t>& out) const override {
        const QMimeData* data = Contents();
        if (!data)
            return false;
        const QByteArray file = data->data(QLatin1String(kDibType));
        out.assign(file.constBegin(), file.constEnd());
        return true;
    }

    bool Publish(const NativeImage* bitmap, std::span<const std::uint8_t> dibFile) override {
        QClipboard* board = Board();
        if (!board)
            return false;
        if (!bitmap && dibFile.empty()) {
            board->clear();
            return true;
        }
        QImage image;
        if (bitmap) {
            image = QImage(bitmap->width, bitmap->height, QImage::Format_RGB32);
            if (image.isNull())
                return false;
            const std::size_t rowBytes = std::size_t{4} * static_cast<std::size_t>(bitmap->width);
            for (int y = 0; y < bitmap->height; ++y) {
                const std::uint8_t* from =
                    bitmap->pixels.data() + rowBytes * static_cast<std::size_t>(y);
                auto* to = reinterpret_cast<QRgb*>(image.scanLine(y));
                for (int x = 0; x < bitmap->width; ++x, from += 4)
                    to[x] = qRgb(from[2], from[1], from[0]);
            }
        }
        auto* data = new QMimeData;
        if (!image.isNull())
            data->setImageData(image);
        if (!dibFile.empty())
            data->setData(QLatin1String(kDibType),
                          QByteArray(reinterpret_cast<const char*>(dibFile.data()),
                                     static_cast<qsizetype>(dibFile.size())));
        g_published = data;
        board->setMimeData(data);  // the clipboard owns it from here
        // On X11 the server may refuse us the selection; then the clipboard
        // still shows the previous owner's contents, not ours.
        return board->mimeData() == data;
    }
};

}  // namespace

void InstallQtClipboard() {
    static QtBackend backend;
    SetBackend(&backend);
}

}  // namespace clipboard
