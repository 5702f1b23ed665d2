#include "print/QuillEditPrintHeaderFooter.h"

#include "print/QuillEditPrintMargins.h"

#include <algorithm>
#include <cctype>

namespace quillan {

namespace {

std::string UpperAscii(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

bool IsBlankText(std::string_view s)
{
    return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) <= ' '; });
}

std::string FormatMoment(std::time_t moment, const char* format)
{
    std::tm parts {};
    localtime_r(&moment, &parts);
    char buf[128];
    std::size_t n = std::strftime(buf, sizeof buf, format, &parts);
    return std::string(buf, n);
}

} // namespace

std::string IntToRoman(int value)
{
    static constexpr struct {
        int Value;
        const char* Symbol;
    } table[] = { { 1000, "M" }, { 900, "CM" }, { 500, "D" }, { 400, "CD" }, { 100, "C" }, { 90, "XC" }, { 50, "L" },
        { 40, "XL" }, { 10, "X" }, { 9, "IX" }, { 5, "V" }, { 4, "IV" }, { 1, "I" } };
    std::string out;
    for (const auto& entry : table) {
        while (value >= entry.Value) {
            out += entry.Symbol;
            value -= entry.Value;
        }
    }
    return out;
}

std::string ExpandMacros(std::string_view text, int pageCount, int pageNumber, bool roman, std::string_view title,
    std::string_view time, std::string_view date)
{
    if (IsBlankText(text))
        return {};
    auto valueOf = [&](const std::string& macro, std::string& out) {
        if (macro == "$PAGENUM$")
            out += roman ? IntToRoman(pageNumber) : std::to_string(pageNumber);
        else if (macro == "$PAGECOUNT$")
            out += std::to_string(pageCount);
        else if (macro == "$TITLE$")
            out += title;
        else if (macro == "$DATE$")
            out += date;
        else if (macro == "$TIME$")
            out += time;
        else if (macro == "$DATETIME$")
            out.append(date).append(" ").append(time);
        else if (macro == "$TIMEDATE$")
            out.append(time).append(" ").append(date);
        else
            return false;
        return true;
    };

    std::string out;
    std::size_t literal = 0; // start of the text not yet copied
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] != '$') {
            ++i;
            continue;
        }
        out.append(text.substr(literal, i - literal));
        std::size_t open = i;
        // A "$" that closes no macro opens the next candidate, so "$5 $PAGENUM$" still finds the
        // macro behind the stray dollar.
        for (;;) {
            std::size_t close = text.find('$', open + 1);
            if (close == std::string_view::npos) {
                literal = open;
                i = text.size();
                break;
            }
            if (valueOf(UpperAscii(text.substr(open, close - open + 1)), out)) {
                literal = close + 1;
                i = close + 1;
                break;
            }
            out.append(text.substr(open, close - open));
            open = close;
        }
    }
    out.append(text.substr(literal));
    return out;
}

std::string THeaderFooterItem::GetText(int pageCount, int pageNumber, bool roman, std::string_view title,
    std::string_view time, std::string_view date) const
{
    return ExpandMacros(Text, pageCount, pageNumber, roman, title, time, date);
}

THeaderFooter::THeaderFooter(THeaderFooterType kind)
    : FKind(kind)
{
    FDefaultFont.Name = "Arial";
    FDefaultFont.Size = 10;
    FDefaultFont.Style = 0;
    FDefaultFont.Color = PrintBlack;
    Clock = [] { return std::time(nullptr); };
}

THeaderFooter::~THeaderFooter() = default;

void THeaderFooter::Assign(const TPersistent& source)
{
    auto* src = dynamic_cast<const THeaderFooter*>(&source);
    if (!src) {
        TPersistent::Assign(source);
        return;
    }
    if (src == this)
        return;
    Clear();
    FKind = src->FKind;
    FFrameTypes = src->FFrameTypes;
    FShadedColor = src->FShadedColor;
    FLineColor = src->FLineColor;
    for (const auto& item : src->FItems)
        Add(item->Text, &item->Font, item->Alignment, item->LineNumber);
    FDefaultFont = src->FDefaultFont;
    FRomanNumbers = src->FRomanNumbers;
    FMirrorPosition = src->FMirrorPosition;
}

int THeaderFooter::Add(std::string_view text, const TFontSpec* font, THeaderFooterAlign alignment, int lineNumber)
{
    auto item = std::make_unique<THeaderFooterItem>();
    item->Text = std::string(text);
    item->Font = font ? *font : FDefaultFont;
    item->Alignment = alignment;
    item->LineNumber = lineNumber;
    item->Index = Count();
    FItems.push_back(std::move(item));
    return Count() - 1;
}

void THeaderFooter::Delete(int index)
{
    if (index >= 0 && index < Count())
        FItems.erase(FItems.begin() + index);
}

void THeaderFooter::Clear()
{
    FItems.clear();
}

THeaderFooterItem* THeaderFooter::Get(int index) const
{
    return index >= 0 && index < Count() ? FItems[static_cast<std::size_t>(index)].get() : nullptr;
}

void THeaderFooter::SetItemFontsDpi(int pixelsPerInch)
{
    for (auto& item : FItems)
        item->Font.PixelsPerInch = pixelsPerInch;
}

