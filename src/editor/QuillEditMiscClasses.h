#pragma once

#include "base/QuillEditTypes.h"
#include "editor/InternalImages.h"

#include <array>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quillan {

class TCustomQuillEdit;
class TCustomImageList;

// System colours the editor's parts default to (0x80000000 + the system colour index).
inline constexpr TColor clHighlight = static_cast<TColor>(0x8000000Du);
inline constexpr TColor clHighlightText = static_cast<TColor>(0x8000000Eu);
inline constexpr TColor clBtnFace = static_cast<TColor>(0x8000000Fu);
inline constexpr TColor clBtnShadow = static_cast<TColor>(0x80000010u);
inline constexpr TColor clBtnHighlight = static_cast<TColor>(0x80000014u);
inline constexpr TColor clSilver = 12632256;

// --- UTF-8 -----------------------------------------------------------------------------------
// Line text is bytes and columns are byte indices, but the caret, the selection and every edit
// move over whole characters: a well-formed UTF-8 sequence is one character, and so is each byte
// that is not part of one (it stays in the text as it is). Positions here are 0-based offsets.
// How many cells a character takes on screen and on paper: CharCellsAt and the other
// display-cell functions in QuillString.h.
namespace utf8 {

// Length of the character starting at s[i] (1 for a byte that starts no well-formed sequence).
std::size_t SequenceLength(std::string_view s, std::size_t i);
// True when offset i does not lie inside a character; offsets at or past the end are boundaries.
bool IsBoundary(std::string_view s, std::size_t i);
// The nearest boundary at or before / at or after i.
std::size_t Floor(std::string_view s, std::size_t i);
std::size_t Ceil(std::string_view s, std::size_t i);
// The start of the next character after i (i + 1 past the end), and of the one before i.
std::size_t Next(std::string_view s, std::size_t i);
std::size_t Prev(std::string_view s, std::size_t i);

// A typed character as bytes. Code points U+DC80..U+DCFF stand for the single raw bytes
// 0x80..0xFF, so that text which is not UTF-8 can be typed back byte for byte.
std::string Encode(char32_t c);
// The characters of `s`, raw bytes of malformed sequences as U+DC80..U+DCFF.
std::vector<char32_t> Decode(std::string_view s);

} // namespace utf8

// --- gutter ----------------------------------------------------------------------------------

// The strip left of the text: its look and the rule for its width. Every setter that changes a
// value fires OnChange; the editor answers by recomputing its width and repainting.
class TQuillGutter {
public:
    bool AutoSize() const { return FAutoSize; }
    TColor Color() const { return FColor; }
    int Cursor() const { return FCursor; }
    int DigitCount() const { return FDigitCount; }
    bool LeadingZeros() const { return FLeadingZeros; }
    int LeftOffset() const { return FLeftOffset; }
    int RightOffset() const { return FRightOffset; }
    bool ShowLineNumbers() const { return FShowLineNumbers; }
    bool UseFontStyle() const { return FUseFontStyle; }
    bool Visible() const { return FVisible; }
    int Width() const { return FWidth; }
    bool ZeroStart() const { return FZeroStart; }

    void SetAutoSize(bool value);
    void SetColor(TColor value);
    void SetCursor(int value);
    // Clamped to 2..12; also resets the automatic digit count.
    void SetDigitCount(int value);
    void SetLeadingZeros(bool value);
    void SetLeftOffset(int value); // at least 0
    void SetRightOffset(int value); // at least 0
    void SetShowLineNumbers(bool value);
    void SetUseFontStyle(bool value);
    void SetVisible(bool value);
    void SetWidth(int value); // at least 0
    void SetZeroStart(bool value);

    int AutoSizeDigitCount() const { return FAutoSizeDigitCount; }
    // Recomputes the automatic digit count for a text of lineCount lines; fires OnChange when it
    // changes.
    void UpdateAutoSizeDigitCount(int lineCount);
    // 0 when hidden; with line numbers the digits' width plus the offsets; otherwise Width.
    int RealGutterWidth(int charWidth) const;
    // The number shown for 1-based line `line`, right-aligned in the automatic digit count.
    std::string FormatLineNumber(int line) const;

    std::function<void(TQuillGutter* sender)> OnChange;

private:
    void Changed();

    bool FAutoSize = false;
    TColor FColor = clBtnFace;
    int FCursor = 0;
    int FDigitCount = 4;
    int FAutoSizeDigitCount = 4;
    bool FLeadingZeros = false;
    int FLeftOffset = 16;
    int FRightOffset = 2;
    bool FShowLineNumbers = false;
    bool FUseFontStyle = false;
    bool FVisible = true;
    int FWidth = 30;
    bool FZeroStart = false;
};

