#include "platform/base/clipboard.h"

#include <atomic>
#include <cstring>

namespace clipboard {
namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;
constexpr std::uint32_t kBitFields = 3;

std::atomic<Backend*> g_backend{nullptr};

std::uint32_t ReadU16(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8;
}

std::uint32_t ReadU32(const std::uint8_t* p) {
    return ReadU16(p) | ReadU16(p + 2) << 16;
}

void WriteU32(std::uint8_t* p, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(value >> (8 * i) & 0xFF);
}

Backend* UsableBackend() {
    Backend* backend = g_backend.load();
    return backend && backend->Usable() ? backend : nullptr;
}

}  // namespace

void SetBackend(Backend* backend) {
    g_backend = backend;
}

bool IsClipboardFormatAvailable(unsigned format) {
    Backend* backend = UsableBackend();
    return backend && (format == CF_BITMAP || format == CF_DIB) && backend->Offers(format);
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

Clipboard::Clipboard() : open_(UsableBackend() != nullptr) {}

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
    pending_->bitmap = image;
    return true;
}

bool Clipboard::SetDib(std::span<const std::uint8_t> packedDib) {
    if (!open_ || !pending_)
        return false;
    const std::size_t pixelOffset = PackedDibPixelOffset(packedDib);
    // The file header's size fields are 32 bits wide.
    if (pixelOffset == 0 || packedDib.size() > 0xFFFFFFFFu - kFileHeaderSize)
        return false;
    std::vector<std::uint8_t> file(kFileHeaderSize + packedDib.size());
    file[0] = 'B';
    file[1] = 'M';
    WriteU32(file.data() + 2, static_cast<std::uint32_t>(file.size()));
    WriteU32(file.data() + 10, static_cast<std::uint32_t>(kFileHeaderSize + pixelOffset));
    std::memcpy(file.data() + kFileHeaderSize, packedDib.data(), packedDib.size());
    pending_->dibFile = std::move(file);
    return true;
}

bool Clipboard::GetBitmap(NativeImage& out) const {
    Backend* backend = open_ ? UsableBackend() : nullptr;
    return backend && backend->Offers(CF_BITMAP) && backend->ReadBitmap(out);
}

bool Clipboard::GetDib(std::vector<std::uint8_t>& out) const {
    Backend* backend = open_ ? UsableBackend() : nullptr;
    std::vector<std::uint8_t> file;
    if (!backend || !backend->Offers(CF_DIB) || !backend->ReadDibFile(file))
        return false;
    if (file.size() < kFileHeaderSize || file[0] != 'B' || file[1] != 'M')
        return false;
    out.assign(file.begin() + kFileHeaderSize, file.end());
    return true;
}

bool Clipboard::Close() {
    if (!open_)
        return false;
    open_ = false;
    const std::unique_ptr<Pending> pending = std::move(pending_);
    if (!pending)
        return true;
    Backend* backend = UsableBackend();
    if (!backend)
        return false;
    return backend->Publish(pending->bitmap ? &*pending->bitmap : nullptr, pending->dibFile);
}

}  // namespace clipboard
