#include "app/FindReplace.h"
#include "backends/headless/HeadlessHost.h"
#include "editor/QuillEdit.h"
#include "highlight/HighlighterFactory.h"
#include "tools/cli/Bench.h"
#include "tools/cli/CliCommand.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <unordered_map>
#include <vector>

namespace quillan::cli {

namespace {

double Now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

std::string ShellQuote(const std::string& text)
{
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// The find dialog's path asks nobody: a message here would be a failure of the benchmark.
class TSilentUI : public IUserInterface {
public:
    TModalResult MessageDlg(std::string_view, TMsgDlgType, TMsgDlgButtons) override
    {
        ++Messages;
        return TModalResult::mrOk;
    }
    void ShowMessage(std::string_view) override { ++Messages; }
    bool ExecuteOpenDialog(TFileDialog&) override { return false; }
    bool ExecuteSaveDialog(TFileDialog&) override { return false; }
    void Beep() override { }
    int Messages = 0;
};

struct TPerOp {
    double Mean = 0;
    double Worst = 0;
};

TPerOp Summarise(const std::vector<double>& seconds)
{
    TPerOp r;
    for (double s : seconds) {
        r.Mean += s;
        r.Worst = std::max(r.Worst, s);
    }
    r.Mean /= static_cast<double>(seconds.size());
    return r;
}

// The identifier whose case-sensitive occurrences (as the editor's search counts them) come
// closest to `wanted`.
std::string FrequentIdentifier(const TQuillEditStringList& lines, int wanted, int& occurrences)
{
    std::unordered_map<std::string_view, int> counts;
    auto isStart = [](unsigned char c) { return c == '_' || ((c | 32) >= 'a' && (c | 32) <= 'z'); };
    auto isPart = [&](unsigned char c) { return isStart(c) || (c >= '0' && c <= '9'); };
    for (int i = 0; i < lines.Count(); ++i) {
        std::string_view s = lines.GetView(i);
        for (std::size_t k = 0; k < s.size();) {
            if (!isStart(static_cast<unsigned char>(s[k]))) {
                ++k;
                continue;
            }
            std::size_t e = k;
            while (e < s.size() && isPart(static_cast<unsigned char>(s[e])))
                ++e;
            if (e - k >= 4)
                ++counts[s.substr(k, e - k)];
            k = e;
        }
    }
    std::vector<std::pair<int, std::string_view>> near;
    for (auto [word, n] : counts)
        near.emplace_back(std::abs(n - wanted), word);
    std::sort(near.begin(), near.end());
    near.resize(std::min<std::size_t>(near.size(), 20));
    // A word also occurs inside longer ones; the search counts those too.
    std::string best;
    int bestDistance = -1;
    for (auto [distance, word] : near) {
        TQuillEditSearch search;
        search.SetSensitive(true);
        search.SetPattern(word);
        int n = 0;
        for (int i = 0; i < lines.Count(); ++i)
            n += search.FindAll(lines.GetView(i));
        if (bestDistance < 0 || std::abs(n - wanted) < bestDistance) {
            bestDistance = std::abs(n - wanted);
            best = word;
            occurrences = n;
        }
    }
    return best;
}

int BenchEdit(const std::vector<std::string>& args)
{
    std::string path = args.empty() ? bench::CorpusPath("cpp_1m.cpp") : args[0];
    if (bench::FileSize(path) == 0)
        return Fail("bench edit: cannot read " + path);
    THeadlessHost host;
    TQuillEdit edit(&host);
    std::unique_ptr<TCustomHighlighter> highlighter = CreateHighlighter("cpp");
    double start = Now();
    edit.Lines().LoadFromFile(path);
    double loaded = Now();
    edit.SetHighlighter(highlighter.get());
    double scanned = Now();
    std::printf("%s: %d lines, C/C++ highlighter attached\n", path.c_str(), edit.LineCount());
    bench::Report("load", loaded - start);
    bench::Report("attach highlighter (scan every line)", scanned - loaded);

    // Typing at the top of a long file: the rescan must stop after the edited line.
    constexpr int keystrokes = 2000;
    std::vector<double> typing, undoing;
    edit.SetCaretPos({ 1, 1 });
    const std::string firstLine = edit.LineText(1);
    for (int i = 0; i < keystrokes; ++i) {
        double t0 = Now();
        edit.DispatchCommand(ecChar, U'x');
        double t1 = Now();
        if (edit.LineText(1) != "x" + firstLine)
            return Fail("bench edit: typing did not change line 1");
        edit.Undo();
        double t2 = Now();
        if (edit.LineText(1) != firstLine)
            return Fail("bench edit: undo did not restore line 1");
        typing.push_back(t1 - t0);
        undoing.push_back(t2 - t1);
    }
    TPerOp type = Summarise(typing);
    TPerOp undo = Summarise(undoing);
    std::printf(
        "%-48s %10.4f ms (worst %.4f ms)\n", "type one character at line 1, mean", type.Mean * 1e3, type.Worst * 1e3);
    std::printf("%-48s %10.4f ms (worst %.4f ms)\n", "undo it, mean", undo.Mean * 1e3, undo.Worst * 1e3);
    bench::ReportRatio("type, mean / 0.2 ms", type.Mean / 0.2e-3, 1.0);
    bench::ReportRatio("undo, mean / 0.2 ms", undo.Mean / 0.2e-3, 1.0);

    // A forward search through the whole file for a string that does not occur.
    const std::string absent = "QuillanAbsentNeedle";
    int found = -1;
    double search = bench::BestSeconds(5, [&] {
        edit.SetCaretPos({ 1, 1 });
        found = edit.SearchReplace(absent, "", srMatchCase);
    });
    double grep
        = bench::BestCommandSeconds(5, "grep -F -c -- " + ShellQuote(absent) + ' ' + ShellQuote(path) + " >/dev/null");
    bench::Report("SearchReplace, absent string (" + std::to_string(found) + " found)", search);
    if (grep > 0) {
        bench::Report("grep -F -c", grep);
        bench::ReportRatio("search / grep", search / grep, 4.0);
    } else {
        std::printf("%-48s %10s\n", "grep -F -c", "unavailable");
    }

    // Replace-all of a frequent identifier, then undo what the undo limit kept.
    int occurrences = 0;
    std::string old = FrequentIdentifier(edit.Lines(), 100'000, occurrences);
    std::string replacement = "Q" + old;
    edit.SetCaretPos({ 1, 1 });
    double r0 = Now();
    int replaced = edit.SearchReplace(old, replacement, srMatchCase | srEntireScope | srReplaceAll);
    double r1 = Now();
    int undone = 0;
    for (; edit.CanUndo(); ++undone)
        edit.Undo();
    double r2 = Now();
    double sed = bench::BestCommandSeconds(
        3, "sed " + ShellQuote("s/" + old + "/" + replacement + "/g") + ' ' + ShellQuote(path) + " >/dev/null");
    std::printf("identifier \"%s\": %d occurrences\n", old.c_str(), occurrences);
    bench::Report("replace all (" + std::to_string(replaced) + " replaced)", r1 - r0);
    bench::Report("undo what MaxUndo kept (" + std::to_string(undone) + " steps)", r2 - r1);
    if (sed > 0) {
        bench::Report("sed s/OLD/NEW/g", sed);
        bench::ReportRatio("replace all / sed", (r1 - r0) / sed, 5.0);
    } else {
        std::printf("%-48s %10s\n", "sed", "unavailable");
    }

    // The same replace-all as the find dialog's Replace All button runs it, on the file as read.
    edit.Lines().LoadFromFile(path);
    edit.SetCaretPos({ 1, 1 });
    TSilentUI ui;
    TFindReplace find(ui);
    find.State.FindText = old;
    find.State.ReplaceText = replacement;
    find.State.MatchCase = true;
    double d0 = Now();
    int dialogReplaced = find.Replace(&edit, true);
    double d1 = Now();
    if (dialogReplaced != replaced || ui.Messages != 0)
        return Fail("bench edit: the find dialog's replace-all replaced " + std::to_string(dialogReplaced));
    bench::Report("replace all, find dialog (" + std::to_string(dialogReplaced) + " replaced)", d1 - d0);
    bench::ReportRatio("find dialog / replace all", (d1 - d0) / (r1 - r0), 2.0);
    edit.SetHighlighter(nullptr);
    return 0;
}

} // namespace

} // namespace quillan::cli

QUILLAN_CLI_BENCH(edit, "edit",
    "[FILE]   type and undo at line 1, search, replace all and undo on a highlighted 1,000,000-line file",
    quillan::cli::BenchEdit);
