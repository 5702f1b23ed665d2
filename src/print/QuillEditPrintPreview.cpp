#include "print/QuillEditPrintPreview.h"

#include "print/QuillEditPrint.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace quillan {

namespace {

// a * b / c in 64 bits, rounded to nearest with halves away from zero; 0 when c is 0.
int MulDiv(int a, int b, int c)
{
    if (c == 0)
        return 0;
    const std::int64_t p = static_cast<std::int64_t>(a) * b;
    const bool negative = (p < 0) != (c < 0);
    const std::int64_t n = std::llabs(p);
    const std::int64_t d = std::llabs(static_cast<std::int64_t>(c));
    const std::int64_t q = (2 * n + d) / (2 * d);
    return static_cast<int>(negative ? -q : q);
}

std::string PageHint(int page)
{
    char text[32];
    std::snprintf(text, sizeof text, SPreviewPage, page);
    return text;
}

} // namespace

TQuillEditPrintPreview::TQuillEditPrintPreview(IEditorHost* host)
    : FHost(host)
{
}

TQuillEditPrintPreview::~TQuillEditPrintPreview() = default;

void TQuillEditPrintPreview::SetHost(IEditorHost* host)
{
    FHost = host;
    FHintShown = false;
    if (FHost) {
        RecalcPageRect();
        Invalidate();
    }
}

void TQuillEditPrintPreview::SetQuillEditPrint(TQuillEditPrint* engine)
{
    if (FEngine == engine)
        return;
    FEngine = engine;
    RecalcPageRect();
    Invalidate();
}

void TQuillEditPrintPreview::SetScaleMode(TQuillPreviewScale value)
{
    if (FScaleMode == value)
        return;
    FScaleMode = value;
    FScrollPos = {};
    RecalcPageRect();
    Invalidate();
}

void TQuillEditPrintPreview::SetScalePercent(int value)
{
    if (FScalePercent == value) {
        SetScaleMode(TQuillPreviewScale::pscUserScaled);
        return;
    }
    FScaleMode = TQuillPreviewScale::pscUserScaled;
    FScrollPos = {};
    FScalePercent = value;
    RecalcPageRect();
    Invalidate();
}

void TQuillEditPrintPreview::SetColor(TColor value)
{
    if (FColor != value) {
        FColor = value;
        Invalidate();
    }
}

void TQuillEditPrintPreview::SetPageBGColor(TColor value)
{
    if (FPageBGColor != value) {
        FPageBGColor = value;
        Invalidate();
    }
}

void TQuillEditPrintPreview::SetScreenPixelsPerInch(TSize value)
{
    if (value.Width <= 0 || value.Height <= 0 || value == FScreenPpi)
        return;
    FScreenPpi = value;
    RecalcPageRect();
    Invalidate();
}

int TQuillEditPrintPreview::PageCount() const
{
    if (!FEngine)
        return 1;
    int count = FEngine->PageCount();
    if (count <= 0 && FHost) {
        FEngine->Paginate(FHost->MeasureCanvas());
        count = FEngine->PageCount();
    }
    return std::max(count, 1);
}

// --- pages ---------------------------------------------------------------------------------------

void TQuillEditPrintPreview::PageChanged()
{
    if (OnPreviewPage)
        OnPreviewPage(this, FPageNumber);
    UpdateScrollBars();
    Invalidate();
}

void TQuillEditPrintPreview::GoToPage(int page)
{
    FPageNumber = std::max(page, 1);
    PageChanged();
}

void TQuillEditPrintPreview::FirstPage()
{
    GoToPage(1);
}

void TQuillEditPrintPreview::PreviousPage()
{
    GoToPage(FPageNumber - 1);
}

void TQuillEditPrintPreview::NextPage()
{
    // Without an engine there is no last page to stop at.
    GoToPage(FEngine ? std::min(FPageNumber + 1, PageCount()) : FPageNumber + 1);
}

void TQuillEditPrintPreview::LastPage()
{
    GoToPage(FEngine ? PageCount() : FPageNumber);
}

void TQuillEditPrintPreview::UpdatePreview()
{
    const TQuillPreviewScale mode = FScaleMode;
    const int percent = FScalePercent;
    SetScalePercent(100);
    if (FEngine && FHost)
        FEngine->Paginate(FHost->MeasureCanvas());
    RecalcPageRect();
    SetScaleMode(mode);
    if (mode == TQuillPreviewScale::pscUserScaled)
        SetScalePercent(percent);
    Invalidate();
}

