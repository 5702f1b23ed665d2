#include "highlight/HighlighterFactory.h"
#include "text/QuillEditTextBuffer.h"
#include "tools/cli/CliCommand.h"

#include <cstdio>
#include <string>

namespace quillan::cli {

namespace {

// Output goes through one buffer flushed in large blocks: a 100,000-line file makes millions of
// rows, and stdio's per-call locking would dominate.
class TOut {
public:
    ~TOut() { Flush(); }
    void Put(std::string_view s)
    {
        FBuffer.append(s);
        if (FBuffer.size() >= (1u << 16))
            Flush();
    }
    void Put(std::size_t n) { Put(std::string_view(std::to_string(n))); }
    void Put(char c) { FBuffer.push_back(c); }
    void Flush()
    {
        if (!FBuffer.empty() && std::fwrite(FBuffer.data(), 1, FBuffer.size(), stdout) != FBuffer.size())
            FFailed = true;
        FBuffer.clear();
    }
    bool Failed() const { return FFailed; }

private:
    std::string FBuffer;
    bool FFailed = false;
};

int Tokens(const std::vector<std::string>& args)
{
    std::string lang;
    std::string file;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--lang") {
            if (i + 1 >= args.size())
                return Fail("tokens: --lang needs a language (cpp, pas, html, dfm)");
            lang = args[++i];
        } else if (file.empty()) {
            file = args[i];
        } else {
            return Fail("tokens: usage: tokens [--lang cpp|pas|html|dfm] FILE");
        }
    }
    if (file.empty())
        return Fail("tokens: usage: tokens [--lang cpp|pas|html|dfm] FILE");
    if (lang.empty()) {
        lang = LanguageForFileName(file);
        if (lang.empty())
            return Fail("tokens: no highlighter for " + file + " (use --lang)");
    }
    std::unique_ptr<TCustomHighlighter> hl = CreateHighlighter(lang);
    if (!hl)
        return Fail("tokens: unknown language: " + lang);

    TQuillEditStringList lines;
    try {
        lines.LoadFromFile(file);
    } catch (const std::exception& e) {
        return Fail(std::string("tokens: ") + e.what());
    }

    TOut out;
    hl->ClearRange();
    TRangeState range = hl->CurrentRange();
    for (int i = 0; i < lines.Count(); ++i) {
        const std::string lineNo = std::to_string(i);
        hl->RestoreRange(range);
        hl->StartLine(lines.GetView(i), i);
        while (!hl->AtLineEnd()) {
            const THighlighterAttributes* attr = hl->AttributeOfToken();
            out.Put(lineNo);
            out.Put('\t');
            out.Put(hl->TokenStart());
            out.Put('\t');
            out.Put(static_cast<std::size_t>(hl->KindOfToken()));
            out.Put('\t');
            out.Put(attr ? std::string_view(attr->AttributeName()) : std::string_view("-"));
            out.Put('\t');
            out.Put(Escape(hl->TokenText()));
            out.Put('\n');
            hl->Advance();
        }
        range = hl->CurrentRange();
        out.Put(lineNo);
        out.Put("\tend\t");
        out.Put(static_cast<std::size_t>(range));
        out.Put('\n');
    }
    out.Flush();
    if (out.Failed() || std::fflush(stdout) != 0)
        return Fail("tokens: cannot write the output");
    return 0;
}

} // namespace

} // namespace quillan::cli

QUILLAN_CLI_COMMAND(tokens, "tokens", "[--lang cpp|pas|html|dfm] FILE   print the highlighter's tokens of every line",
    quillan::cli::Tokens);
