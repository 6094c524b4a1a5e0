#include "image/editable_image.h"

#include <algorithm>
#include <utility>

CEditableImage::CEditableImage(bool undoEnabled) : undoEnabled(undoEnabled) {}

CEditableImage::CEditableImage(const CEditableImage& other)
    : CDibImage(other), undoEnabled(other.undoEnabled) {}

CEditableImage& CEditableImage::operator=(const CEditableImage& other) {
    CopyFrom(other);
    return *this;
}

CEditableImage::~CEditableImage() {
    ClearHistory();
    selection.reset();
}

bool CEditableImage::HasSelection() const {
    return selection.has_value() && !gdi::IsRectEmpty(selectionBounds);
}

void CEditableImage::SetSelection(const gdi::Region& region) {
    gdi::Region clipped;
    gdi::CombineRgn(clipped, region,
                    gdi::CreateRectRgn(0, 0, static_cast<std::int32_t>(GetWidth()),
                                       static_cast<std::int32_t>(GetHeight())),
                    gdi::RGN_AND);
    selection = std::move(clipped);
    selectionBounds = gdi::RECT{};
    gdi::GetRgnBox(*selection, &selectionBounds);
}

// ---- Undo and redo ----------------------------------------------------------

void CEditableImage::SaveUndoState() {
    if (HasSelection())
        PushAreaUndo(selectionBounds, true);
    else
        PushWholeUndo(true);
}

bool CEditableImage::PushAreaUndo(const gdi::RECT& rect, bool clearRedo) {
    if (gdi::IsRectEmpty(rect))
        return false;
    auto saved = std::make_unique<CDibImage>();
    if (!CopyAreaTo(saved.get(), rect))
        return false;
    if (clearRedo)
        redoHistory.clear();
    // The copy holds only the part inside the picture; record where that
    // part starts, so a rectangle reaching past the top or left edge is
    // restored in place.
    undoHistory.push_back(UndoSnapshot{UndoSnapshot::kArea, std::move(saved),
                                       std::max(rect.left, 0), std::max(rect.top, 0)});
    return true;
}

bool CEditableImage::PushWholeUndo(bool clearRedo) {
    if (!IsValid())
        return false;
    auto saved = std::make_unique<CDibImage>(*this);
    if (!saved->IsValid())
        return false;
    if (clearRedo)
        redoHistory.clear();
    undoHistory.push_back(UndoSnapshot{UndoSnapshot::kWhole, std::move(saved), 0, 0});
    return true;
}

namespace {

gdi::RECT SnapshotRect(const UndoSnapshot& entry) {
    return gdi::RECT{entry.x, entry.y,
                     static_cast<std::int32_t>(entry.x + std::int64_t{entry.image->GetWidth()}),
                     static_cast<std::int32_t>(entry.y + std::int64_t{entry.image->GetHeight()})};
}

}  // namespace

bool CEditableImage::Undo() {
    if (undoHistory.empty())
        return false;
    UndoSnapshot entry = std::move(undoHistory.back());
    undoHistory.pop_back();
    if (entry.kind == UndoSnapshot::kArea) {
        auto current = std::make_unique<CDibImage>();
        if (CopyAreaTo(current.get(), SnapshotRect(entry)))
            redoHistory.push_front(
                UndoSnapshot{UndoSnapshot::kArea, std::move(current), entry.x, entry.y});
        PasteAt(*entry.image, entry.x, entry.y);
    } else {
        // The picture and the snapshot trade places: the current picture is
        // exactly what the redo entry has to hold.
        SwapPicture(*entry.image);
        redoHistory.push_front(UndoSnapshot{UndoSnapshot::kWhole, std::move(entry.image), 0, 0});
    }
    return true;
}

bool CEditableImage::Redo() {
    if (redoHistory.empty())
        return false;
    UndoSnapshot entry = std::move(redoHistory.front());
    redoHistory.pop_front();
    if (entry.kind == UndoSnapshot::kArea) {
        PushAreaUndo(SnapshotRect(entry), false);
        PasteAt(*entry.image, entry.x, entry.y);
    } else {
        SwapPicture(*entry.image);
        undoHistory.push_back(UndoSnapshot{UndoSnapshot::kWhole, std::move(entry.image), 0, 0});
    }
    return true;
}

void CEditableImage::ClearHistory() {
    redoHistory.clear();
    undoHistory.clear();
}

// ---- The edit frame ---------------------------------------------------------

bool CEditableImage::RunEdit(const EditBody& body, ProgressValue* progressTarget) {
    ProgressValue& progressOut = ProgressTarget(progressTarget);
    if (HasSelection()) {
        // Copy first: when the area cannot be copied nothing changes, so no
        // undo snapshot may be recorded either.
        CEditableImage area(false);
        if (!CopyAreaTo(&area, selectionBounds))
            return false;
        if (undoEnabled)
            SaveUndoState();
        body(area, progressOut);
        PasteClipped(area, selectionBounds.left, selectionBounds.top);
        return true;
    }
    if (undoEnabled)
        SaveUndoState();
    body(*this, progressOut);
    return true;
}

const CDibImage* CEditableImage::DetachSource(std::unique_ptr<CDibImage>& scratch) {
    // The old picture is about to be replaced, so it is moved rather than
    // copied; the undo snapshot then holds exactly what a copy would.
    auto detached = std::make_unique<CDibImage>();
    SwapPicture(*detached);
    if (undoEnabled) {
        redoHistory.clear();
        undoHistory.push_back(UndoSnapshot{UndoSnapshot::kWhole, std::move(detached), 0, 0});
        return undoHistory.back().image.get();
    }
    scratch = std::move(detached);
    return scratch.get();
}

bool CEditableImage::CreateLike(const CDibImage& source, std::int64_t width, std::int64_t height) {
    gdi::BITMAPV4HEADER h;
    source.GetHeader(&h);
    const std::uint32_t masks[3] = {h.redMask, h.greenMask, h.blueMask};
    if (!Create(width, height, source.GetBitCount(), source.GetCompression(), masks, true))
        return false;
    if (GetBitCount() <= 8)
        CopyPaletteFrom(source);
    return true;
}
