#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

#include "image/dib_image.h"
#include "platform/gdi/region.h"

// One entry of the undo or redo history.
struct UndoSnapshot {
    enum Kind : std::int32_t {
        kArea = 0,   // a rectangular part, its top-left corner at (x, y)
        kWhole = 1,  // the whole picture
    };
    Kind kind = kWhole;
    std::unique_ptr<CDibImage> image;
    std::int32_t x = 0;
    std::int32_t y = 0;
};

// A picture with a selection and undo and redo histories. Every edit checks
// its preconditions first (a failed check changes nothing and records no
// undo), then saves an undo snapshot when undo is enabled, and works on the
// selected area only when a selection exists.
class CEditableImage : public CDibImage {
public:
    explicit CEditableImage(bool undoEnabled);
    // Copies the picture and the undo flag; not the selection or histories.
    CEditableImage(const CEditableImage& other);
    // Copies the picture only.
    CEditableImage& operator=(const CEditableImage& other);
    ~CEditableImage() override;

    bool IsUndoEnabled() const { return undoEnabled; }

    // Selection, in picture coordinates (origin top-left), always clipped to
    // the picture rectangle.
    bool HasSelection() const;
    gdi::RECT GetSelectionBounds() const { return selectionBounds; }
    const gdi::Region* GetSelection() const { return selection ? &*selection : nullptr; }
    // Replaces the selection with `region` clipped to the picture.
    void SetSelection(const gdi::Region& region);

    // PasteAt through the selection: only pixels inside it change.
    int PasteClipped(const CDibImage& source, std::int32_t x, std::int32_t y);

    // Undo and redo.
    void SaveUndoState();
    bool PushAreaUndo(const gdi::RECT& rect, bool clearRedo);
    bool PushWholeUndo(bool clearRedo);
    bool Undo();
    bool Redo();
    void ClearHistory();
    std::size_t GetUndoCount() const { return undoHistory.size(); }
    std::size_t GetRedoCount() const { return redoHistory.size(); }

    // Scaling and free rotation (nearest-neighbour through the drawing
    // layer). Each returns true when the picture was rebuilt or written.
    bool Resize(std::uint32_t width, std::uint32_t height, bool keepAspect);
    int StretchTo(CDibImage* target, std::uint32_t width, std::uint32_t height,
                  const gdi::RECT* sourceRect = nullptr) const;
    // The selection's bounding area with everything outside the selection
    // white; this picture is not changed.
    int StretchSelectionTo(CDibImage* target, std::uint32_t width, std::uint32_t height) const;
    // Clockwise on screen, 0 < degrees < 90.
    bool RotateByAngle(std::int32_t degrees);

    // Flips, mirror and quarter turns.
    bool FlipVertical(ProgressValue* progressTarget = nullptr);
    bool MirrorHorizontal(ProgressValue* progressTarget = nullptr);
    bool Rotate90Clockwise();
    bool Rotate90CounterClockwise();

    // Canvas changes and shifts. Freed pixels of a shift are 0xFF bytes.
    bool ExpandCanvas(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom);
    bool CropMargins(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom);
    bool ExpandCanvasWithEdges(std::int32_t left, std::int32_t top, std::int32_t right,
                               std::int32_t bottom);
    bool ShiftLeft(std::uint32_t pixels);
    bool ShiftRight(std::uint32_t pixels);
    bool ShiftUp(std::int32_t rows);
    bool ShiftDown(std::int32_t rows);

protected:
    // The work of an in-place edit, applied to the whole picture or to a
    // copy of the selected area; it reports through `progress`.
    using EditBody = std::function<void(CDibImage& target, ProgressValue& progress)>;
    // The edit frame for in-place edits: undo snapshot, then `body` on the
    // selected area (pasted back through the selection) or on the picture.
    // False when the selected area could not be copied (below 8 bits).
    bool RunEdit(const EditBody& body, ProgressValue* progressTarget);
    // Start of an edit that rebuilds the picture: the current picture moves
    // out as the source, into the undo history when undo is enabled (the
    // returned pointer stays valid there) or else into `scratch`. The
    // picture is left empty for the caller to Create anew.
    const CDibImage* DetachSource(std::unique_ptr<CDibImage>& scratch);
    // Create in `source`'s pixel format (bit count, compression, masks,
    // palette).
    bool CreateLike(const CDibImage& source, std::int64_t width, std::int64_t height);

    bool undoEnabled;
    gdi::RECT selectionBounds{};
    std::optional<gdi::Region> selection;
    std::deque<UndoSnapshot> undoHistory;  // newest at the back
    std::deque<UndoSnapshot> redoHistory;  // newest at the front

private:
    bool RotateQuarterTurn(bool clockwise);
    bool ShiftColumns(std::uint32_t pixels, bool left);
    bool ShiftRows(std::int32_t count, bool up);
};