void TQuillEditPrintPreview::PrintDocument()
{
    if (!FEngine)
        return;
    FEngine->Print();
    UpdatePreview();
}

void TQuillEditPrintPreview::Resize()
{
    RecalcPageRect();
    Invalidate();
}

// --- geometry ------------------------------------------------------------------------------------

void TQuillEditPrintPreview::PaperSize(int& width, int& height) const
{
    if (FEngine) {
        TQuillEditPrinterInfo& info = FEngine->PrinterInfo();
        width = info.PaperWidth();
        height = info.PaperHeight();
    }
    if (!FEngine || width <= 0 || height <= 0) {
        width = 100;
        height = 141;
    }
}

void TQuillEditPrintPreview::RecalcPageRect()
{
    if (!FHost)
        return;
    const TSize client = FHost->ClientSize();
    const int w = client.Width;
    const int h = client.Height;
    int paperWidth = 0, paperHeight = 0;
    PaperSize(paperWidth, paperHeight);
    switch (FScaleMode) {
    case TQuillPreviewScale::pscWholePage: {
        FPageSize = { w - PageBorder, h - PageBorder };
        const int fitting = MulDiv(FPageSize.Height, paperWidth, paperHeight);
        if (fitting < FPageSize.Width)
            FPageSize.Width = fitting;
        else
            FPageSize.Height = MulDiv(FPageSize.Width, paperHeight, paperWidth);
        break;
    }
    case TQuillPreviewScale::pscPageWidth:
        FPageSize.Width = w - PageBorder;
        FPageSize.Height = MulDiv(FPageSize.Width, paperHeight, paperWidth);
        break;
    case TQuillPreviewScale::pscUserScaled: {
        int dpiX = 0, dpiY = 0;
        if (FEngine) {
            dpiX = FEngine->PrinterInfo().DpiX();
            dpiY = FEngine->PrinterInfo().DpiY();
        }
        // Without a printer the outline stands for a page as many pixels wide as the screen's.
        const int realWidth = dpiX > 0 ? MulDiv(paperWidth, FScreenPpi.Width, dpiX) : paperWidth;
        const int realHeight = dpiY > 0 ? MulDiv(paperHeight, FScreenPpi.Height, dpiY) : paperHeight;
        FPageSize = { MulDiv(realWidth, FScalePercent, 100), MulDiv(realHeight, FScalePercent, 100) };
        break;
    }
    }
    FVirtualSize = { FPageSize.Width + PageBorder, FPageSize.Height + PageBorder };
    FPageOrg = { PageOrigin, PageOrigin };
    if (FVirtualSize.Width < w)
        FPageOrg.X += (w - FVirtualSize.Width) / 2;
    if (FVirtualSize.Height < h)
        FPageOrg.Y += (h - FVirtualSize.Height) / 2;
    FScrollPos = {};
    UpdateScrollBars();
}

void TQuillEditPrintPreview::UpdateScrollBars()
{
    if (!FHost)
        return;
    const TSize client = FHost->ClientSize();
    // A bar whose range fits its page shows disabled: the window keeps its layout.
    const TScrollInfo none { 0, 0, 0, 0, true };
    auto over = [](int virtualSize, int clientSize, int scroll) {
        return TScrollInfo { 0, std::max(virtualSize - 1, 0), std::max(clientSize, 0), -scroll, true };
    };
    switch (FScaleMode) {
    case TQuillPreviewScale::pscWholePage:
        FHost->SetScrollInfo(TScrollBarKind::sbHorizontal, none);
        FHost->SetScrollInfo(TScrollBarKind::sbVertical, TScrollInfo { 1, PageCount(), 1, FPageNumber, true });
        break;
    case TQuillPreviewScale::pscPageWidth:
        FHost->SetScrollInfo(TScrollBarKind::sbHorizontal, none);
        FHost->SetScrollInfo(TScrollBarKind::sbVertical, over(FVirtualSize.Height, client.Height, FScrollPos.Y));
        break;
    case TQuillPreviewScale::pscUserScaled:
        FHost->SetScrollInfo(TScrollBarKind::sbHorizontal, over(FVirtualSize.Width, client.Width, FScrollPos.X));
        FHost->SetScrollInfo(TScrollBarKind::sbVertical, over(FVirtualSize.Height, client.Height, FScrollPos.Y));
        break;
    }
}

