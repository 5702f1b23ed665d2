#include "backends/headless/HeadlessCanvas.h"

#include "base/Utf8.h"
#include "ports/Image.h"

#include <charconv>
#include <cstdio>

namespace quillan {

namespace {

std::string ColorText(TColor color)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "#%08X", static_cast<unsigned>(color));
    return buf;
}

std::string ImageLabel(const TImage& image)
{
    return image.Name().empty() ? '#' + std::to_string(image.Id()) : image.Name();
}

std::string RectText(const TRect& r)
{
    return std::to_string(r.Left) + ' ' + std::to_string(r.Top) + ' ' + std::to_string(r.Right) + ' '
        + std::to_string(r.Bottom);
}

// Length of the well-formed UTF-8 sequence at text[i], or 1 when there is none.
std::size_t SequenceLength(std::string_view text, std::size_t i)
{
    char32_t c;
    return DecodeCharAt(text, i, c);
}

// Puts ":8,16,8", every character's advance, after the width at `at`: where they differ (wide
// characters) a test sees where each character starts. Out of line: plain text never needs it.
[[gnu::noinline]] void InsertAdvances(
    std::string& call, std::size_t at, const int* advances, std::size_t count, std::size_t cells)
{
    std::string list;
    for (std::size_t i = 0; i < cells; ++i) {
        char number[16];
        list += i > 0 ? ',' : ':';
        list.append(number, std::to_chars(number, number + sizeof number, advances[i < count ? i : count - 1]).ptr);
    }
    call.insert(at, list);
}

} // namespace

std::size_t Utf8CellCount(std::string_view text)
{
    std::size_t cells = 0;
    for (std::size_t i = 0; i < text.size(); i += SequenceLength(text, i))
        ++cells;
    return cells;
}

void THeadlessCanvas::Record(std::string call)
{
    FCalls.push_back(std::move(call));
}

void THeadlessCanvas::SetFont(const TFontSpec& font)
{
    FState.Font = font;
    Record("SetFont " + font.Name + ' ' + std::to_string(font.Size) + ' ' + std::to_string(font.Style));
}

TTextMetrics THeadlessCanvas::GetTextMetrics()
{
    TTextMetrics tm;
    tm.Height = CellHeight;
    tm.Ascent = CellHeight - 3;
    tm.Descent = 3;
    tm.AveCharWidth = CellWidth;
    tm.MaxCharWidth = CellWidth;
    return tm;
}

int THeadlessCanvas::CharAdvance(char32_t)
{
    return CellWidth;
}

TSize THeadlessCanvas::TextExtent(std::string_view text)
{
    return { static_cast<int>(Utf8CellCount(text)) * CellWidth, CellHeight };
}

void THeadlessCanvas::SetTextColor(TColor color)
{
    FState.TextColor = color;
}

void THeadlessCanvas::SetBackColor(TColor color)
{
    FState.BackColor = color;
}

void THeadlessCanvas::TextOut(int x, int y, std::string_view text)
{
    Record("TextOut " + std::to_string(x) + ' ' + std::to_string(y) + ' ' + ColorText(FState.TextColor) + ' '
        + std::string(text));
}

void THeadlessCanvas::ExtTextOut(
    int x, int y, unsigned options, const TRect* rect, std::string_view text, const int* advances, std::size_t count)
{
    std::string call = "ExtTextOut " + std::to_string(x) + ' ' + std::to_string(y) + ' ' + std::to_string(options);
    if (rect)
        call += " [" + RectText(*rect) + ']';
    call += ' ' + ColorText(FState.TextColor) + ' ' + ColorText(FState.BackColor);
    int width = 0;
    int differs = 0; // bits where some advance differs from the first
    const std::size_t cells = Utf8CellCount(text);
    const std::size_t given = cells < count ? cells : count;
    for (std::size_t i = 0; i < given; ++i) {
        width += advances[i];
        differs |= advances[i] ^ advances[0];
    }
    if (cells > given && count > 0) {
        width += static_cast<int>(cells - given) * advances[count - 1];
        differs |= advances[count - 1] ^ advances[0];
    }
    call += " w" + std::to_string(width) + ' ' + std::string(text);
    if (differs != 0) [[unlikely]]
        InsertAdvances(call, call.size() - text.size() - 1, advances, count, cells);
    Record(std::move(call));
}

void THeadlessCanvas::FillRect(const TRect& rect, TColor color)
{
    Record("FillRect " + RectText(rect) + ' ' + ColorText(color));
}

void THeadlessCanvas::Line(int x1, int y1, int x2, int y2, TColor color)
{
    Record("Line " + RectText({ x1, y1, x2, y2 }) + ' ' + ColorText(color));
}

void THeadlessCanvas::DrawImage(int x, int y, const TImage& image, const TRect& source)
{
    Record("DrawImage " + std::to_string(x) + ' ' + std::to_string(y) + " [" + RectText(source) + "] "
        + ImageLabel(image));
}

void THeadlessCanvas::IntersectClipRect(const TRect& rect)
{
    FState.Clip = FState.Clip.Intersect(rect);
    Record("Clip " + RectText(FState.Clip));
}

TRect THeadlessCanvas::ClipBox()
{
    return FState.Clip;
}

void THeadlessCanvas::SaveState()
{
    FSaved.push_back(FState);
}

void THeadlessCanvas::RestoreState()
{
    if (!FSaved.empty()) {
        FState = FSaved.back();
        FSaved.pop_back();
    }
}

void THeadlessCanvas::SetBounds(const TRect& bounds)
{
    FState.Clip = bounds;
}

void THeadlessCanvas::SetMapping(TPoint viewportOrg, TSize windowExt, TSize viewportExt)
{
    Record("SetMapping " + std::to_string(viewportOrg.X) + ' ' + std::to_string(viewportOrg.Y) + ' '
        + std::to_string(windowExt.Width) + ' ' + std::to_string(windowExt.Height) + ' '
        + std::to_string(viewportExt.Width) + ' ' + std::to_string(viewportExt.Height));
}

} // namespace quillan
