#pragma once

#include <memory>
#include <utility>

#include "image/editable_image.h"

// Frame information of a GIF stream, defined by the GIF codec.
struct GifStreamState;

// The picture the application and the codecs work on: an editable image
// without undo, plus what the GIF codec keeps between frames.
class CPicture : public CEditableImage {
public:
    // The codec that fills `gifInfo` supplies the matching deleter.
    using GifInfoPtr = std::unique_ptr<GifStreamState, void (*)(GifStreamState*)>;

    CPicture() : CEditableImage(false) {}
    // Copies the picture only; the GIF state stays with its owner.
    CPicture(const CPicture& other) : CEditableImage(other) {}
    CPicture& operator=(const CPicture& other) {
        CopyFrom(other);
        return *this;
    }
    ~CPicture() override;

    GifStreamState* GetGifInfo() const { return gifInfo.get(); }
    void SetGifInfo(GifInfoPtr info) { gifInfo = std::move(info); }

protected:
    GifInfoPtr gifInfo{nullptr, &NoGifInfo};

private:
    static void NoGifInfo(GifStreamState*) {}
};