int THeaderFooter::RenumberLines()
{
    std::stable_sort(
        FItems.begin(), FItems.end(), [](const auto& a, const auto& b) { return a->LineNumber < b->LineNumber; });
    int lines = 0;
    int previous = 0;
    for (std::size_t i = 0; i < FItems.size(); ++i) {
        if (i == 0 || FItems[i]->LineNumber != previous) {
            previous = FItems[i]->LineNumber;
            ++lines;
        }
        FItems[i]->LineNumber = lines;
    }
    return lines;
}

void THeaderFooter::PrepareForPrint(
    ICanvas& canvas, int pageCount, std::string_view title, TQuillEditPrintMargins& margins)
{
    canvas.SaveState();
    // One moment for the whole job: a job that runs across midnight still shows one date.
    const std::time_t now = Clock ? Clock() : std::time(nullptr);
    FDate = FormatMoment(now, "%x");
    FTime = FormatMoment(now, "%X");
    FPageCount = pageCount;
    FMargins = &margins;
    FTitle = std::string(title);

    FLineInfo.assign(static_cast<std::size_t>(RenumberLines()), TLineInfo {});

    if (FItems.empty()) {
        FFrameHeight = -1;
    } else {
        for (auto& item : FItems) {
            canvas.SetFont(item->Font);
            TTextMetrics tm = canvas.GetTextMetrics();
            TLineInfo& line = FLineInfo[static_cast<std::size_t>(item->LineNumber - 1)];
            line.Height = std::max(line.Height, canvas.TextExtent("W").Height);
            line.Ascent = std::max(line.Ascent, tm.Height - tm.Descent);
        }
        FFrameHeight = 2 * margins.PixHFInternalMargin;
        for (const TLineInfo& line : FLineInfo)
            FFrameHeight += line.Height;
    }
    canvas.RestoreState();
}

void THeaderFooter::DrawFrame(ICanvas& canvas)
{
    if (FFrameTypes == 0)
        return;
    const TQuillEditPrintMargins& m = *FMargins;
    const bool header = FKind == THeaderFooterType::hftHeader;
    const int top = header ? m.PixHeader - FFrameHeight : m.PixFooter;
    const int bottom = header ? m.PixHeader : m.PixFooter + FFrameHeight;
    if (FFrameTypes & ftShaded)
        canvas.FillRect({ m.PixLeft, top, m.PixRight, bottom }, FShadedColor);
    if (FFrameTypes & ftBox) {
        canvas.Line(m.PixLeft, top, m.PixRight, top, FLineColor);
        canvas.Line(m.PixLeft, bottom - 1, m.PixRight, bottom - 1, FLineColor);
        canvas.Line(m.PixLeft, top, m.PixLeft, bottom, FLineColor);
        canvas.Line(m.PixRight - 1, top, m.PixRight - 1, bottom, FLineColor);
    }
    if (FFrameTypes & ftLine) {
        const int y = header ? m.PixHeader : m.PixFooter;
        canvas.Line(m.PixLeft, y, m.PixRight, y, FLineColor);
    }
}

void THeaderFooter::Render(ICanvas& canvas, int pageNumber)
{
    if (FFrameHeight <= 0 || !FMargins)
        return;
    const TQuillEditPrintMargins& m = *FMargins;
    canvas.SaveState();
    DrawFrame(canvas);

    int y = (FKind == THeaderFooterType::hftHeader ? m.PixHeader - FFrameHeight : m.PixFooter) + m.PixHFInternalMargin;
    int currentLine = 1;
    const bool swapSides = FMirrorPosition && pageNumber % 2 == 0;
    for (const auto& item : FItems) {
        // Items added since the last preparation have no measured line yet.
        if (item->LineNumber < 1 || item->LineNumber > static_cast<int>(FLineInfo.size()))
            continue;
        canvas.SetFont(item->Font);
        canvas.SetTextColor(item->Font.Color);
        if (item->LineNumber != currentLine) {
            y += FLineInfo[static_cast<std::size_t>(currentLine - 1)].Height;
            currentLine = item->LineNumber;
        }
        std::string text = item->GetText(FPageCount, pageNumber, FRomanNumbers, FTitle, FTime, FDate);
        if (text.empty())
            continue;
        THeaderFooterAlign align = item->Alignment;
        if (swapSides && align == THeaderFooterAlign::hfaLeft)
            align = THeaderFooterAlign::hfaRight;
        else if (swapSides && align == THeaderFooterAlign::hfaRight)
            align = THeaderFooterAlign::hfaLeft;
        const int width = canvas.TextExtent(text).Width;
        int x = m.PixLeftHFTextIndent;
        if (align == THeaderFooterAlign::hfaRight)
            x = m.PixRightHFTextIndent - width;
        else if (align == THeaderFooterAlign::hfaCenter)
            x = (m.PixLeftHFTextIndent + m.PixRightHFTextIndent - width) / 2;
        // Items of one line share a baseline whatever their fonts.
        const int baseline = y + FLineInfo[static_cast<std::size_t>(currentLine - 1)].Ascent;
        canvas.TextOut(x, baseline - canvas.GetTextMetrics().Ascent, text);
    }
    canvas.RestoreState();
}

} // namespace quillan
