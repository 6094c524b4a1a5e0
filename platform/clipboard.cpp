#include "platform/clipboard.h"

#include <QByteArray>
#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QMimeData>
#include <QPointer>
#include <QThread>
#include <cstring>

namespace clipboard {
namespace {

constexpr char kDibType[] = "image/bmp";
constexpr char kQtImageType[] = "application/x-qt-image";
constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;
constexpr std::uint32_t kBitFields = 3;

std::uint32_t ReadU16(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8;
}

std::uint32_t ReadU32(const std::uint8_t* p) {
    return ReadU16(p) | ReadU16(p + 2) << 16;
}

void WriteU32(char* p, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<char>(value >> (8 * i) & 0xFF);
}

// Qt's clipboard belongs to the application's thread; nothing here may
// create an application either.
QClipboard* Board() {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || !qobject_cast<QGuiApplication*>(app) || QThread::currentThread() != app->thread())
        return nullptr;
    return QGuiApplication::clipboard();
}

// What Close last handed to Qt; only touched on the application's thread.
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

bool OffersDib(const QMimeData& data) {
    return data.formats().contains(QLatin1String(kDibType));
}

}  // namespace

struct Clipboard::Pending {
    QImage bitmap;
    QByteArray dibFile;
};

bool IsClipboardFormatAvailable(unsigned format) {
    QClipboard* board = Board();
    const QMimeData* data = board ? board->mimeData() : nullptr;
    if (!data)
        return false;
    switch (format) {
    case CF_BITMAP:
        return OffersNativeImage(*data);
    case CF_DIB:
        return OffersDib(*data);
    default:
        return false;
    }
}

std::size_t PackedDibPixelOffset(std::span<const std::uint8_t> block) {
    if (block.size() < kInfoHeaderSize)
        return 0;
    const std::uint32_t headerSize = ReadU32(block.data());
    const std::uint32_t bitCount = ReadU16(block.data() + 14);
    const std::uint32_t compression = ReadU32(block.data() + 16);
    const std::uint32_t coloursUsed = ReadU32(block.data() + 32);
    if (headerSize < kInfoHeaderSize || headerSize > block.size())
        return 0;
    // 64 bits: biClrUsed comes from outside and may be anything.
    std::uint64_t offset = headerSize;
    if (compression == kBitFields && headerSize == kInfoHeaderSize)
        offset += 3 * 4;
    std::uint64_t colours = coloursUsed;
    if (colours == 0 && bitCount <= 8)
        colours = std::uint64_t{1} << bitCount;
    offset += colours * 4;
    return offset <= block.size() ? static_cast<std::size_t>(offset) : 0;
}

Clipboard::Clipboard() : open_(Board() != nullptr) {}

Clipboard::~Clipboard() {
    Close();
}

bool Clipboard::IsOpen() const {
    return open_;
}

bool Clipboard::Empty() {
    if (!open_)
        return false;
    pending_ = std::make_unique<Pending>();
    return true;
}

bool Clipboard::SetBitmap(const NativeImage& image) {
    if (!open_ || !pending_ || image.width <= 0 || image.height <= 0)
        return false;
    const std::size_t rowBytes = std::size_t{4} * static_cast<std::size_t>(image.width);
    if (image.pixels.size() / rowBytes < static_cast<std::size_t>(image.height))
        return false;
    QImage bitmap(image.width, image.height, QImage::Format_RGB32);
    if (bitmap.isNull())
        return false;
    for (int y = 0; y < image.height; ++y) {
        const std::uint8_t* from = image.pixels.data() + rowBytes * static_cast<std::size_t>(y);
        auto* to = reinterpret_cast<QRgb*>(bitmap.scanLine(y));
        for (int x = 0; x < image.width; ++x, from += 4)
            to[x] = qRgb(from[2], from[1], from[0]);
    }
    pending_->bitmap = std::move(bitmap);
    return true;
}

bool Clipboard::SetDib(std::span<const std::uint8_t> packedDib) {
    if (!open_ || !pending_)
        return false;
    const std::size_t pixelOffset = PackedDibPixelOffset(packedDib);
    // The file header's size fields are 32 bits wide.
    if (pixelOffset == 0 || packedDib.size() > 0xFFFFFFFFu - kFileHeaderSize)
        return false;
    QByteArray file(static_cast<qsizetype>(kFileHeaderSize + packedDib.size()), '\0');
    char* p = file.data();
    p[0] = 'B';
    p[1] = 'M';
    WriteU32(p + 2, static_cast<std::uint32_t>(file.size()));
    WriteU32(p + 10, static_cast<std::uint32_t>(kFileHeaderSize + pixelOffset));
    std::memcpy(p + kFileHeaderSize, packedDib.data(), packedDib.size());
    pending_->dibFile = std::move(file);
    return true;
}

bool Clipboard::GetBitmap(NativeImage& out) const {
    QClipboard* board = open_ ? Board() : nullptr;
    const QMimeData* data = board ? board->mimeData() : nullptr;
    if (!data || !OffersNativeImage(*data))
        return false;
    QImage image = qvariant_cast<QImage>(data->imageData());
    if (image.isNull())
        return false;
    image = image.convertToFormat(QImage::Format_RGB32);
    if (image.isNull())
        return false;
    NativeImage result;
    result.width = image.width();
    result.height = image.height();
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

bool Clipboard::GetDib(std::vector<std::uint8_t>& out) const {
    QClipboard* board = open_ ? Board() : nullptr;
    const QMimeData* data = board ? board->mimeData() : nullptr;
    if (!data || !OffersDib(*data))
        return false;
    const QByteArray file = data->data(QLatin1String(kDibType));
    if (static_cast<std::size_t>(file.size()) < kFileHeaderSize || file[0] != 'B' || file[1] != 'M')
        return false;
    out.assign(file.constBegin() + kFileHeaderSize, file.constEnd());
    return true;
}

bool Clipboard::Close() {
    if (!open_)
        return false;
    open_ = false;
    const std::unique_ptr<Pending> pending = std::move(pending_);
    if (!pending)
        return true;
    QClipboard* board = Board();
    if (!board)
        return false;
    if (pending->bitmap.isNull() && pending->dibFile.isEmpty()) {
        board->clear();
        return true;
    }
    auto* data = new QMimeData;
    if (!pending->bitmap.isNull())
        data->setImageData(pending->bitmap);
    if (!pending->dibFile.isEmpty())
        data->setData(QLatin1String(kDibType), pending->dibFile);
    g_published = data;
    board->setMimeData(data);  // the clipboard owns it from here
    // On X11 the server may refuse us the selection; then the clipboard
    // still shows the previous owner's contents, not ours.
    return board->mimeData() == data;
}

}  // namespace clipboard
