#include "editor/QuillEditMiscClasses.h"

#include "editor/QuillEdit.h"
#include "ports/ImageList.h"

#include <algorithm>

namespace quillan {

// --- UTF-8 -----------------------------------------------------------------------------------

namespace utf8 {

std::size_t SequenceLength(std::string_view s, std::size_t i)
{
    if (i >= s.size())
        return 1;
    auto c = static_cast<unsigned char>(s[i]);
    std::size_t n = c < 0xC2 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : c < 0xF5 ? 4 : 1;
    if (n == 1 || i + n > s.size())
        return 1;
    auto c1 = static_cast<unsigned char>(s[i + 1]);
    // Overlong forms, surrogates and code points above U+10FFFF are not characters.
    if ((c == 0xE0 && c1 < 0xA0) || (c == 0xED && c1 > 0x9F) || (c == 0xF0 && c1 < 0x90) || (c == 0xF4 && c1 > 0x8F))
        return 1;
    for (std::size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
            return 1;
    return n;
}

bool IsBoundary(std::string_view s, std::size_t i)
{
    if (i == 0 || i >= s.size() || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80)
        return true;
    // A byte that is not a continuation byte always starts a character, so the nearest one
    // before i decides whether i lies inside it.
    std::size_t lowest = i >= 3 ? i - 3 : 0;
    for (std::size_t q = i; q-- > lowest;) {
        if ((static_cast<unsigned char>(s[q]) & 0xC0) != 0x80)
            return q + SequenceLength(s, q) <= i;
    }
    return true;
}

std::size_t Floor(std::string_view s, std::size_t i)
{
    while (!IsBoundary(s, i))
        --i;
    return i;
}

std::size_t Ceil(std::string_view s, std::size_t i)
{
    while (!IsBoundary(s, i))
        ++i;
    return i;
}

std::size_t Next(std::string_view s, std::size_t i)
{
    return i < s.size() ? i + SequenceLength(s, i) : i + 1;
}

std::size_t Prev(std::string_view s, std::size_t i)
{
    if (i == 0)
        return 0;
    if (i > s.size())
        return i - 1;
    return Floor(s, i - 1);
}

std::string Encode(char32_t c)
{
    std::string out;
    if (c >= 0xDC80 && c <= 0xDCFF) {
        out += static_cast<char>(c - 0xDC00);
    } else if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x110000) {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

std::vector<char32_t> Decode(std::string_view s)
{
    std::vector<char32_t> out;
    for (std::size_t i = 0; i < s.size();) {
        std::size_t n = SequenceLength(s, i);
        auto c = static_cast<unsigned char>(s[i]);
        if (n == 1) {
            out.push_back(c < 0x80 ? c : 0xDC00 + c);
        } else {
            char32_t cp = n == 2 ? c & 0x1F : n == 3 ? c & 0x0F : c & 0x07;
            for (std::size_t k = 1; k < n; ++k)
                cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
            out.push_back(cp);
        }
        i += n;
    }
    return out;
}

} // namespace utf8

// --- gutter ----------------------------------------------------------------------------------

void TQuillGutter::Changed()
{
    if (OnChange)
        OnChange(this);
}

namespace {

template <class T> bool Assign(T& field, T value)
{
    if (field == value)
        return false;
    field = value;
    return true;
}

} // namespace

void TQuillGutter::SetAutoSize(bool value)
{
    if (Assign(FAutoSize, value))
        Changed();
}

void TQuillGutter::SetColor(TColor value)
{
    if (Assign(FColor, value))
        Changed();
}

void TQuillGutter::SetCursor(int value)
{
    if (Assign(FCursor, value))
        Changed();
}

void TQuillGutter::SetDigitCount(int value)
{
    value = std::clamp(value, 2, 12);
    if (Assign(FDigitCount, value)) {
        FAutoSizeDigitCount = FDigitCount;
        Changed();
    }
}

void TQuillGutter::SetLeadingZeros(bool value)
{
    if (Assign(FLeadingZeros, value))
        Changed();
}

void TQuillGutter::SetLeftOffset(int value)
{
    if (Assign(FLeftOffset, std::max(0, value)))
        Changed();
}

void TQuillGutter::SetRightOffset(int value)
{
    if (Assign(FRightOffset, std::max(0, value)))
        Changed();
}

void TQuillGutter::SetShowLineNumbers(bool value)
{
    if (Assign(FShowLineNumbers, value))
        Changed();
}

void TQuillGutter::SetUseFontStyle(bool value)
{
    if (Assign(FUseFontStyle, value))
        Changed();
}

void TQuillGutter::SetVisible(bool value)
{
    if (Assign(FVisible, value))
        Changed();
}

void TQuillGutter::SetWidth(int value)
{
    if (Assign(FWidth, std::max(0, value)))
        Changed();
}

void TQuillGutter::SetZeroStart(bool value)
{
    if (Assign(FZeroStart, value))
        Changed();
}

void TQuillGutter::UpdateAutoSizeDigitCount(int lineCount)
{
    int digits = FDigitCount;
    if (FVisible && FAutoSize && FShowLineNumbers) {
        int shown = FZeroStart ? lineCount - 1 : lineCount;
        int needed = 1;
        for (int n = shown; n >= 10; n /= 10)
            ++needed;
        digits = std::max(needed, FDigitCount);
    }
    if (Assign(FAutoSizeDigitCount, digits))
        Changed();
}

int TQuillGutter::RealGutterWidth(int charWidth) const
{
    if (!FVisible)
        return 0;
    if (FShowLineNumbers)
        return FLeftOffset + FRightOffset + FAutoSizeDigitCount * charWidth + 2;
    return FWidth;
}

std::string TQuillGutter::FormatLineNumber(int line) const
{
    std::string digits = std::to_string(FZeroStart ? line - 1 : line);
    auto width = static_cast<std::size_t>(FAutoSizeDigitCount);
    if (digits.size() >= width)
        return digits;
    return std::string(width - digits.size(), FLeadingZeros ? '0' : ' ') + digits;
}

// --- bookmark options and selected colours ---------------------------------------------------

void TQuillBookMarkOpt::Changed()
{
    if (OnChange)
        OnChange(this);
}

TQuillBookMarkOpt::~TQuillBookMarkOpt()
{
    if (FBookmarkImages)
        FBookmarkImages->RemoveFreeNotification(this);
}

void TQuillBookMarkOpt::SetBookmarkImages(TCustomImageList* value)
{
    if (value == FBookmarkImages)
        return;
    if (FBookmarkImages)
        FBookmarkImages->RemoveFreeNotification(this);
    FBookmarkImages = value;
    if (FBookmarkImages)
        FBookmarkImages->AddFreeNotification(this, [this](TCustomImageList*) {
            FBookmarkImages = nullptr;
            Changed();
        });
    Changed();
}

void TQuillBookMarkOpt::SetDrawBookmarksFirst(bool value)
{
    if (Assign(FDrawBookmarksFirst, value))
        Changed();
}

void TQuillBookMarkOpt::SetEnableKeys(bool value)
{
    if (Assign(FEnableKeys, value))
        Changed();
}

void TQuillBookMarkOpt::SetGlyphsVisible(bool value)
{
    if (Assign(FGlyphsVisible, value))
        Changed();
}

void TQuillBookMarkOpt::SetLeftMargin(int value)
{
    if (Assign(FLeftMargin, value))
        Changed();
}

void TQuillBookMarkOpt::SetXoffset(int value)
{
    if (Assign(FXoffset, value))
        Changed();
}

void TQuillSelectedColor::SetBackground(TColor value)
{
    if (Assign(FBackground, value) && OnChange)
        OnChange(this);
}

void TQuillSelectedColor::SetForeground(TColor value)
{
    if (Assign(FForeground, value) && OnChange)
        OnChange(this);
}

// --- marks -----------------------------------------------------------------------------------

void TQuillEditMark::InvalidateLine(int line)
{
    if (TCustomQuillEdit* edit = Edit())
        edit->InvalidateGutterLines(line, line);
}

void TQuillEditMark::SetLine(int value)
{
    if (FLine == value)
        return;
    int old = FLine;
    FLine = value;
    if (FVisible) {
        InvalidateLine(old);
        InvalidateLine(value);
    }
}

void TQuillEditMark::SetColumn(int value)
{
    FColumn = value;
}

void TQuillEditMark::SetImageIndex(int value)
{
    if (Assign(FImageIndex, value) && FVisible)
        InvalidateLine(FLine);
}

void TQuillEditMark::SetVisible(bool value)
{
    if (Assign(FVisible, value))
        InvalidateLine(FLine);
}

void TQuillEditMark::SetInternalImage(bool value)
{
    if (Assign(FInternalImage, value) && FVisible)
        InvalidateLine(FLine);
}

TQuillEditMark* TQuillEditMarkList::Add(std::unique_ptr<TQuillEditMark> mark)
{
    TQuillEditMark* raw = mark.get();
    if (!raw)
        return nullptr;
    FItems.push_back(std::move(mark));
    if (OnChange)
        OnChange(this);
    return raw;
}

std::unique_ptr<TQuillEditMark> TQuillEditMarkList::Extract(TQuillEditMark* mark)
{
    auto it = std::find_if(FItems.begin(), FItems.end(), [mark](const auto& m) { return m.get() == mark; });
    if (it == FItems.end())
        return nullptr;
    std::unique_ptr<TQuillEditMark> owned = std::move(*it);
    FItems.erase(it);
    // A mark out of the list may outlive its editor; it must not call back into it.
    owned->FEdit = nullptr;
    if (OnChange)
        OnChange(this);
    return owned;
}

void TQuillEditMarkList::Clear()
{
    if (FItems.empty())
        return;
    for (auto& m : FItems)
        m->FEdit = nullptr;
    FItems.clear();
    if (OnChange)
        OnChange(this);
}

bool TQuillEditMarkList::Contains(const TQuillEditMark* mark) const
{
    return std::any_of(FItems.begin(), FItems.end(), [mark](const auto& m) { return m.get() == mark; });
}

int TQuillEditMarkList::GetMarksForLine(int line, TQuillEditMarks& marks) const
{
    marks.fill(nullptr);
    int found = 0;
    for (const auto& m : FItems) {
        if (m->Line() == line) {
            marks[static_cast<std::size_t>(found++)] = m.get();
            if (found == MaxMarksPerLine)
                break;
        }
    }
    return found;
}

} // namespace quillan
