#include "platform/base/clipboard.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QClipboard>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <thread>
#include <vector>

#include "codecs/bmp.h"
#include "image/editable_image.h"
#include "tests/image/exchange_test_util.h"

namespace {

using exchange_test::FillNumbered;
using exchange_test::NumberedColour;
using exchange_test::Rgb;

CDibImage Numbered(std::int32_t width, std::int32_t height, std::uint32_t bitCount = 24) {
    CDibImage picture;
    picture.Create(width, height, bitCount);
    FillNumbered(picture);
    return picture;
}

// The picture's colours against the numbered ones, shifted by (dx, dy).
void ExpectNumbered(const CDibImage& picture, std::int32_t dx = 0, std::int32_t dy = 0) {
    for (std::uint32_t y = 0; y < picture.GetHeight(); ++y)
        for (std::uint32_t x = 0; x < picture.GetWidth(); ++x) {
            const auto px = static_cast<std::int32_t>(x), py = static_cast<std::int32_t>(y);
            ASSERT_EQ(Rgb(picture.GetPixelColour(px, py)), Rgb(NumberedColour(px + dx, py + dy)))
                << x << "," << y;
        }
}

CDibImage Plain(std::int32_t width, std::int32_t height, std::uint32_t bitCount,
                ColourValue colour) {
    CDibImage picture;
    picture.Create(width, height, bitCount);
    picture.FillColour(colour);
    return picture;
}

// A packed DIB: 40-byte header, then `extra` (masks, colour table), then rows.
std::vector<std::uint8_t> PackedDib(std::int32_t width, std::int32_t height, std::uint16_t bitCount,
                                    std::uint32_t compression, std::uint32_t coloursUsed,
                                    const std::vector<std::uint8_t>& extra,
                                    const std::vector<std::uint8_t>& rows) {
    gdi::BITMAPINFOHEADER h;
    h.biSize = sizeof h;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = bitCount;
    h.biCompression = compression;
    h.biClrUsed = coloursUsed;
    std::vector<std::uint8_t> block(sizeof h);
    std::memcpy(block.data(), &h, sizeof h);
    block.insert(block.end(), extra.begin(), extra.end());
    block.insert(block.end(), rows.begin(), rows.end());
    return block;
}

// Stops a program still running when the test ends.
class ChildProcess : public QProcess {
public:
    ~ChildProcess() override {
        if (state() != QProcess::NotRunning) {
            kill();
            waitForFinished(5000);
        }
    }
};

bool PutDib(const std::vector<std::uint8_t>& block) {
    clipboard::Clipboard board;
    return board.Empty() && board.SetDib(block) && board.Close();
}

bool PutText(const char* text) {
    QGuiApplication::clipboard()->setText(QString::fromLatin1(text));
    return QGuiApplication::clipboard()->text() == QLatin1String(text);
}

class ClipboardInProcess : public ::testing::Test {
protected:
    void SetUp() override { QGuiApplication::clipboard()->clear(); }
};

TEST_F(ClipboardInProcess, CopyThenPasteGivesThe32BitPictureAtEveryDepth) {
    for (std::uint32_t bitCount : {16u, 24u, 32u}) {
        const CDibImage source = Numbered(13, 7, bitCount);
        ASSERT_EQ(source.CopyToClipboard(), 1) << bitCount;
        EXPECT_TRUE(CDibImage::CanPaste());
        CDibImage pasted = Plain(3, 3, 8, 0);
        ASSERT_EQ(pasted.PasteFromClipboard(), 1) << bitCount;
        ASSERT_EQ(pasted.GetWidth(), 13u);
        ASSERT_EQ(pasted.GetHeight(), 7u);
        EXPECT_EQ(pasted.GetBitCount(), 32u);
        // The colours the display shows (5-bit channels widened to 8).
        CDibImage shown;
        ASSERT_EQ(shown.CopyFromBitmap(source.CreateDeviceBitmap().get(), 32), 1);
        for (std::int32_t y = 0; y < 7; ++y)
            for (std::int32_t x = 0; x < 13; ++x)
                ASSERT_EQ(Rgb(pasted.GetPixelColour(x, y)), Rgb(shown.GetPixelColour(x, y)))
                    << bitCount << ": " << x << "," << y;
        if (bitCount > 16)
            ExpectNumbered(pasted);
    }
    // A palette picture crosses as the colours of its entries.
    CDibImage grey = Plain(4, 2, 8, 0);
    grey.SetPixelValue(1, 0, 200);
    ASSERT_EQ(grey.CopyToClipboard(), 1);
    CDibImage pasted;
    ASSERT_EQ(pasted.PasteFromClipboard(), 1);
    EXPECT_EQ(Rgb(pasted.GetPixelColour(1, 0)), ColourFromBgr(200, 200, 200));
    EXPECT_EQ(Rgb(pasted.GetPixelColour(0, 0)), 0u);
}

TEST_F(ClipboardInProcess, CopiesOnlyTheRectangleAndKeepsTheClipboardWhenItMisses) {
    const CDibImage source = Numbered(20, 10);
    const gdi::RECT rect{5, 2, 9, 30};  // clipped to the picture
    ASSERT_EQ(source.CopyToClipboard(&rect), 1);
    CDibImage pasted;
    ASSERT_EQ(pasted.PasteFromClipboard(), 1);
    ASSERT_EQ(pasted.GetWidth(), 4u);
    ASSERT_EQ(pasted.GetHeight(), 8u);
    ExpectNumbered(pasted, 5, 2);

    const gdi::RECT outside{30, 0, 40, 5};
    EXPECT_EQ(source.CopyToClipboard(&outside), 0);
    EXPECT_EQ(CDibImage().CopyToClipboard(), 0);
    ASSERT_EQ(pasted.PasteFromClipboard(), 1);
    EXPECT_EQ(pasted.GetWidth(), 4u);
}

TEST_F(ClipboardInProcess, PasteAtAPointFillsOnlyTheOverlapAtThePicturesDepth) {
    ASSERT_EQ(Numbered(10, 10).CopyToClipboard(), 1);
    const ColourValue background = ColourFromBgr(1, 2, 3);
    for (std::uint32_t bitCount : {24u, 32u}) {
        CDibImage picture = Plain(15, 12, bitCount, background);
        const gdi::POINT at{10, 10};
        ASSERT_EQ(picture.PasteFromClipboard(&at), 1) << bitCount;
        EXPECT_EQ(picture.GetBitCount(), bitCount);
        EXPECT_EQ(picture.GetWidth(), 15u);
        for (std::int32_t y = 0; y < 12; ++y)
            for (std::int32_t x = 0; x < 15; ++x) {
                const ColourValue expected =
                    x >= 10 && y >= 10 ? NumberedColour(x - 10, y - 10) : background;
                ASSERT_EQ(Rgb(picture.GetPixelColour(x, y)), expected) << x << "," << y;
            }
    }
    // Nothing lands: success would be a lie.
    CDibImage picture = Plain(5, 5, 32, background);
    const gdi::POINT beyond{5, 0};
    EXPECT_EQ(picture.PasteFromClipboard(&beyond), 0);
    EXPECT_EQ(Rgb(picture.GetPixelColour(4, 0)), background);
    CDibImage empty;
    const gdi::POINT origin{0, 0};
    EXPECT_EQ(empty.PasteFromClipboard(&origin), 0);
    EXPECT_FALSE(empty.IsValid());
}

TEST_F(ClipboardInProcess, ReadsABottomUpDibWithItsPaletteAndMasks) {
    // 8 bits, three colours in the table (biClrUsed), rows padded to 4 bytes.
    const std::vector<std::uint8_t> table = {0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0};
    const std::vector<std::uint8_t> rows8 = {2, 1, 0, 0, 0, 1, 2, 0};  // bottom row first
    ASSERT_TRUE(PutDib(PackedDib(3, 2, 8, gdi::BI_RGB, 3, table, rows8)));
    EXPECT_FALSE(clipboard::IsClipboardFormatAvailable(clipboard::CF_BITMAP));
    EXPECT_TRUE(CDibImage::CanPaste());
    CDibImage pasted;
    ASSERT_EQ(pasted.PasteFromClipboard(), 1);
    EXPECT_EQ(pasted.GetBitCount(), 8u);
    EXPECT_EQ(Rgb(pasted.GetPixelColour(0, 0)), ColourFromBgr(0, 0, 255));  // red
    EXPECT_EQ(Rgb(pasted.GetPixelColour(2, 0)), ColourFromBgr(255, 0, 0));  // blue
    EXPECT_EQ(Rgb(pasted.GetPixelColour(0, 1)), ColourFromBgr(255, 0, 0));

    // 16 bits 5-6-5: pure green is 0x07E0, which 5-5-5 would read otherwise.
    const std::uint32_t masks[3] = {0xF800, 0x07E0, 0x001F};
    std::vector<std::uint8_t> maskBytes(12);
    std::memcpy(maskBytes.data(), masks, 12);
    ASSERT_TRUE(
        PutDib(PackedDib(2, 1, 16, gdi::BI_BITFIELDS, 0, maskBytes, {0xE0, 0x07, 0x1F, 0})));
    ASSERT_EQ(pasted.PasteFromClipboard(), 1);
    EXPECT_TRUE(pasted.Is565());
    const ColourValue green = pasted.GetPixelColour(0, 0), blue = pasted.GetPixelColour(1, 0);
    EXPECT_TRUE(ColourRed(green) == 0 && ColourGreen(green) >= 248 && ColourBlue(green) == 0)
        << std::hex << green;
    EXPECT_TRUE(ColourRed(blue) == 0 && ColourGreen(blue) == 0 && ColourBlue(blue) >= 248)
        << std::hex << blue;
}

TEST_F(ClipboardInProcess, RefusesTopDownShortAndCompressedDibsLeavingThePicture) {
    const std::vector<std::uint8_t> rows(3 * 4 * 2, 0x80);
    const std::vector<std::vector<std::uint8_t>> refused = {
        PackedDib(3, -2, 32, gdi::BI_RGB, 0, {}, rows),                           // top-down
        PackedDib(3, 2, 32, gdi::BI_RGB, 0, {}, {rows.begin(), rows.end() - 1}),  // short
        PackedDib(4, 2, 8, gdi::BI_RLE8, 0, std::vector<std::uint8_t>(1024), rows),
        PackedDib(0, 2, 32, gdi::BI_RGB, 0, {}, rows),
    };
    // A colour table reaching past the block is refused before it is offered.
    EXPECT_FALSE(PutDib(PackedDib(3, 2, 8, gdi::BI_RGB, 0x40000000, {}, rows)));
    for (std::size_t i = 0; i < refused.size(); ++i) {
        ASSERT_TRUE(PutDib(refused[i])) << i;
        EXPECT_TRUE(CDibImage::CanPaste()) << i;
        CDibImage picture = Numbered(4, 4, 32);
        EXPECT_EQ(picture.PasteFromClipboard(), 0) << i;
        const gdi::POINT origin{0, 0};
        EXPECT_EQ(picture.PasteFromClipboard(&origin), 0) << i;
        ASSERT_EQ(picture.GetWidth(), 4u) << i;
        ExpectNumbered(picture);
    }
}

TEST_F(ClipboardInProcess, NothingToPasteFromAnEmptyOrTextClipboard) {
    EXPECT_FALSE(CDibImage::CanPaste());
    CDibImage picture = Numbered(4, 4);
    EXPECT_EQ(picture.PasteFromClipboard(), 0);
    ASSERT_TRUE(PutText("not a picture"));
    EXPECT_FALSE(CDibImage::CanPaste());
    EXPECT_EQ(picture.PasteFromClipboard(), 0);
    ExpectNumbered(picture);
}

TEST_F(ClipboardInProcess, EmptyingWithoutDataClearsAndOffThreadCallsFail) {
    ASSERT_EQ(Numbered(2, 2).CopyToClipboard(), 1);
    {
        clipboard::Clipboard board;
        EXPECT_TRUE(board.Empty());
    }
    EXPECT_FALSE(CDibImage::CanPaste());

    ASSERT_EQ(Numbered(2, 2).CopyToClipboard(), 1);
    bool canPaste = true;
    int copied = 1;
    std::thread worker([&] {
        canPaste = CDibImage::CanPaste();
        copied = Numbered(2, 2).CopyToClipboard();
    });
    worker.join();
    EXPECT_FALSE(canPaste);
    EXPECT_EQ(copied, 0);
    EXPECT_TRUE(CDibImage::CanPaste());
}

// Across processes on a virtual X server: the clipboard holder program, and
// xclip as a client that is not ours at all.
class ClipboardX11 : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::getenv("DRAPEWELL_TEST_X11_CLIPBOARD"))
            GTEST_SKIP() << "DRAPEWELL_TEST_X11_CLIPBOARD is not set";
        ASSERT_EQ(QGuiApplication::platformName(), QLatin1String("xcb"));
        ASSERT_TRUE(dir.isValid());
    }

    // Qt hears of another program taking the clipboard through an X event;
    // until that is handled it keeps showing the old owner's formats. A
    // previous owner's exit may still be queued, so the wait ends only once
    // a change was seen and somebody offers formats again.
    void StartAndWaitForClipboardChange(ChildProcess& process, const QString& program,
                                        const QStringList& arguments) {
        bool changed = false;
        const auto connection = QObject::connect(
            QGuiApplication::clipboard(), &QClipboard::changed,
            [&](QClipboard::Mode mode) { changed = changed || mode == QClipboard::Clipboard; });
        process.start(program, arguments);
        ASSERT_TRUE(process.waitForStarted()) << program.toStdString();
        const bool offered = WaitUntil([&] {
            const QMimeData* data = QGuiApplication::clipboard()->mimeData();
            return changed && data && !data->formats().isEmpty();
        });
        QObject::disconnect(connection);
        ASSERT_TRUE(offered) << program.toStdString() << " did not take the clipboard";
    }

    static bool WaitUntil(const std::function<bool()>& done) {
        QElapsedTimer clock;
        clock.start();
        while (!done()) {
            if (clock.hasExpired(10000))
                return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            QThread::msleep(10);
        }
        return true;
    }

    void StartHolder(ChildProcess& holder, int width, int height) {
        StartAndWaitForClipboardChange(holder, QStringLiteral(DRAPEWELL_CLIPBOARD_HOLDER),
                                       {QString::number(width), QString::number(height)});
        // Events handled while waiting may have read the line already.
        if (!holder.canReadLine()) {
            ASSERT_TRUE(holder.waitForReadyRead(10000));
        }
        ASSERT_EQ(holder.readLine().trimmed(), "ready");
    }

    // xclip serving a file's bytes as `type` until it is stopped.
    void OfferWithXclip(ChildProcess& xclip, const QByteArray& bytes, const char* type) {
        const QString path = dir.filePath(QStringLiteral("offer"));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        StartAndWaitForClipboardChange(
            xclip, QStringLiteral("xclip"),
            {"-quiet", "-selection", "clipboard", "-t", QLatin1String(type), "-i", path});
    }

    QByteArray ReadWithXclip(const char* type) {
        QProcess xclip;
        xclip.start(QStringLiteral("xclip"),
                    {"-selection", "clipboard", "-t", QLatin1String(type), "-o"});
        if (!xclip.waitForFinished(10000) || xclip.exitCode() != 0)
            return {};
        return xclip.readAllStandardOutput();
    }

    QTemporaryDir dir;
};

