#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <span>

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

    // Selection shapes. Mode 0 replaces the selection, 1 adds the shape, any
    // other value removes it; without a selection every mode replaces. Right
    // and bottom are exclusive for SelectRect and inclusive for the ellipse
    // and the rounded rectangle.
    void SelectRect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
                    int mode);
    void SelectEllipse(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
                       int mode);
    void SelectRoundRect(std::int32_t left, std::int32_t top, std::int32_t right,
                         std::int32_t bottom, std::int32_t cornerWidth, std::int32_t cornerHeight,
                         int mode);
    // Null `points` (or a negative count) does nothing.
    void SelectPolygon(const gdi::POINT* points, std::int32_t count, int fillMode, int mode);
    void ClearSelection();
    // The selection's bounds, or the whole picture without a selection.
    void GetSelectionRect(gdi::RECT* out) const;
    void OffsetSelection(std::int32_t dx, std::int32_t dy);
    // Paint the selection (its 1-pixel frame) on the picture; no undo.
    void FillSelection(const gdi::Brush& brush);
    void FrameSelection(const gdi::Brush& brush);
    // Moves the selected pixels and the selection by (dx, dy); the source is
    // whitened unless `keepSource`. No undo snapshot.
    void MoveSelection(std::int32_t dx, std::int32_t dy, bool keepSource);

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

    // Colour adjustments (any depth but 16; below 16 bits the palette
    // changes, for the whole picture even with a selection). Brightness adds
    // `amount` (-255..255) to every byte, or scales by amount percent.
    bool Brightness(std::int32_t amount, bool additive, ProgressValue* progressTarget = nullptr);
    bool Contrast(std::int32_t percent, ProgressValue* progressTarget = nullptr);
    // Hue and saturation scaled by their percentages in the HSL model.
    bool HueSaturation(std::int32_t huePercent, std::int32_t saturationPercent,
                       ProgressValue* progressTarget = nullptr);
    bool ColourBalance(std::int32_t red, std::int32_t green, std::int32_t blue,
                       ProgressValue* progressTarget = nullptr);
    bool Invert(ProgressValue* progressTarget = nullptr);

    // Filters of 24- and 32-bit pictures. The kernel ones read past the
    // picture's edges as if its border pixels repeated there; a selection
    // reads its real neighbours and keeps its coordinates.
    // `kernel` holds size * size weights row by row; 3 <= size < width and
    // height, divisor not 0.
    bool ApplyKernel(std::span<const std::int32_t> kernel, std::int32_t size, std::int32_t divisor);
    // One of the 21 named 3 x 3 kernels (codes 1, 2, 4, 8 ... 1048576).
    bool ApplyNamedFilter(std::uint32_t code);
    // Mean of size x size pixels; 2 <= size < width and height. Progress
    // goes to the picture's own value.
    bool BoxBlur(std::int32_t size);
    // Direction 8 smears to the right, 16 to the left; 0 < length <= width - 2.
    // Without fixedLength each row draws its own length below `length`.
    bool MotionBlur(std::int32_t length, std::int32_t direction, bool fixedLength,
                    ProgressValue* progressTarget = nullptr);
    bool BlurRow(std::uint32_t row, std::int32_t length, std::int32_t direction);
    bool Mosaic(std::int32_t blockSize, ProgressValue* progressTarget = nullptr);
    // 32 bits; 2 <= amount <= 100 and below width and height.
    bool Diffuse(std::int32_t amount);
    bool Emboss(std::int32_t depth, ProgressValue* progressTarget = nullptr);
    bool EdgeEnhance(std::int32_t amount, ProgressValue* progressTarget = nullptr);

    // Distortions.
    bool Wave(std::int32_t amplitudePercent, std::int32_t frequency,
              ProgressValue* progressTarget = nullptr);
    // Column x down by count pixels, 0xFF bytes above; 8 bits or more.
    bool ShiftColumnDown(std::uint32_t x, std::int32_t count);
    // 16 bits or more, at least 3 pixels wide (and high for Spherize).
    bool Cylinder();
    bool Spherize(std::int32_t amount, ProgressValue* progressTarget = nullptr);

    // `source` placed with its top-left corner at (x, y) over this picture;
    // only the overlap changes. Both 24 or 32 bits (AlphaBlend: source 32).
    // Combine modes: 1 AND, 2 OR, 4 XOR, 8 add, 16 source minus picture,
    // 32 multiply (all saturating).
    bool Combine(const CDibImage& source, std::int32_t mode, std::int32_t x, std::int32_t y);
    bool Blend(const CDibImage& source, std::int32_t opacity, std::int32_t x, std::int32_t y);
    bool AlphaBlend(const CDibImage& source, std::int32_t x, std::int32_t y);

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
    // Mode 0 (or no selection) replaces, 1 adds, others remove; then clips.
    void CombineSelection(gdi::Region shape, int mode);
    static std::int32_t Inclusive(std::int32_t edge);
    bool RotateQuarterTurn(bool clockwise);
    bool ShiftColumns(std::uint32_t pixels, bool left);
    bool ShiftRows(std::int32_t count, bool up);
};

// Adds `amount` (clamped to -255..255) to every byte of the span, each
// result limited to 0..255; long spans go through SIMD saturating adds.
void AddSaturated(std::uint8_t* bytes, std::size_t length, std::int32_t amount);