TRect TQuillEditPrintPreview::PageRect() const
{
    const int x = FPageOrg.X + FScrollPos.X;
    // Whole pages scroll by page, not by pixel.
    const int y = FPageOrg.Y + (FScaleMode == TQuillPreviewScale::pscWholePage ? 0 : FScrollPos.Y);
    return { x, y, x + FPageSize.Width, y + FPageSize.Height };
}

void TQuillEditPrintPreview::Invalidate()
{
    if (FHost)
        FHost->InvalidateRect(nullptr);
}

// --- scrolling -----------------------------------------------------------------------------------

void TQuillEditPrintPreview::ScrollToX(int value)
{
    ScrollTo(false, value);
}

void TQuillEditPrintPreview::ScrollToY(int value)
{
    ScrollTo(true, value);
}

void TQuillEditPrintPreview::ScrollTo(bool vertical, int value)
{
    if (!FHost)
        return;
    const TSize client = FHost->ClientSize();
    const int clientSize = vertical ? client.Height : client.Width;
    const int virtualSize = vertical ? FVirtualSize.Height : FVirtualSize.Width;
    value = std::clamp(value, std::min(clientSize - virtualSize, 0), 0);
    int& pos = vertical ? FScrollPos.Y : FScrollPos.X;
    if (value == pos)
        return;
    const int delta = value - pos;
    pos = value;
    UpdateScrollBars();
    if (std::abs(delta) > clientSize / 2)
        Invalidate();
    else if (vertical)
        FHost->ScrollWindow(0, delta, nullptr);
    else
        FHost->ScrollWindow(delta, 0, nullptr);
}

void TQuillEditPrintPreview::ScrollMessage(bool vertical, TScrollCode code, int pos)
{
    const TSize client = FHost->ClientSize();
    const int clientSize = vertical ? client.Height : client.Width;
    const int virtualSize = vertical ? FVirtualSize.Height : FVirtualSize.Width;
    const int current = vertical ? FScrollPos.Y : FScrollPos.X;
    switch (code) {
    case TScrollCode::scLineUp:
        ScrollTo(vertical, current + clientSize / 10);
        break;
    case TScrollCode::scLineDown:
        ScrollTo(vertical, current - clientSize / 10);
        break;
    case TScrollCode::scPageUp:
        ScrollTo(vertical, current + clientSize / 2);
        break;
    case TScrollCode::scPageDown:
        ScrollTo(vertical, current - clientSize / 2);
        break;
    case TScrollCode::scTrack:
    case TScrollCode::scPosition:
        ScrollTo(vertical, -pos);
        break;
    case TScrollCode::scTop:
        ScrollTo(vertical, 0);
        break;
    case TScrollCode::scBottom:
        ScrollTo(vertical, -virtualSize);
        break;
    case TScrollCode::scEndScroll:
        break;
    }
}

void TQuillEditPrintPreview::Scroll(TScrollBarKind bar, TScrollCode code, int pos)
{
    if (!FHost)
        return;
    const bool vertical = bar == TScrollBarKind::sbVertical;
    if (FScaleMode != TQuillPreviewScale::pscWholePage) {
        ScrollMessage(vertical, code, pos);
        return;
    }
    if (!vertical || !FEngine)
        return;
    const int count = PageCount();
    switch (code) {
    case TScrollCode::scLineUp:
    case TScrollCode::scPageUp:
        FPageNumber = std::max(FPageNumber - 1, 1);
        break;
    case TScrollCode::scLineDown:
    case TScrollCode::scPageDown:
        FPageNumber = std::min(FPageNumber + 1, count);
        break;
    case TScrollCode::scTop:
        FPageNumber = 1;
        break;
    case TScrollCode::scBottom:
        FPageNumber = count;
        break;
    case TScrollCode::scTrack:
    case TScrollCode::scPosition:
        FPageNumber = std::clamp(pos, 1, count);
        if (FShowScrollHint) {
            FHost->ShowScrollHint(PageHint(FPageNumber), FHost->ClientSize().Width - 4, 10);
            FHintShown = true;
        }
        break;
    case TScrollCode::scEndScroll:
        if (FShowScrollHint && FHintShown) {
            FHost->HideScrollHint();
            FHintShown = false;
        }
        break;
    }
    UpdateScrollBars();
    if (OnPreviewPage)
        OnPreviewPage(this, FPageNumber);
    Invalidate();
}

