#pragma once

#include "highlight/HighlighterBase.h"
#include "ports/Canvas.h"
#include "print/QuillEditPrintTypes.h"

#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quillan {

class TQuillEditPrintMargins;

// One text of a header or footer band.
class THeaderFooterItem {
public:
    std::string Text; // may hold macros such as $PAGENUM$
    TFontSpec Font;
    int LineNumber = 1; // line of the band, from 1
    THeaderFooterAlign Alignment = THeaderFooterAlign::hfaLeft;
    int Index = 0; // position at which it was added

    std::string GetText(int pageCount, int pageNumber, bool roman, std::string_view title, std::string_view time,
        std::string_view date) const;
};

// The header or footer band of every printed page: items placed on numbered lines, left, centred
// or right, with an optional rule, box or shading. PrepareForPrint measures once per job; Render
// draws one page.
class THeaderFooter : public TPersistent {
public:
    explicit THeaderFooter(THeaderFooterType kind);
    ~THeaderFooter() override;
    THeaderFooter(const THeaderFooter&) = delete;
    THeaderFooter& operator=(const THeaderFooter&) = delete;

    const char* ClassName() const override { return "THeaderFooter"; }
    void Assign(const TPersistent& source) override;

    THeaderFooterType Kind() const { return FKind; }

    // The item takes a copy of `font`, or of DefaultFont when it is null. Returns its index.
    int Add(std::string_view text, const TFontSpec* font, THeaderFooterAlign alignment, int lineNumber);
    void Delete(int index);
    void Clear();
    int Count() const { return static_cast<int>(FItems.size()); }
    // Null outside 0..Count-1.
    THeaderFooterItem* Get(int index) const;

    TFrameTypes FrameTypes() const { return FFrameTypes; }
    void SetFrameTypes(TFrameTypes value) { FFrameTypes = value; }
    TColor ShadedColor() const { return FShadedColor; }
    void SetShadedColor(TColor value) { FShadedColor = value; }
    TColor LineColor() const { return FLineColor; }
    void SetLineColor(TColor value) { FLineColor = value; }
    const TFontSpec& DefaultFont() const { return FDefaultFont; }
    void SetDefaultFont(const TFontSpec& value) { FDefaultFont = value; }
    bool RomanNumbers() const { return FRomanNumbers; }
    void SetRomanNumbers(bool value) { FRomanNumbers = value; }
    bool MirrorPosition() const { return FMirrorPosition; }
    void SetMirrorPosition(bool value) { FMirrorPosition = value; }

    // Gives every item's font this resolution, keeping its point size.
    void SetItemFontsDpi(int pixelsPerInch);

    // Sorts the items by line (keeping the order within a line) and numbers the lines that hold
    // items 1, 2, 3...; returns how many lines there are.
    int RenumberLines();

    // Once per job or preview, before the first page: captures date and time, sorts the items by
    // line, renumbers the lines 1, 2, 3... and measures them. The margins must have been computed
    // for the job's canvas; they are referenced, not copied, until the next call.
    void PrepareForPrint(ICanvas& canvas, int pageCount, std::string_view title, TQuillEditPrintMargins& margins);
    // Draws the band of page `pageNumber` (already offset); leaves the canvas as it found it.
    void Render(ICanvas& canvas, int pageNumber);

    // Height of the band in pixels as measured by the last PrepareForPrint; -1 without items.
    int FrameHeight() const { return FFrameHeight; }
    const std::string& DateText() const { return FDate; }
    const std::string& TimeText() const { return FTime; }

    // The moment PrepareForPrint captures; tests fix it.
    std::function<std::time_t()> Clock;

private:
    struct TLineInfo {
        int Height = 0;
        int Ascent = 0;
    };
    void DrawFrame(ICanvas& canvas);

    THeaderFooterType FKind;
    std::vector<std::unique_ptr<THeaderFooterItem>> FItems;
    std::vector<TLineInfo> FLineInfo;
    TFrameTypes FFrameTypes = ftLine;
    TColor FShadedColor = 0xC0C0C0;
    TColor FLineColor = PrintBlack;
    TFontSpec FDefaultFont;
    bool FRomanNumbers = false;
    bool FMirrorPosition = false;

    std::string FDate;
    std::string FTime;
    std::string FTitle;
    int FPageCount = 0;
    TQuillEditPrintMargins* FMargins = nullptr;
    int FFrameHeight = -1;
};

class THeader : public THeaderFooter {
public:
    THeader()
        : THeaderFooter(THeaderFooterType::hftHeader)
    {
    }
    const char* ClassName() const override { return "THeader"; }
};

class TFooter : public THeaderFooter {
public:
    TFooter()
        : THeaderFooter(THeaderFooterType::hftFooter)
    {
    }
    const char* ClassName() const override { return "TFooter"; }
};

// Replaces $PAGENUM$, $PAGECOUNT$, $TITLE$, $DATE$, $TIME$, $DATETIME$ and $TIMEDATE$ (in any
// letter case); every other text, an unclosed "$" included, stays as it is. A text of blanks
// gives an empty result.
std::string ExpandMacros(std::string_view text, int pageCount, int pageNumber, bool roman, std::string_view title,
    std::string_view time, std::string_view date);
// Upper-case Roman numerals; empty for 0 and below.
std::string IntToRoman(int value);

} // namespace quillan
