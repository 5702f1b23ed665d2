#include "text/QuillEditSearch.h"

#include "base/QuillEditStrConst.h"

#include <cstring>

namespace quillan {

namespace {

constexpr TSearchFoldTable identityFold = [] {
    TSearchFoldTable t {};
    for (int c = 0; c < 256; ++c)
        t[c] = static_cast<unsigned char>(c);
    return t;
}();

constexpr TSearchFoldTable lowerFold = [] {
    TSearchFoldTable t = identityFold;
    for (int c = 'A'; c <= 'Z'; ++c)
        t[c] = static_cast<unsigned char>(c - 'A' + 'a');
    return t;
}();

constexpr std::array<bool, 256> delimiters = [] {
    std::array<bool, 256> t {};
    for (int c = 0; c < 256; ++c) {
        bool word = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c >= 128;
        t[c] = !word;
    }
    return t;
}();

} // namespace

// Two constant tables instead of one shared table switched between modes: each engine reads the
// one for its own setting, so engines with different case rules never disturb each other.
const TSearchFoldTable& SearchFoldTable(bool sensitive)
{
    return sensitive ? identityFold : lowerFold;
}

bool IsSearchDelimiter(unsigned char c)
{
    return delimiters[c];
}

void TQuillEditSearch::SetPattern(std::string_view value)
{
    if (value != FPattern) {
        FPattern = value;
        FShiftInitialized = false;
    }
    FFoundCount = 0;
}

void TQuillEditSearch::SetSensitive(bool value)
{
    if (value != FSensitive) {
        FSensitive = value;
        FShiftInitialized = false;
    }
}

int TQuillEditSearch::Results(int index) const
{
    if (index < 0 || index >= ResultCount())
        return 0;
    return FResults[static_cast<std::size_t>(index)];
}

int TQuillEditSearch::Lengths(int index) const
{
    if (index < 0 || index >= ResultCount())
        return 0;
    return FResultLength;
}

void TQuillEditSearch::FixResults(int position, int delta)
{
    if (delta == 0 || FResults.empty())
        return;
    // Results are in ascending order, so the ones after the replaced match are a suffix.
    for (std::size_t i = FResults.size(); i-- > 0;) {
        if (FResults[i] <= position)
            break;
        FResults[i] -= delta;
    }
}

void TQuillEditSearch::InitShiftTable()
{
    const std::size_t m = FPattern.size();
    if (m == 0)
        throw EQuillException(SPatternIsEmpty);
    const TSearchFoldTable& fold = SearchFoldTable(FSensitive);
    FFolded.resize(m);
    for (std::size_t i = 0; i < m; ++i)
        FFolded[i] = static_cast<char>(fold[static_cast<unsigned char>(FPattern[i])]);
    FShift.fill(m + 1);
    for (std::size_t j = 0; j < m; ++j)
        FShift[static_cast<unsigned char>(FFolded[j])] = m - j;
    FLastCharStep = m;
    for (std::size_t k = 1; k < m; ++k) {
        if (FFolded[m - 1 - k] == FFolded[m - 1]) {
            FLastCharStep = k;
            break;
        }
    }
    FShiftInitialized = true;
}

bool TQuillEditSearch::IsDelimited(const unsigned char* text, std::size_t length, std::size_t start) const
{
    std::size_t end = start + FFolded.size();
    bool before = start == 0 || delimiters[text[start - 1]];
    bool after = end >= length || delimiters[text[end]];
    return before && after;
}

int TQuillEditSearch::FindAll(std::string_view line)
{
    if (!FShiftInitialized)
        InitShiftTable();
    FResults.clear();
    FResultLength = static_cast<int>(FFolded.size());
    const auto* text = reinterpret_cast<const unsigned char*>(line.data());
    if (FSensitive)
        Scan<true>(text, line.size());
    else
        Scan<false>(text, line.size());
    return ResultCount();
}

// The window's last byte is at r. When it matches the pattern's last byte the window is compared;
// otherwise the window jumps by the skip distance of the byte just after it, which is what makes
// the scan sub-linear. The mode is a template parameter so that the case-sensitive loop carries no
// table lookups at all.
template <bool Sensitive> void TQuillEditSearch::Scan(const unsigned char* text, std::size_t n)
{
    const std::size_t m = FFolded.size();
    if (n < m)
        return;
    const unsigned char* fold = lowerFold.data();
    auto f = [](unsigned char c) -> unsigned char {
        if constexpr (Sensitive)
            return c;
        else
            return lowerFold[c];
    };
    const auto* pattern = reinterpret_cast<const unsigned char*>(FFolded.data());
    const unsigned char last = pattern[m - 1];
    const std::size_t* shift = FShift.data();

    std::size_t r = m - 1;
    while (r < n) {
        if (f(text[r]) != last) {
            // Past the end the next byte counts as 0.
            r += shift[r + 1 < n ? f(text[r + 1]) : 0];
            continue;
        }
        const std::size_t start = r + 1 - m;
        bool equal;
        if constexpr (Sensitive) {
            equal = std::memcmp(text + start, pattern, m - 1) == 0;
        } else {
            equal = true;
            for (std::size_t i = 0; i + 1 < m; ++i) {
                if (fold[text[start + i]] != pattern[i]) {
                    equal = false;
                    break;
                }
            }
        }
        if (equal && (!FWhole || IsDelimited(text, n, start))) {
            FResults.push_back(static_cast<int>(start + 1));
            ++FFoundCount;
            r += m;
            continue;
        }
        r += FLastCharStep;
        if (r >= n)
            break;
        r += shift[f(text[r])] - 1;
    }
}

} // namespace quillan
