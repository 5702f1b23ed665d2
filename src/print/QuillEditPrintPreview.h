#pragma once

#include "base/Color.h"
#include "ports/Canvas.h"
#include "ports/EditorHost.h"
#include "ports/EditorWindowClient.h"

#include <cstdint>
#include <functional>
#include <string>

namespace quillan {

class TQuillEditPrint;
class TQuillEditPrintPreview;

enum class TQuillPreviewScale : std::uint8_t { pscWholePage = 0, pscPageWidth = 1, pscUserScaled = 2 };

inline constexpr const char* SPreviewPage = "Page: %d";
// The desktop's colour behind documents, and plain paper.
inline constexpr TColor clAppWorkSpace = static_cast<TColor>(0x8000000Cu);
inline constexpr TColor clPaperWhite = 0xFFFFFF;
inline constexpr TColor clPageShadow = 0x808080;
inline constexpr TColor clPaperBlack = 0x000000;

using TPreviewPageEvent = std::function<void(TQuillEditPrintPreview* sender, int pageNumber)>;
using TPreviewMouseEvent
    = std::function<void(TQuillEditPrintPreview* sender, TMouseButton button, TShiftState shift, int x, int y)>;

// One page of a print engine's output as paper on a desk: the page at a chosen scale with a border
// and a shadow, on the workspace colour. The control owns no window; a host gives it the client
// area, scroll bars, scrolling and the scroll tip, and forwards paint, mouse and scroll input
// (IEditorWindowClient). Nothing of a page is kept: every paint renders it again through the
// engine, in printer pixels, with the canvas mapping them to the page on screen.
class TQuillEditPrintPreview : public IEditorWindowClient {
public:
    // Room around the page: 12 pixels before it, 14 after it (border, shadow and a margin).
    static constexpr int PageBorder = 26;
    static constexpr int PageOrigin = 12;

    explicit TQuillEditPrintPreview(IEditorHost* host = nullptr);
    ~TQuillEditPrintPreview() override;
    TQuillEditPrintPreview(const TQuillEditPrintPreview&) = delete;
    TQuillEditPrintPreview& operator=(const TQuillEditPrintPreview&) = delete;

    // The window; nothing is measured or scrolled without one.
    void SetHost(IEditorHost* host) override;
    IEditorHost* Host() const { return FHost; }

    // Not owned: the owner clears it before the engine goes.
    void SetQuillEditPrint(TQuillEditPrint* engine);
    TQuillEditPrint* QuillEditPrint() const { return FEngine; }

    TQuillPreviewScale ScaleMode() const { return FScaleMode; }
    void SetScaleMode(TQuillPreviewScale value);
    int ScalePercent() const { return FScalePercent; }
    void SetScalePercent(int value);
    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    TColor PageBGColor() const { return FPageBGColor; }
    void SetPageBGColor(TColor value);
    bool ShowScrollHint() const { return FShowScrollHint; }
    void SetShowScrollHint(bool value) { FShowScrollHint = value; }
    // The screen's resolution, for showing pages at their real size in pscUserScaled.
    TSize ScreenPixelsPerInch() const { return FScreenPpi; }
    void SetScreenPixelsPerInch(TSize value);

    int PageNumber() const { return FPageNumber; }
    // The engine's page count; 1 without an engine.
    int PageCount() const;

    void FirstPage();
    void PreviousPage();
    void NextPage();
    void LastPage();
    // After the engine's content or settings changed: paginates again on the window's canvas.
    void UpdatePreview();
    // Prints every page once through the engine, then shows the new state.
    void PrintDocument();
    // The window's size changed.
    void Resize();

    // Geometry as last computed, in client pixels.
    TSize PageSize() const { return FPageSize; }
    TSize VirtualSize() const { return FVirtualSize; }
    TPoint PageOrg() const { return FPageOrg; }
    TPoint ScrollPos() const { return FScrollPos; }
    // Where the page is drawn now, scroll position included.
    TRect PageRect() const;

    void ScrollToX(int value);
    void ScrollToY(int value);

    TPreviewPageEvent OnPreviewPage;
    TPreviewMouseEvent OnMouseDown;
    TPreviewMouseEvent OnMouseUp;
    std::function<void(TQuillEditPrintPreview* sender)> OnClick;

    // --- IEditorWindowClient -------------------------------------------------------------------
    void Paint(ICanvas& canvas, const TRect& rect) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState, int, int) override { }
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseCaptureLost() override { FPressed = false; }
    void MouseWheel(int, int, TShiftState, int, int) override { }
    TCursor CursorAt(int, int) override { return crArrow; }
    void Scroll(TScrollBarKind bar, TScrollCode code, int pos) override;
    void TimerTick() override { }
    void Resized() override { Resize(); }
    // The preview window's own shortcuts work its buttons; the page takes no keys, text or drops.
    void FocusIn() override { }
    void FocusOut() override { }
    bool KeyDown(TVirtualKey, TShiftState) override { return false; }
    void CharTyped(char32_t) override { }
    void InputMethodText(std::string_view) override { }
    bool TakesFileDrops() const override { return false; }
    void FilesDropped(int, int, const std::vector<std::string>&) override { }
    TDropEffect TextDragOver(const IEditorWindowClient*, TShiftState, int, int) override { return TDropEffect::deNone; }
    void TextDragLeave() override { }
    bool TextDragDrop(IEditorWindowClient*, TShiftState, int, int) override { return false; }
    bool TextDropped(std::string_view, int, int) override { return false; }
    bool TakesTextDrops() const override { return false; }
    std::string SelectedText() const override { return {}; }
    TRect CaretCell() const override { return {}; }
    TRect TextArea() const override { return {}; }

private:
    void RecalcPageRect();
    void UpdateScrollBars();
    void Invalidate();
    void PageChanged();
    void GoToPage(int page);
    void ScrollTo(bool vertical, int value);
    void ScrollMessage(bool vertical, TScrollCode code, int pos);
    void PaperSize(int& width, int& height) const;

    IEditorHost* FHost = nullptr;
    TQuillEditPrint* FEngine = nullptr;
    TQuillPreviewScale FScaleMode = TQuillPreviewScale::pscUserScaled;
    int FScalePercent = 100;
    TColor FColor = clAppWorkSpace;
    TColor FPageBGColor = clPaperWhite;
    bool FShowScrollHint = true;
    TSize FScreenPpi { 96, 96 };
    int FPageNumber = 1;
    TSize FPageSize;
    TSize FVirtualSize;
    TPoint FPageOrg;
    TPoint FScrollPos;
    bool FPressed = false;
    bool FHintShown = false;
};

} // namespace quillan