// --- painting ------------------------------------------------------------------------------------

void TQuillEditPrintPreview::Paint(ICanvas& canvas, const TRect& rect)
{
    if (!FEngine) {
        canvas.FillRect(rect, FColor);
        const TRect outline { PageOrigin, PageOrigin, 42, 55 };
        canvas.FillRect(outline, FPageBGColor);
        canvas.Line(outline.Left, outline.Top, outline.Right, outline.Top, clPaperBlack);
        canvas.Line(outline.Left, outline.Bottom - 1, outline.Right, outline.Bottom - 1, clPaperBlack);
        canvas.Line(outline.Left, outline.Top, outline.Left, outline.Bottom, clPaperBlack);
        canvas.Line(outline.Right - 1, outline.Top, outline.Right - 1, outline.Bottom, clPaperBlack);
        return;
    }
    const TRect page = PageRect();

    // The desk: everything of `rect` the page does not cover.
    const TRect bands[] = {
        { rect.Left, rect.Top, rect.Right, std::min(page.Top, rect.Bottom) },
        { rect.Left, std::max(page.Bottom, rect.Top), rect.Right, rect.Bottom },
        { rect.Left, std::max(page.Top, rect.Top), std::min(page.Left, rect.Right),
            std::min(page.Bottom, rect.Bottom) },
        { std::max(page.Right, rect.Left), std::max(page.Top, rect.Top), rect.Right,
            std::min(page.Bottom, rect.Bottom) },
    };
    for (const TRect& band : bands)
        if (!band.IsEmpty())
            canvas.FillRect(band, FColor);

    for (int d = 1; d <= 2; ++d) {
        canvas.Line(page.Left + d, page.Bottom - 1 + d, page.Right + d, page.Bottom - 1 + d, clPageShadow);
        canvas.Line(page.Right - 1 + d, page.Top + d, page.Right - 1 + d, page.Bottom - 1 + d, clPageShadow);
    }

    const TRect paper = page.Intersect(rect);
    if (paper.IsEmpty() || FPageSize.Width <= 0 || FPageSize.Height <= 0)
        return;
    canvas.SaveState();
    canvas.IntersectClipRect(page);
    canvas.FillRect(paper, FPageBGColor);
    canvas.Line(page.Left, page.Top, page.Right, page.Top, clPaperBlack);
    canvas.Line(page.Left, page.Bottom - 1, page.Right, page.Bottom - 1, clPaperBlack);
    canvas.Line(page.Left, page.Top, page.Left, page.Bottom, clPaperBlack);
    canvas.Line(page.Right - 1, page.Top, page.Right - 1, page.Bottom, clPaperBlack);

    // The engine draws in printer pixels; the mapping puts the sheet on the page on screen. The
    // border stays: content is clipped to the inside of the page as well as to the printable area.
    canvas.IntersectClipRect({ page.Left + 1, page.Top + 1, page.Right - 1, page.Bottom - 1 });
    TQuillEditPrinterInfo& info = FEngine->PrinterInfo();
    const TSize sheet { info.PaperWidth(), info.PaperHeight() };
    if (sheet.Width > 0 && sheet.Height > 0) {
        const TPoint origin { page.Left + MulDiv(info.OffsetLeft(), FPageSize.Width, sheet.Width),
            page.Top + MulDiv(info.OffsetTop(), FPageSize.Height, sheet.Height) };
        canvas.SetMapping(origin, sheet, FPageSize);
        canvas.IntersectClipRect({ 0, 0, info.PrintableWidth(), info.PrintableHeight() });
        FEngine->RenderPage(canvas, FPageNumber);
    }
    canvas.RestoreState();
}

// --- mouse ---------------------------------------------------------------------------------------

void TQuillEditPrintPreview::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    FPressed = true;
    if (OnMouseDown)
        OnMouseDown(this, button, shift, x, y);
}

void TQuillEditPrintPreview::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    const bool click = FPressed && button == TMouseButton::mbLeft;
    FPressed = false;
    if (OnMouseUp)
        OnMouseUp(this, button, shift, x, y);
    if (click && OnClick)
        OnClick(this);
}

} // namespace quillan
