#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillan {

inline constexpr const char* SPatternIsEmpty = "Pattern is empty";

// Character tables shared by every search engine, built once. Text is UTF-8: only ASCII letters
// fold, and every byte of a multi-byte character (128 and above) is a word character.
using TSearchFoldTable = std::array<unsigned char, 256>;
const TSearchFoldTable& SearchFoldTable(bool sensitive);
// True for bytes that end a word: everything except ASCII letters, digits and bytes >= 128.
// The underscore and byte 0 are delimiters.
bool IsSearchDelimiter(unsigned char c);

// Finds every occurrence of a pattern in one line with a skip-table scan. Matches never overlap;
// with the whole-word rule a match must have a delimiter (or the line's end) on both sides, and a
// match rejected by that rule does not hide a later one that starts inside it.
class TQuillEditSearch {
public:
    const std::string& Pattern() const { return FPattern; }
    // Resets the found count even when the pattern is unchanged.
    void SetPattern(std::string_view value);
    bool Sensitive() const { return FSensitive; }
    void SetSensitive(bool value);
    bool Whole() const { return FWhole; }
    void SetWhole(bool value) { FWhole = value; }

    // Replaces the results by the 1-based start columns of the matches in `line` and returns
    // their number. Throws EQuillException "Pattern is empty" when there is no pattern.
    int FindAll(std::string_view line);

    int ResultCount() const { return static_cast<int>(FResults.size()); }
    // The i-th result (0-based), or 0 when i is outside the list.
    int Results(int index) const;
    // The length of the i-th match, or 0 when i is outside the list.
    int Lengths(int index) const;
    // Matches found by FindAll since the pattern was last set.
    int FoundCount() const { return FFoundCount; }

    // After replacing the match at `position` by text `delta` bytes shorter, moves the later
    // results of the line along so that they still point at their matches.
    void FixResults(int position, int delta);

private:
    void InitShiftTable();
    template <bool Sensitive> void Scan(const unsigned char* text, std::size_t length);
    bool IsDelimited(const unsigned char* text, std::size_t length, std::size_t start) const;

    std::string FPattern;
    bool FSensitive = false;
    bool FWhole = false;

    // The pattern as compared (folded) and the skip distance of each folded byte: its distance
    // from just after the pattern's last occurrence of it, or pattern length + 1 when absent.
    std::string FFolded;
    std::array<std::size_t, 256> FShift {};
    // How far the window may move after an attempt whose last byte matched but the rest did not:
    // to the previous occurrence of the pattern's last byte inside the pattern.
    std::size_t FLastCharStep = 0;
    bool FShiftInitialized = false;

    int FFoundCount = 0;
    std::vector<int> FResults;
    // The pattern may be changed before the results are used; they keep the length they matched.
    int FResultLength = 0;
};

} // namespace quillan
