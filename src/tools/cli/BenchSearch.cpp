#include "text/QuillEditSearch.h"
#include "text/QuillEditTextBuffer.h"
#include "tools/cli/Bench.h"
#include "tools/cli/CliCommand.h"

#include <cstdio>

namespace quillan::cli {

namespace {

// Searches every line the way the editor's search-and-replace walks a document.
std::size_t SearchAll(const TQuillEditStringList& lines, std::string_view needle, bool sensitive)
{
    TQuillEditSearch search;
    search.SetSensitive(sensitive);
    search.SetPattern(needle);
    std::size_t found = 0;
    for (int i = 0; i < lines.Count(); ++i)
        found += static_cast<std::size_t>(search.FindAll(lines.GetView(i)));
    return found;
}

std::string ShellQuote(const std::string& text)
{
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

void Compare(const TQuillEditStringList& lines, const std::string& path, const std::string& needle, bool sensitive,
    double target)
{
    std::size_t found = 0;
    double ours = bench::BestSeconds(5, [&] { found = SearchAll(lines, needle, sensitive); });
    std::string grep = std::string("grep -F -c ") + (sensitive ? "" : "-i ") + "-- " + ShellQuote(needle) + ' '
        + ShellQuote(path) + " >/dev/null";
    double baseline = bench::BestCommandSeconds(5, grep);
    std::string label = std::string(sensitive ? "case-sensitive" : "case-insensitive") + " \"" + needle + "\"";
    bench::Report("search, " + label + " (" + std::to_string(found) + " found)", ours);
    if (baseline < 0) {
        std::printf("%-48s %10s\n", grep.c_str(), "unavailable");
        return;
    }
    bench::Report(sensitive ? "grep -F -c" : "grep -F -i -c", baseline);
    if (target > 0)
        bench::ReportRatio("ratio to grep", ours / baseline, target);
    else
        std::printf("%-48s %10.2fx\n", "ratio to grep", ours / baseline);
}

int BenchSearch(const std::vector<std::string>& args)
{
    std::string path = args.empty() ? bench::CorpusPath("cpp_1m.cpp") : args[0];
    if (bench::FileSize(path) == 0)
        return Fail("cannot read " + path);
    TQuillEditStringList lines;
    lines.LoadFromFile(path);
    std::printf("%s: %d lines\n", path.c_str(), lines.Count());
    // The target applies to the long needle; a short one skips less and is shown for comparison.
    for (const char* needle : { "QuillanAbsentNeedle", "qzxjv" })
        for (bool sensitive : { true, false })
            Compare(lines, path, needle, sensitive, needle[0] == 'Q' ? 4.0 : 0.0);
    return 0;
}

} // namespace

} // namespace quillan::cli

QUILLAN_CLI_BENCH(
    search, "search", "[FILE]   search every line for absent strings, next to grep -F", quillan::cli::BenchSearch);
