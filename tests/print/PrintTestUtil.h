#pragma once

// Shared pieces of the print tests: a canvas that counts what is measured, a small highlighter
// whose scanning can be counted, and a printer that keeps every page's drawing calls.

#include "backends/headless/CountingCanvas.h"
#include "backends/headless/HeadlessCanvas.h"
#include "highlight/HighlighterBase.h"
#include "ports/PrintTarget.h"
#include "print/QuillEditPrint.h"

#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace quillan::printtest {

inline std::string TestDataPath(const std::string& relative)
{
    const char* dir = std::getenv("QUILLAN_TEST_DATA");
    return std::string(dir ? dir : QUILLAN_TEST_DATA_DEFAULT) + "/" + relative;
}

using ::quillan::TCountingCanvas;

// Words (runs of letters, digits and underscores) and single other bytes; "int" and "return" are
// key words drawn bold. Counts the lines it is asked to scan.
class TWordHighlighter final : public TCustomHighlighter {
public:
    TWordHighlighter()
    {
        FKey = AddAttribute("Key");
        FIdent = AddAttribute("Identifier");
        FSymbol = AddAttribute("Symbol");
        FKey->SetStyle(fsBold);
        BindAttributeChanges();
    }
    int StartedLines = 0;
    THighlighterAttributes* Key() const { return FKey; }
    THighlighterAttributes* Symbol() const { return FSymbol; }

    THighlighterAttributes* StandardAttribute(int kind) const override
    {
        return kind == sakKeyword ? FKey : kind == sakIdentifier ? FIdent : nullptr;
    }
    bool AtLineEnd() const override { return FTokenPos >= FLineLen; }
    THighlighterAttributes* AttributeOfToken() const override
    {
        std::string_view t = TokenText();
        if (t == "int" || t == "return")
            return FKey;
        if (!t.empty() && IsWord(t[0]))
            return FIdent;
        return FSymbol;
    }
    void Advance() override
    {
        FTokenPos = FRun;
        Next();
    }
    void StartLine(std::string_view text, int lineIndex) override
    {
        ++StartedLines;
        SetLine(text, lineIndex);
        Next();
    }

private:
    static bool IsWord(char c)
    {
        return c == '_' || (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')
            || (static_cast<unsigned char>(c) >= 0x80);
    }
    void Next()
    {
        if (FRun >= FLineLen)
            return;
        if (IsWord(FLine[FRun])) {
            while (FRun < FLineLen && IsWord(FLine[FRun]))
                ++FRun;
        } else {
            ++FRun;
        }
    }
    THighlighterAttributes* FKey;
    THighlighterAttributes* FIdent;
    THighlighterAttributes* FSymbol;
};

// A printer whose pages are headless canvases; keeps what happened to the job.
class TRecordingPrinter : public IPrintTarget {
public:
    explicit TRecordingPrinter(TPrinterDeviceCaps caps)
        : FCaps(caps)
    {
    }
    std::vector<std::unique_ptr<THeadlessCanvas>> Pages;
    std::string Title;
    int Begun = 0;
    int Ended = 0;
    int Aborted = 0;
    bool Available = true;

    bool GetDeviceCaps(TPrinterDeviceCaps& caps) override
    {
        caps = FCaps;
        return Available;
    }
    void BeginDoc(std::string_view title) override
    {
        Title = std::string(title);
        ++Begun;
        FPrinting = true;
        Pages.clear();
        NewCanvas();
    }
    ICanvas& Canvas() override { return *Pages.back(); }
    void NewPage() override { NewCanvas(); }
    void EndDoc() override
    {
        ++Ended;
        FPrinting = false;
    }
    void Abort() noexcept override
    {
        ++Aborted;
        FPrinting = false;
    }
    bool Printing() const override { return FPrinting; }

private:
    void NewCanvas()
    {
        Pages.push_back(std::make_unique<THeadlessCanvas>());
        Pages.back()->SetBounds({ 0, 0, FCaps.PageWidth, FCaps.PageHeight });
    }
    TPrinterDeviceCaps FCaps;
    bool FPrinting = false;
};

// A recorded call split into its words: {"TextOut", "230", "245", "#00000000", "text"}; the
// text (last field) keeps its blanks.
inline std::vector<std::string> Fields(const std::string& call, int fields)
{
    std::vector<std::string> out;
    std::size_t pos = 0;
    for (int i = 0; i + 1 < fields; ++i) {
        std::size_t blank = call.find(' ', pos);
        if (blank == std::string::npos)
            break;
        out.push_back(call.substr(pos, blank - pos));
        pos = blank + 1;
    }
    out.push_back(pos <= call.size() ? call.substr(pos) : std::string());
    return out;
}

// The text drawn by the text calls of a recording, in order: {x, y, text}.
struct TDrawnText {
    int X;
    int Y;
    std::string Text;
};
// False for a call that draws no text.
inline bool ParseTextCall(const std::string& call, TDrawnText& out)
{
    if (call.rfind("TextOut ", 0) == 0) {
        auto f = Fields(call, 5);
        out = { std::stoi(f[1]), std::stoi(f[2]), f[4] };
        return true;
    }
    if (call.rfind("ExtTextOut ", 0) == 0) {
        // "ExtTextOut x y options [rect] fg bg wN text"
        std::string rest = call;
        std::size_t rect = call.find(" [");
        if (rect != std::string::npos)
            rest = call.substr(0, rect) + call.substr(call.find(']', rect) + 1);
        auto f = Fields(rest, 8);
        out = { std::stoi(f[1]), std::stoi(f[2]), f[7] };
        return true;
    }
    return false;
}

inline std::vector<TDrawnText> DrawnTexts(const THeadlessCanvas& canvas)
{
    std::vector<TDrawnText> out;
    TDrawnText t;
    for (const std::string& call : canvas.Calls())
        if (ParseTextCall(call, t))
            out.push_back(t);
    return out;
}

} // namespace quillan::printtest
