#include "backends/wx/WxCanvas.h"

#include "backends/wx/WxText.h"
#include "ports/Image.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <gtk/gtk.h>
#include <wx/dc.h>
#include <wx/dcmemory.h>
#include <wx/image.h>
#include <wx/settings.h>

namespace quillan {

namespace {

bool IsPrintableAscii(std::string_view s)
{
    return std::all_of(s.begin(), s.end(), [](char ch) {
        auto c = static_cast<unsigned char>(ch);
        return c >= 0x20 && c < 0x7F;
    });
}

// Points per pixel as the toolkit's pango contexts convert them. Fonts are asked for in
// points, so the em size in pixels comes out right only with the same resolution.
double FontResolution()
{
    static const double dpi = [] {
        GdkScreen* screen = gdk_screen_get_default();
        double value = screen ? gdk_screen_get_resolution(screen) : -1;
        return value > 0 ? value : 96.0;
    }();
    return dpi;
}

} // namespace

wxColour ToWxColour(TColor color)
{
    if (color == clNone)
        return wxColour();
    auto value = static_cast<std::uint32_t>(color);
    if ((value & 0xFF000000u) == 0x80000000u) {
        // Win32 system colour indices and wxSystemColour values are the same numbers.
        std::uint32_t index = value & 0xFFFFFFu;
        if (index < wxSYS_COLOUR_MAX)
            return wxSystemSettings::GetColour(static_cast<wxSystemColour>(index));
        return *wxBLACK;
    }
    return wxColour(static_cast<unsigned char>(value & 0xFF), static_cast<unsigned char>((value >> 8) & 0xFF),
        static_cast<unsigned char>((value >> 16) & 0xFF));
}

struct TWxCanvas::TFontEntry {
    wxFont Font;
    TTextMetrics Metrics;
    int Ascii[128] = {}; // advances of 0x20..0x7E
    // Every printable ASCII character has the same advance, and a run of them is exactly that
    // many advances wide: the font needs no measuring to be drawn on its own grid.
    bool AsciiGrid = false;
};

TWxCanvas::TWxCanvas() = default;

TWxCanvas::TWxCanvas(wxDC& dc, const TRect& bounds)
{
    Bind(&dc, bounds);
}

TWxCanvas::~TWxCanvas()
{
    if (FMeasureDC)
        FMeasureDC->SelectObject(wxNullBitmap);
}

void TWxCanvas::Bind(wxDC* dc, const TRect& bounds)
{
    FDC = dc;
    FSaved.clear();
    FState = TState {};
    FState.Clip = bounds;
    FSelected = nullptr;
    FSelectedOn = nullptr;
    // The theme may have changed since the last paint.
    FColours.clear();
    if (FDC) {
        wxPoint origin = FDC->GetDeviceOrigin();
        FBaseOrigin = { origin.x, origin.y };
        FDC->SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
        ApplyMapping();
        ApplyClip();
    }
}

wxDC& TWxCanvas::MeasureDC()
{
    if (FDC)
        return *FDC;
    if (!FMeasureDC) {
        FMeasureBitmap = std::make_unique<wxBitmap>(8, 8);
        FMeasureDC = std::make_unique<wxMemoryDC>(*FMeasureBitmap);
    }
    return *FMeasureDC;
}

// --- fonts -----------------------------------------------------------------------------------

TWxCanvas::TFontEntry* TWxCanvas::MakeFont(const TFontSpec& font)
{
    const int pixels = std::max(font.PixelHeight(), 1);
    const TFontStyles style = font.Style & (fsBold | fsItalic | fsUnderline | fsStrikeOut);
    std::string key = font.Name + '\n' + std::to_string(pixels) + '\n' + std::to_string(style) + '\n'
        + (font.FixedPitch ? "f" : "p");
    auto it = FFonts.find(key);
    if (it != FFonts.end())
        return it->second.get();

    auto entry = std::make_unique<TFontEntry>();
    wxFontInfo info(pixels * 72.0 / (FFontResolution > 0 ? FFontResolution : FontResolution()));
    info.FaceName(wxString::FromUTF8(font.Name.data(), font.Name.size()))
        .Family(font.FixedPitch ? wxFONTFAMILY_TELETYPE : wxFONTFAMILY_DEFAULT)
        .Bold((style & fsBold) != 0)
        .Italic((style & fsItalic) != 0)
        .Underlined((style & fsUnderline) != 0)
        .Strikethrough((style & fsStrikeOut) != 0);
    entry->Font = wxFont(info);

    wxDC& dc = MeasureDC();
    SelectFont(dc, *entry);
    wxFontMetrics fm = dc.GetFontMetrics();
    entry->Metrics.Ascent = fm.ascent;
    entry->Metrics.Descent = fm.descent;
    entry->Metrics.Height = fm.ascent + fm.descent;
    entry->Metrics.ExternalLeading = std::max(fm.externalLeading, 0);
    entry->Metrics.AveCharWidth = fm.averageWidth;

    // One layout for all printable ASCII: the advances and whether a run of them adds up.
    wxString ascii;
    for (int c = 0x20; c < 0x7F; ++c)
        ascii += static_cast<wxChar>(c);
    wxArrayInt ends;
    dc.GetPartialTextExtents(ascii, ends);
    bool grid = ends.size() == ascii.size();
    int widest = 0;
    for (std::size_t k = 0; k < ends.size(); ++k) {
        int advance = ends[k] - (k ? ends[k - 1] : 0);
        entry->Ascii[0x20 + k] = advance;
        widest = std::max(widest, advance);
        grid = grid && advance == ends[0];
    }
    entry->AsciiGrid = grid && ends[0] > 0;
    entry->Metrics.MaxCharWidth = widest;
    // A font that reports no average takes the advance of a typical letter.
    if (entry->Metrics.AveCharWidth <= 0)
        entry->Metrics.AveCharWidth = entry->Ascii[static_cast<unsigned char>('x')];
    if (entry->AsciiGrid)
        entry->Metrics.AveCharWidth = ends[0];

    TFontEntry* result = entry.get();
    FFonts.emplace(std::move(key), std::move(entry));
    return result;
}

void TWxCanvas::SelectFont(wxDC& dc, TFontEntry& font)
{
    if (FSelected == &font && FSelectedOn == &dc)
        return;
    dc.SetFont(font.Font);
    FSelected = &font;
    FSelectedOn = &dc;
}

TWxCanvas::TFontEntry& TWxCanvas::CurrentFont()
{
    if (!FState.Entry)
        FState.Entry = MakeFont(FState.Font);
    return *FState.Entry;
}

const wxFont& TWxCanvas::CurrentWxFont()
{
    return CurrentFont().Font;
}

void TWxCanvas::SetFont(const TFontSpec& font)
{
    if (FState.Entry && font == FState.Font)
        return;
    FState.Font = font;
    FState.Entry = MakeFont(font);
}

TTextMetrics TWxCanvas::GetTextMetrics()
{
    return CurrentFont().Metrics;
}

int TWxCanvas::CharAdvance(char32_t c)
{
    TFontEntry& font = CurrentFont();
    if (c >= 0x20 && c < 0x7F)
        return font.Ascii[c];
    if (c < 0x20 || c == 0x7F || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        c = 0xFFFD;
    wxDC& dc = MeasureDC();
    SelectFont(dc, font);
    wxCoord w = 0, h = 0;
    dc.GetTextExtent(wxString(wxUniChar(static_cast<wxUint32>(c))), &w, &h);
    return w;
}

TSize TWxCanvas::TextExtent(std::string_view text)
{
    TFontEntry& font = CurrentFont();
    if (font.AsciiGrid && IsPrintableAscii(text)) {
        long long width = static_cast<long long>(text.size()) * font.Ascii[0x20];
        return { static_cast<int>(std::min<long long>(width, INT_MAX / 2)), font.Metrics.Height };
    }
    if (text.empty())
        return { 0, font.Metrics.Height };
    wxDC& dc = MeasureDC();
    SelectFont(dc, font);
    wxCoord w = 0, h = 0;
    dc.GetTextExtent(DisplayText(text), &w, &h);
    return { w, font.Metrics.Height };
}

const wxString& TWxCanvas::DisplayText(std::string_view text)
{
    FWide.clear();
    for (std::size_t i = 0; i < text.size();) {
        char32_t c = 0;
        std::size_t n = Utf8DecodeAt(text, i, c);
        if (n == 0 || c < 0x20 || c == 0x7F) {
            c = 0xFFFD;
            n = n == 0 ? 1 : n;
        }
        FWide.push_back(static_cast<wchar_t>(c));
        i += n;
    }
    FText.assign(FWide.data(), FWide.size());
    return FText;
}

// --- colours ---------------------------------------------------------------------------------

const wxColour& TWxCanvas::Colour(TColor color)
{
    auto it = FColours.find(color);
    if (it == FColours.end())
        it = FColours.emplace(color, ToWxColour(color)).first;
    return it->second;
}

void TWxCanvas::SetTextColor(TColor color)
{
    FState.TextColor = color;
}

void TWxCanvas::SetBackColor(TColor color)
{
    FState.BackColor = color;
}

// --- drawing ---------------------------------------------------------------------------------

void TWxCanvas::TextOut(int x, int y, std::string_view text)
{
    if (!CanDraw() || text.empty() || FState.TextColor == clNone)
        return;
    TFontEntry& font = CurrentFont();
    SelectFont(*FDC, font);
    FDC->SetTextForeground(Colour(FState.TextColor));
    FDC->DrawText(DisplayText(text), x, y);
    ++FTextCalls;
}

void TWxCanvas::DrawRun(int x, int y, std::size_t first, std::size_t last)
{
    if (first >= last)
        return;
    const long long left = x + FCellX[first];
    if (left > INT_MAX / 2 || left < INT_MIN / 2)
        return;
    FDC->DrawText(FText.Mid(first, last - first), static_cast<int>(left), y);
    ++FTextCalls;
}

void TWxCanvas::ExtTextOut(
    int x, int y, unsigned options, const TRect* rect, std::string_view text, const int* advances, std::size_t count)
{
    if (!CanDraw())
        return;
    if ((options & etoOpaque) && rect && FState.BackColor != clNone) {
        FDC->SetBrush(wxBrush(Colour(FState.BackColor)));
        FDC->SetPen(*wxTRANSPARENT_PEN);
        FDC->DrawRectangle(rect->Left, rect->Top, rect->Width(), rect->Height());
    }
    if (text.empty() || FState.TextColor == clNone)
        return;
    const bool clipped = (options & etoClipped) && rect;
    TRect savedClip = FState.Clip;
    if (clipped) {
        FState.Clip = FState.Clip.Intersect(ToDevice(*rect));
        if (FState.Clip.IsEmpty()) {
            FState.Clip = savedClip;
            return;
        }
        ApplyClip();
    }

    TFontEntry& font = CurrentFont();
    SelectFont(*FDC, font);
    FDC->SetTextForeground(Colour(FState.TextColor));
    DisplayText(text);
    const std::size_t chars = FWide.size();
    FCellX.assign(chars + 1, 0);
    bool onAsciiGrid = font.AsciiGrid && count > 0;
    for (std::size_t k = 0; k < chars; ++k) {
        const int advance = count == 0 ? 0 : advances[std::min(k, count - 1)];
        FCellX[k + 1] = FCellX[k] + advance;
        onAsciiGrid = onAsciiGrid && advance == font.Ascii[0x20] && FWide[k] >= 0x20 && FWide[k] < 0x7F;
    }

    if (onAsciiGrid) {
        DrawRun(x, y, 0, chars);
    } else {
        // Characters go out together for as long as the font's own advances keep them on the
        // caller's positions; a character the font sets differently starts a new call.
        wxArrayInt ends;
        FDC->GetPartialTextExtents(FText, ends);
        if (ends.size() != chars) {
            for (std::size_t k = 0; k < chars; ++k)
                DrawRun(x, y, k, k + 1);
        } else {
            std::size_t start = 0;
            auto naturalX = [&](std::size_t k) -> long long { return k ? ends[k - 1] : 0; };
            for (std::size_t k = 0; k < chars; ++k) {
                // A glyph from another face that is narrower than the cells it was given (a
                // wide character, typically, in two cells) goes alone, centred in them.
                const long long natural = naturalX(k + 1) - naturalX(k);
                const long long cells = FCellX[k + 1] - FCellX[k];
                if (FWide[k] >= 0x80 && natural < cells) {
                    DrawRun(x, y, start, k);
                    const long long left = x + FCellX[k] + (cells - natural) / 2;
                    if (left <= INT_MAX / 2 && left >= INT_MIN / 2) {
                        FDC->DrawText(FText.Mid(k, 1), static_cast<int>(left), y);
                        ++FTextCalls;
                    }
                    start = k + 1;
                } else if (k > start && naturalX(k) - naturalX(start) != FCellX[k] - FCellX[start]) {
                    DrawRun(x, y, start, k);
                    start = k;
                }
            }
            DrawRun(x, y, start, chars);
        }
    }

    if (clipped) {
        FState.Clip = savedClip;
        ApplyClip();
    }
}

void TWxCanvas::FillRect(const TRect& rect, TColor color)
{
    if (!CanDraw() || color == clNone || rect.IsEmpty())
        return;
    FDC->SetBrush(wxBrush(Colour(color)));
    FDC->SetPen(*wxTRANSPARENT_PEN);
    FDC->DrawRectangle(rect.Left, rect.Top, rect.Width(), rect.Height());
}

void TWxCanvas::Line(int x1, int y1, int x2, int y2, TColor color)
{
    if (!CanDraw() || color == clNone)
        return;
    // Straight lines are filled as one-pixel rectangles: a pen would be centred on the pixel
    // boundary and spread over two columns.
    if (x1 == x2) {
        if (y2 > y1)
            FillRect({ x1, y1, x1 + 1, y2 }, color);
        else if (y2 < y1)
            FillRect({ x1, y2 + 1, x1 + 1, y1 + 1 }, color);
        return;
    }
    if (y1 == y2) {
        if (x2 > x1)
            FillRect({ x1, y1, x2, y1 + 1 }, color);
        else
            FillRect({ x2 + 1, y1, x1 + 1, y1 + 1 }, color);
        return;
    }
    FDC->SetPen(wxPen(Colour(color), 1));
    FDC->DrawLine(x1, y1, x2, y2);
}

// --- images ----------------------------------------------------------------------------------

wxBitmap ToWxBitmap(const TImage& image)
{
    if (image.IsEmpty())
        return wxBitmap();
    wxImage img(image.Width(), image.Height(), false);
    img.InitAlpha();
    unsigned char* rgb = img.GetData();
    unsigned char* alpha = img.GetAlpha();
    for (const TImagePixel p : image.Pixels()) {
        *rgb++ = static_cast<unsigned char>(PixelRed(p));
        *rgb++ = static_cast<unsigned char>(PixelGreen(p));
        *rgb++ = static_cast<unsigned char>(PixelBlue(p));
        *alpha++ = static_cast<unsigned char>(PixelAlpha(p));
    }
    return wxBitmap(img, 32);
}

const wxBitmap& TWxCanvas::ImageBitmap(const TImage& image)
{
    // Painting draws the same few images (the bookmark glyphs) over and over; a handful of
    // conversions covers them, and a bound keeps images that changed from piling up.
    constexpr std::size_t MaxCachedImages = 32;
    auto it = FImageBitmaps.find(image.Id());
    if (it != FImageBitmaps.end())
        return *it->second;
    if (FImageOrder.size() >= MaxCachedImages) {
        FImageBitmaps.erase(FImageOrder.front());
        FImageOrder.erase(FImageOrder.begin());
    }
    FImageOrder.push_back(image.Id());
    return *FImageBitmaps.emplace(image.Id(), std::make_unique<wxBitmap>(ToWxBitmap(image))).first->second;
}

void TWxCanvas::DrawImage(int x, int y, const TImage& image, const TRect& source)
{
    const TRect src = source.Intersect(image.Bounds());
    if (!CanDraw() || src.IsEmpty())
        return;
    const wxBitmap& bitmap = ImageBitmap(image);
    if (!bitmap.IsOk())
        return;
    const int left = x + src.Left - source.Left, top = y + src.Top - source.Top;
    // The whole bitmap is drawn with the clip narrowed to the part: no sub-bitmap per call.
    const TRect savedClip = FState.Clip;
    const TRect clip = savedClip.Intersect(ToDevice({ left, top, left + src.Width(), top + src.Height() }));
    if (clip.IsEmpty())
        return;
    FState.Clip = clip;
    ApplyClip();
    FDC->DrawBitmap(bitmap, left - src.Left, top - src.Top, true);
    FState.Clip = savedClip;
    ApplyClip();
}

// --- clipping and mapping --------------------------------------------------------------------

TRect TWxCanvas::ToDevice(const TRect& r) const
{
    const TMapping& m = FState.Mapping;
    auto dx = [&](int v) { return m.Origin.X + static_cast<int>(std::lround(v * m.ScaleX)); };
    auto dy = [&](int v) { return m.Origin.Y + static_cast<int>(std::lround(v * m.ScaleY)); };
    return { dx(r.Left), dy(r.Top), dx(r.Right), dy(r.Bottom) };
}

TRect TWxCanvas::ToLogical(const TRect& r) const
{
    const TMapping& m = FState.Mapping;
    auto lx = [&](int v) { return static_cast<int>(std::lround((v - m.Origin.X) / m.ScaleX)); };
    auto ly = [&](int v) { return static_cast<int>(std::lround((v - m.Origin.Y) / m.ScaleY)); };
    return { lx(r.Left), ly(r.Top), lx(r.Right), ly(r.Bottom) };
}

void TWxCanvas::ApplyClip()
{
    if (!FDC)
        return;
    // wx intersects every new clipping region with the one before, so restoring a wider clip
    // starts from none.
    FDC->DestroyClippingRegion();
    if (FState.Clip.IsEmpty())
        return; // CanDraw() keeps every call away instead
    TRect logical = ToLogical(FState.Clip);
    FDC->SetClippingRegion(logical.Left, logical.Top, logical.Width(), logical.Height());
}

void TWxCanvas::ApplyMapping()
{
    if (!FDC)
        return;
    const TMapping& m = FState.Mapping;
    FDC->SetDeviceOrigin(FBaseOrigin.X + m.Origin.X, FBaseOrigin.Y + m.Origin.Y);
    FDC->SetUserScale(m.ScaleX, m.ScaleY);
    // Fonts are measured per scale by the DC; what was selected must be selected again.
    FSelected = nullptr;
}

void TWxCanvas::IntersectClipRect(const TRect& rect)
{
    FState.Clip = FState.Clip.Intersect(ToDevice(rect));
    ApplyClip();
}

TRect TWxCanvas::ClipBox()
{
    return ToLogical(FState.Clip);
}

void TWxCanvas::SaveState()
{
    FSaved.push_back(FState);
}

void TWxCanvas::RestoreState()
{
    if (FSaved.empty())
        return;
    const bool remap = FSaved.back().Mapping.Origin != FState.Mapping.Origin
        || FSaved.back().Mapping.ScaleX != FState.Mapping.ScaleX
        || FSaved.back().Mapping.ScaleY != FState.Mapping.ScaleY;
    const bool reclip = FSaved.back().Clip != FState.Clip;
    FState = FSaved.back();
    FSaved.pop_back();
    if (remap)
        ApplyMapping();
    if (remap || reclip)
        ApplyClip();
}

void TWxCanvas::SetMapping(TPoint viewportOrg, TSize windowExt, TSize viewportExt)
{
    TMapping m;
    if (windowExt.Width > 0 && windowExt.Height > 0 && viewportExt.Width > 0 && viewportExt.Height > 0) {
        m.Origin = viewportOrg;
        m.ScaleX = static_cast<double>(viewportExt.Width) / windowExt.Width;
        m.ScaleY = static_cast<double>(viewportExt.Height) / windowExt.Height;
    }
    FState.Mapping = m;
    ApplyMapping();
    ApplyClip();
}

} // namespace quillan