TEST_F(ClipboardX11, PastesWhatAnotherProcessCopiedUntilItExits) {
    ChildProcess holder;
    StartHolder(holder, 37, 23);
    EXPECT_TRUE(CDibImage::CanPaste());
    CDibImage pasted;
    ASSERT_EQ(pasted.PasteFromClipboard(), 1);
    ASSERT_EQ(pasted.GetWidth(), 37u);
    ASSERT_EQ(pasted.GetHeight(), 23u);
    EXPECT_EQ(pasted.GetBitCount(), 32u);
    ExpectNumbered(pasted);

    CDibImage picture = Plain(8, 8, 24, 0);
    const gdi::POINT at{-30, 2};
    ASSERT_EQ(picture.PasteFromClipboard(&at), 1);
    EXPECT_EQ(Rgb(picture.GetPixelColour(0, 2)), NumberedColour(30, 0));
    EXPECT_EQ(Rgb(picture.GetPixelColour(6, 7)), NumberedColour(36, 5));
    EXPECT_EQ(Rgb(picture.GetPixelColour(7, 2)), 0u);
    EXPECT_EQ(Rgb(picture.GetPixelColour(0, 1)), 0u);

    // X11 keeps the contents in their owner: they leave with it.
    holder.closeWriteChannel();
    ASSERT_TRUE(holder.waitForFinished(10000));
    EXPECT_EQ(holder.exitCode(), 0);
    EXPECT_TRUE(WaitUntil([] { return !CDibImage::CanPaste(); }));
}

