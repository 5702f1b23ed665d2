#pragma once

#include "backends/headless/HeadlessCanvas.h"
#include "ports/EditorHost.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace quillan {

// The clipboard held in memory. FailWrites and FailReads let tests take the paths where the
// system clipboard refuses.
class THeadlessClipboard : public IClipboard {
public:
    bool SetContents(std::string_view text, std::string_view formatName, std::string_view formatData) override;
    bool HasText() override { return FHasText; }
    bool HasFormat(std::string_view formatName) override;
    std::optional<std::string> GetText() override;
    std::optional<std::string> GetFormat(std::string_view formatName) override;

    // What another program would leave: plain text only.
    void SetText(std::string_view text);
    void Clear();

    bool FailWrites = false;
    bool FailReads = false;

private:
    bool FHasText = false;
    std::string FText;
    std::map<std::string, std::string, std::less<>> FFormats;
};

// Window services without a window: a client area of a given size (674 x 480 by default, which
// with the editor's default gutter and the 8 x 16 cells of the headless canvas holds 30 lines of
// 80 columns), and a record of what the control asked for.
class THeadlessHost : public IEditorHost {
public:
    static constexpr TSize DefaultClientSize { 674, 480 };

    TSize ClientSize() override { return FClientSize; }
    void InvalidateRect(const TRect* rect) override;
    void ScrollWindow(int dx, int dy, const TRect* rect) override;
    void SetScrollInfo(TScrollBarKind bar, const TScrollInfo& info) override;

    void CreateCaret(int width, int height) override;
    void SetCaretPos(int x, int y) override;
    void ShowCaret() override;
    void HideCaret() override;
    void DestroyCaret() override;

    void SetTimer(int intervalMs) override { FTimerInterval = intervalMs; }
    void KillTimer() override { FTimerInterval = 0; }

    void SetCapture() override { FCaptured = true; }
    void ReleaseCapture() override { FCaptured = false; }
    bool HasCapture() override { return FCaptured; }
    void SetFocus() override { FFocused = true; }
    bool Focused() override { return FFocused; }

    // Declines unless AcceptTextDrags is set; then it records the text and, as a real drag does,
    // takes the mouse away from the control.
    bool BeginTextDrag(std::string_view text) override;

    IClipboard& Clipboard() override { return FClipboard; }
    ICanvas& MeasureCanvas() override { return FCanvas; }

    bool AcceptTextDrags = false;
    // The text of every drag begun, in order.
    const std::vector<std::string>& TextDrags() const { return FTextDrags; }

    // Test side. Changing the size does not tell the control; call its Resize afterwards.
    void SetClientSize(TSize size) { FClientSize = size; }
    void SetFocused(bool value) { FFocused = value; }
    THeadlessClipboard& HeadlessClipboard() { return FClipboard; }
    THeadlessCanvas& Canvas() { return FCanvas; }

    // Everything invalidated since the last ClearInvalid, as one rectangle, and how many calls.
    const TRect& InvalidRect() const { return FInvalid; }
    int InvalidateCount() const { return FInvalidateCount; }
    void ClearInvalid()
    {
        FInvalid = {};
        FInvalidateCount = 0;
    }
    const TScrollInfo& ScrollInfo(TScrollBarKind bar) const
    {
        return bar == TScrollBarKind::sbVertical ? FVertical : FHorizontal;
    }
    int ScrollInfoCount() const { return FScrollInfoCount; }
    // dy of every ScrollWindow call, in order.
    const std::vector<int>& Scrolls() const { return FScrolls; }

    bool CaretCreated() const { return FCaretCreated; }
    TSize CaretSize() const { return FCaretSize; }
    TPoint CaretPos() const { return FCaretPos; }
    // Show/hide calls nest like the platform's: the caret is visible above 0.
    bool CaretVisible() const { return FCaretCreated && FCaretShowCount > 0; }
    int TimerInterval() const { return FTimerInterval; }

private:
    TSize FClientSize = DefaultClientSize;
    TRect FInvalid;
    int FInvalidateCount = 0;
    TScrollInfo FHorizontal;
    TScrollInfo FVertical;
    int FScrollInfoCount = 0;
    std::vector<int> FScrolls;
    bool FCaretCreated = false;
    TSize FCaretSize;
    TPoint FCaretPos;
    int FCaretShowCount = 0;
    int FTimerInterval = 0;
    bool FCaptured = false;
    bool FFocused = true;
    std::vector<std::string> FTextDrags;
    THeadlessClipboard FClipboard;
    THeadlessCanvas FCanvas;
};

} // namespace quillan
