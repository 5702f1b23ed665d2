// Random lines, patterns and options: the skip-table scan must report exactly what a plain
// left-to-right scan reports (leftmost matches, no overlaps, whole-word refusals consume nothing).
#include "text/QuillEditSearch.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::vector<int> Reference(const std::string& pattern, const std::string& line, bool sensitive, bool whole)
{
    const auto& fold = quillan::SearchFoldTable(sensitive);
    std::vector<int> found;
    const std::size_t m = pattern.size();
    for (std::size_t i = 0; i + m <= line.size();) {
        bool equal = true;
        for (std::size_t j = 0; j < m && equal; ++j)
            equal = fold[static_cast<unsigned char>(line[i + j])] == fold[static_cast<unsigned char>(pattern[j])];
        bool delimited = (i == 0 || quillan::IsSearchDelimiter(static_cast<unsigned char>(line[i - 1])))
            && (i + m == line.size() || quillan::IsSearchDelimiter(static_cast<unsigned char>(line[i + m])));
        if (equal && (!whole || delimited)) {
            found.push_back(static_cast<int>(i + 1));
            i += m;
        } else {
            ++i;
        }
    }
    return found;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const bool sensitive = data[0] & 1;
    const bool whole = data[0] & 2;
    std::size_t patternLength = data[1] % 16 + 1;
    data += 2;
    size -= 2;
    if (patternLength > size)
        return 0;
    std::string pattern(reinterpret_cast<const char*>(data), patternLength);
    std::string line(reinterpret_cast<const char*>(data + patternLength), size - patternLength);

    // One engine reused across settings, as an editor's engine is between searches.
    static quillan::TQuillEditSearch search;
    search.SetSensitive(sensitive);
    search.SetWhole(whole);
    search.SetPattern(pattern);
    int count = search.FindAll(line);
    std::vector<int> expected = Reference(pattern, line, sensitive, whole);
    if (count != static_cast<int>(expected.size()))
        std::abort();
    for (int i = 0; i < count; ++i)
        if (search.Results(i) != expected[static_cast<std::size_t>(i)])
            std::abort();
    if (search.Results(count) != 0 || search.FoundCount() != count)
        std::abort();
    return 0;
}