TEST_F(ClipboardX11, XclipReadsOurPictureAsABmpFile) {
    ChildProcess holder;
    StartHolder(holder, 21, 9);
    const QByteArray targets = ReadWithXclip("TARGETS");
    EXPECT_TRUE(targets.contains("image/bmp")) << targets.toStdString();
    EXPECT_TRUE(targets.contains("image/png")) << targets.toStdString();

    const QByteArray bmp = ReadWithXclip("image/bmp");
    ASSERT_FALSE(bmp.isEmpty());
    CEditableImage decoded(false);
    ASSERT_TRUE(DecodeBmpMemory(decoded, {reinterpret_cast<const std::uint8_t*>(bmp.constData()),
                                          static_cast<std::size_t>(bmp.size())}));
    ASSERT_EQ(decoded.GetWidth(), 21u);
    ASSERT_EQ(decoded.GetHeight(), 9u);
    ExpectNumbered(decoded);
    holder.closeWriteChannel();
    EXPECT_TRUE(holder.waitForFinished(10000));
}

TEST_F(ClipboardX11, PastesAPngOfferedByXclip) {
    QImage png(19, 11, QImage::Format_RGB32);
    for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 19; ++x) {
            const ColourValue c = NumberedColour(x, y);
            png.setPixel(x, y, qRgb(ColourRed(c), ColourGreen(c), ColourBlue(c)));
        }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly) && png.save(&buffer, "PNG"));

    ChildProcess xclip;
    OfferWithXclip(xclip, bytes, "image/png");
    EXPECT_TRUE(clipboard::IsClipboardFormatAvailable(clipboard::CF_BITMAP));
    CDibImage pasted;
    ASSERT_EQ(pasted.PasteFromClipboard(), 1);
    EXPECT_EQ(pasted.GetBitCount(), 32u);
    ASSERT_EQ(pasted.GetWidth(), 19u);
    ExpectNumbered(pasted);
}