// How bookmarks are shown in the gutter and whether the bookmark keys work. An image list that is
// destroyed while set here is dropped (OnChange fires).
class TQuillBookMarkOpt {
public:
    TQuillBookMarkOpt() = default;
    ~TQuillBookMarkOpt();
    TQuillBookMarkOpt(const TQuillBookMarkOpt&) = delete;
    TQuillBookMarkOpt& operator=(const TQuillBookMarkOpt&) = delete;

    TCustomImageList* BookmarkImages() const { return FBookmarkImages; }
    bool DrawBookmarksFirst() const { return FDrawBookmarksFirst; }
    bool EnableKeys() const { return FEnableKeys; }
    bool GlyphsVisible() const { return FGlyphsVisible; }
    int LeftMargin() const { return FLeftMargin; }
    int Xoffset() const { return FXoffset; }

    void SetBookmarkImages(TCustomImageList* value);
    void SetDrawBookmarksFirst(bool value);
    void SetEnableKeys(bool value);
    void SetGlyphsVisible(bool value);
    void SetLeftMargin(int value);
    void SetXoffset(int value);

    // The built-in glyph strip, taken from the strip all controls share on first use and
    // given back when these options go.
    const TImage& InternalImages() { return FInternalImages.Strip(); }

    std::function<void(TQuillBookMarkOpt* sender)> OnChange;

private:
    void Changed();

    TCustomImageList* FBookmarkImages = nullptr;
    TInternalImages FInternalImages;
    bool FDrawBookmarksFirst = true;
    bool FEnableKeys = true;
    bool FGlyphsVisible = true;
    int FLeftMargin = 2;
    int FXoffset = 12;
};

class TQuillSelectedColor {
public:
    TColor Background() const { return FBackground; }
    TColor Foreground() const { return FForeground; }
    void SetBackground(TColor value);
    void SetForeground(TColor value);

    std::function<void(TQuillSelectedColor* sender)> OnChange;

private:
    TColor FBackground = clHighlight;
    TColor FForeground = clHighlightText;
};

// One glyph in the gutter; bookmarks are marks with a bookmark number 0..9. A mark repaints its
// editor's gutter when it moves. The mark list forgets the editor in every mark it lets go, so a
// mark that outlives its list never calls into an editor that may be gone.
class TQuillEditMark {
public:
    explicit TQuillEditMark(TCustomQuillEdit* owner)
        : FEdit(owner)
    {
    }
    virtual ~TQuillEditMark() = default;
    TQuillEditMark(const TQuillEditMark&) = delete;
    TQuillEditMark& operator=(const TQuillEditMark&) = delete;

    int Line() const { return FLine; }
    int Column() const { return FColumn; }
    int ImageIndex() const { return FImageIndex; }
    int BookmarkNumber() const { return FBookmarkNumber; }
    bool Visible() const { return FVisible; }
    bool InternalImage() const { return FInternalImage; }
    bool IsBookmark() const { return FBookmarkNumber >= 0; }
    // The editor whose mark list holds this mark, or null once the list has let it go.
    TCustomQuillEdit* Edit() const { return FEdit; }

    virtual void SetLine(int value);
    virtual void SetColumn(int value);
    virtual void SetImageIndex(int value);
    void SetVisible(bool value);
    void SetInternalImage(bool value);
    void SetBookmarkNumber(int value) { FBookmarkNumber = value; }

private:
    friend class TQuillEditMarkList;
    void InvalidateLine(int line);

    int FLine = 0;
    int FColumn = 0;
    int FImageIndex = 0;
    TCustomQuillEdit* FEdit;
    bool FVisible = false;
    bool FInternalImage = false;
    int FBookmarkNumber = -1;
};

inline constexpr int MaxMarksPerLine = 16;
using TQuillEditMarks = std::array<TQuillEditMark*, MaxMarksPerLine>;

// The marks of one editor, in the order they were added; the list owns them.
class TQuillEditMarkList {
public:
    TQuillEditMark* Add(std::unique_ptr<TQuillEditMark> mark);
    // Takes the mark out of the list and hands it to the caller; null when it is not in the list.
    std::unique_ptr<TQuillEditMark> Extract(TQuillEditMark* mark);
    // Removes and frees the mark.
    void Delete(TQuillEditMark* mark) { Extract(mark); }
    void Clear();

    int Count() const { return static_cast<int>(FItems.size()); }
    TQuillEditMark* Items(int index) const { return FItems.at(static_cast<std::size_t>(index)).get(); }
    bool Contains(const TQuillEditMark* mark) const;
    // The marks of `line` in list order; unused entries are null. Returns how many were found.
    int GetMarksForLine(int line, TQuillEditMarks& marks) const;

    std::function<void(TQuillEditMarkList* sender)> OnChange;

private:
    std::vector<std::unique_ptr<TQuillEditMark>> FItems;
};

} // namespace quillan
