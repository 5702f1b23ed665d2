#include "print/PrintRecorder.h"

#include "ports/Image.h"

#include <optional>

namespace quillan {

// Measures on the device's canvas and records everything that draws or changes the drawing
// state. The clip is followed here too, because the engine skips rows outside ClipBox.
class TPrintRecorder::TRecordingCanvas : public ICanvas {
public:
    TRecordingCanvas(TPrintRecorder& owner, ICanvas& measure)
        : FOwner(owner)
        , FMeasure(measure)
    {
    }

    void Reset(const TRect& bounds)
    {
        FClip = bounds;
        FSavedClips.clear();
    }

    void SetFont(const TFontSpec& font) override
    {
        FMeasure.SetFont(font);
        Record([font](ICanvas& c) { c.SetFont(font); });
    }
    TTextMetrics GetTextMetrics() override { return FMeasure.GetTextMetrics(); }
    int CharAdvance(char32_t c) override { return FMeasure.CharAdvance(c); }
    TSize TextExtent(std::string_view text) override { return FMeasure.TextExtent(text); }

    void SetTextColor(TColor color) override
    {
        Record([color](ICanvas& c) { c.SetTextColor(color); });
    }
    void SetBackColor(TColor color) override
    {
        Record([color](ICanvas& c) { c.SetBackColor(color); });
    }

    void TextOut(int x, int y, std::string_view text) override
    {
        Record([x, y, text = std::string(text)](ICanvas& c) { c.TextOut(x, y, text); });
    }
    void ExtTextOut(int x, int y, unsigned options, const TRect* rect, std::string_view text, const int* advances,
        std::size_t count) override
    {
        std::optional<TRect> r;
        if (rect)
            r = *rect;
        std::vector<int> a;
        if (advances)
            a.assign(advances, advances + count);
        Record([x, y, options, r, text = std::string(text), a = std::move(a), hasAdvances = advances != nullptr](
                   ICanvas& c) {
            c.ExtTextOut(x, y, options, r ? &*r : nullptr, text, hasAdvances ? a.data() : nullptr, a.size());
        });
    }
    void FillRect(const TRect& rect, TColor color) override
    {
        Record([rect, color](ICanvas& c) { c.FillRect(rect, color); });
    }
    void Line(int x1, int y1, int x2, int y2, TColor color) override
    {
        Record([=](ICanvas& c) { c.Line(x1, y1, x2, y2, color); });
    }
    void DrawImage(int x, int y, const TImage& image, const TRect& source) override
    {
        auto copy = std::make_shared<TImage>(image);
        Record([x, y, copy, source](ICanvas& c) { c.DrawImage(x, y, *copy, source); });
    }

    void IntersectClipRect(const TRect& rect) override
    {
        FClip = FClip.Intersect(rect);
        Record([rect](ICanvas& c) { c.IntersectClipRect(rect); });
    }
    TRect ClipBox() override { return FClip; }
    void SaveState() override
    {
        FMeasure.SaveState();
        FSavedClips.push_back(FClip);
        Record([](ICanvas& c) { c.SaveState(); });
    }
    void RestoreState() override
    {
        FMeasure.RestoreState();
        if (!FSavedClips.empty()) {
            FClip = FSavedClips.back();
            FSavedClips.pop_back();
        }
        Record([](ICanvas& c) { c.RestoreState(); });
    }
    void SetMapping(TPoint viewportOrg, TSize windowExt, TSize viewportExt) override
    {
        Record([=](ICanvas& c) { c.SetMapping(viewportOrg, windowExt, viewportExt); });
    }

private:
    void Record(TCall call)
    {
        if (!FOwner.FPages.empty())
            FOwner.FPages.back().push_back(std::move(call));
    }

    TPrintRecorder& FOwner;
    ICanvas& FMeasure;
    TRect FClip;
    std::vector<TRect> FSavedClips;
};

TPrintRecorder::TPrintRecorder(ICanvas& measure, const TPrinterDeviceCaps& caps)
    : FMeasure(measure)
    , FCaps(caps)
    , FCanvas(std::make_unique<TRecordingCanvas>(*this, measure))
{
}

TPrintRecorder::~TPrintRecorder() = default;

bool TPrintRecorder::GetDeviceCaps(TPrinterDeviceCaps& caps)
{
    caps = FCaps;
    return true;
}

void TPrintRecorder::BeginDoc(std::string_view title)
{
    FTitle = std::string(title);
    FPages.clear();
    FPages.emplace_back();
    FCanvas->Reset({ 0, 0, FCaps.PageWidth, FCaps.PageHeight });
    FPrinting = true;
    FCompleted = false;
}

ICanvas& TPrintRecorder::Canvas()
{
    return *FCanvas;
}

void TPrintRecorder::NewPage()
{
    FPages.emplace_back();
    FCanvas->Reset({ 0, 0, FCaps.PageWidth, FCaps.PageHeight });
}

void TPrintRecorder::EndDoc()
{
    FPrinting = false;
    FCompleted = true;
}

void TPrintRecorder::Abort() noexcept
{
    FPages.clear();
    FPrinting = false;
    FCompleted = false;
}

void TPrintRecorder::ReplayPage(int index, ICanvas& target) const
{
    if (index < 0 || index >= PageCount())
        return;
    for (const TCall& call : FPages[static_cast<std::size_t>(index)])
        call(target);
}

} // namespace quillan