TEST_F(ClipboardX11, ReadsBmpFromXclipAsDibButNotTopDown) {
    // A BMP file is a 14-byte header before the packed DIB.
    auto file = [](const std::vector<std::uint8_t>& dib, std::uint32_t pixelOffset) {
        QByteArray bytes(14, '\0');
        bytes[0] = 'B';
        bytes[1] = 'M';
        const std::uint32_t size = 14 + static_cast<std::uint32_t>(dib.size());
        const std::uint32_t offset = 14 + pixelOffset;
        std::memcpy(bytes.data() + 2, &size, 4);
        std::memcpy(bytes.data() + 10, &offset, 4);
        bytes.append(reinterpret_cast<const char*>(dib.data()), static_cast<qsizetype>(dib.size()));
        return bytes;
    };
    std::vector<std::uint8_t> rows;  // 2 x 2 at 24 bits, bottom row first
    for (int y = 1; y >= 0; --y) {
        for (int x = 0; x < 2; ++x) {
            const ColourValue c = NumberedColour(x, y);
            rows.insert(rows.end(), {ColourBlue(c), ColourGreen(c), ColourRed(c)});
        }
        rows.insert(rows.end(), {0, 0});
    }
    {
        ChildProcess xclip;
        OfferWithXclip(xclip, file(PackedDib(2, 2, 24, gdi::BI_RGB, 0, {}, rows), 40), "image/bmp");
        EXPECT_FALSE(clipboard::IsClipboardFormatAvailable(clipboard::CF_BITMAP));
        EXPECT_TRUE(CDibImage::CanPaste());
        CDibImage pasted;
        ASSERT_EQ(pasted.PasteFromClipboard(), 1);
        EXPECT_EQ(pasted.GetBitCount(), 24u);
        ExpectNumbered(pasted);
    }
    ChildProcess xclip;
    OfferWithXclip(xclip, file(PackedDib(2, -2, 24, gdi::BI_RGB, 0, {}, rows), 40), "image/bmp");
    EXPECT_TRUE(CDibImage::CanPaste());
    CDibImage picture = Numbered(3, 3);
    EXPECT_EQ(picture.PasteFromClipboard(), 0);
    ASSERT_EQ(picture.GetWidth(), 3u);
    ExpectNumbered(picture);
}

TEST_F(ClipboardX11, NothingToPasteWhileAnotherProgramOffersText) {
    ChildProcess xclip;
    OfferWithXclip(xclip, "some words", "UTF8_STRING");
    EXPECT_FALSE(CDibImage::CanPaste());
    CDibImage picture;
    EXPECT_EQ(picture.PasteFromClipboard(), 0);
}

}  // namespace
