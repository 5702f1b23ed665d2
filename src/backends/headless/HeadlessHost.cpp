#include "backends/headless/HeadlessHost.h"

namespace quillan {

bool THeadlessClipboard::SetContents(std::string_view text, std::string_view formatName, std::string_view formatData)
{
    if (FailWrites)
        return false;
    Clear();
    FHasText = true;
    FText = text;
    if (!formatName.empty())
        FFormats.emplace(std::string(formatName), std::string(formatData));
    return true;
}

bool THeadlessClipboard::HasFormat(std::string_view formatName)
{
    return FFormats.find(formatName) != FFormats.end();
}

std::optional<std::string> THeadlessClipboard::GetText()
{
    if (FailReads || !FHasText)
        return std::nullopt;
    return FText;
}

std::optional<std::string> THeadlessClipboard::GetFormat(std::string_view formatName)
{
    auto it = FFormats.find(formatName);
    if (FailReads || it == FFormats.end())
        return std::nullopt;
    return it->second;
}

void THeadlessClipboard::SetText(std::string_view text)
{
    Clear();
    FHasText = true;
    FText = text;
}

void THeadlessClipboard::Clear()
{
    FHasText = false;
    FText.clear();
    FFormats.clear();
}

void THeadlessHost::InvalidateRect(const TRect* rect)
{
    TRect r = rect ? *rect : TRect { 0, 0, FClientSize.Width, FClientSize.Height };
    FInvalid = FInvalid.Union(r.Intersect({ 0, 0, FClientSize.Width, FClientSize.Height }));
    ++FInvalidateCount;
}

void THeadlessHost::ScrollWindow(int dx, int dy, const TRect* rect)
{
    FScrolls.push_back(dy);
    TRect area = rect ? *rect : TRect { 0, 0, FClientSize.Width, FClientSize.Height };
    // What scrolls into view must be painted; the rest only moved.
    TRect uncovered = area;
    if (dy > 0)
        uncovered.Bottom = std::min(area.Bottom, area.Top + dy);
    else if (dy < 0)
        uncovered.Top = std::max(area.Top, area.Bottom + dy);
    if (dx > 0)
        uncovered.Right = std::min(area.Right, area.Left + dx);
    else if (dx < 0)
        uncovered.Left = std::max(area.Left, area.Right + dx);
    InvalidateRect(&uncovered);
}

void THeadlessHost::SetScrollInfo(TScrollBarKind bar, const TScrollInfo& info)
{
    (bar == TScrollBarKind::sbVertical ? FVertical : FHorizontal) = info;
    ++FScrollInfoCount;
}

void THeadlessHost::CreateCaret(int width, int height)
{
    FCaretCreated = true;
    FCaretSize = { width, height };
    FCaretShowCount = 0;
}

void THeadlessHost::SetCaretPos(int x, int y)
{
    FCaretPos = { x, y };
}

void THeadlessHost::ShowCaret()
{
    if (FCaretCreated)
        ++FCaretShowCount;
}

void THeadlessHost::HideCaret()
{
    if (FCaretCreated)
        --FCaretShowCount;
}

bool THeadlessHost::BeginTextDrag(std::string_view text)
{
    if (!AcceptTextDrags)
        return false;
    FTextDrags.emplace_back(text);
    FCaptured = false;
    return true;
}

void THeadlessHost::DestroyCaret()
{
    FCaretCreated = false;
    FCaretShowCount = 0;
}

} // namespace quillan
