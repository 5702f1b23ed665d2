#include "backends/cairo/CairoPrintTarget.h"
#include "highlight/HighlighterFactory.h"
#include "print/QuillEditPrint.h"
#include "print/QuillEditPrintDesign.h"
#include "text/QuillEditTextBuffer.h"
#include "tools/cli/CliCommand.h"

#include <charconv>
#include <exception>
#include <filesystem>

namespace quillan::cli {

namespace {

constexpr const char* PrintUsage = "usage: print FILE --pdf OUT.pdf [--png PREFIX] [--dpi N] [--title TEXT]";

// An image of an A4 page at 600 dpi is already 140 MB in memory; beyond that is a typo.
constexpr int MaxDpi = 600;

bool ParseDpi(const std::string& text, int& dpi)
{
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, dpi);
    return ec == std::errc() && ptr == end && dpi >= 10 && dpi <= MaxDpi;
}

// Prints FILE as the main window does: the engine with its design settings and default header
// and footer, loaded as from an editor showing the file (Courier New 10 pt, tab width 8, the
// highlighter its extension selects), titled with the file's full path.
int Print(const std::vector<std::string>& args)
{
    std::string file;
    std::string pdf;
    std::string png;
    std::string title;
    bool haveTitle = false;
    int dpi = 300;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--pdf" && hasValue) {
            pdf = args[++i];
        } else if (a == "--png" && hasValue) {
            png = args[++i];
        } else if (a == "--dpi" && hasValue) {
            if (!ParseDpi(args[++i], dpi))
                return Fail("print: --dpi must be a whole number from 10 to " + std::to_string(MaxDpi));
        } else if (a == "--title" && hasValue) {
            title = args[++i];
            haveTitle = true;
        } else if (file.empty() && !a.starts_with("--")) {
            file = a;
        } else {
            return Fail(PrintUsage);
        }
    }
    if (file.empty() || pdf.empty())
        return Fail(PrintUsage);

    try {
        TQuillEditStringList lines;
        lines.LoadFromFile(file);
        std::unique_ptr<TCustomHighlighter> highlighter = CreateHighlighter(LanguageForFileName(file));
        if (highlighter)
            highlighter->ApplyDesignValues();

        TQuillEditPrint engine;
        ApplyMainWindowPrintDesign(engine);
        TFontSpec editorFont;
        editorFont.Name = "Courier New";
        editorFont.Size = 10;
        editorFont.Style = 0;
        editorFont.Color = 0x000000;
        engine.SetTabWidth(8);
        engine.SetLines(lines);
        engine.SetHighlighter(highlighter.get());
        engine.SetFont(editorFont);
        std::error_code ec;
        std::filesystem::path full = std::filesystem::absolute(file, ec);
        engine.SetTitle(haveTitle ? title : ec ? file : full.lexically_normal().string());

        TCairoPrintTarget target(DefaultPageCaps());
        target.SetPdfFile(pdf);
        if (!png.empty())
            target.SetPngOutput(png, dpi);
        engine.SetPrinter(&target);
        engine.Print();
        engine.SetPrinter(nullptr);
        engine.SetHighlighter(nullptr);
    } catch (const std::exception& e) {
        return Fail(std::string("print: ") + e.what());
    }
    return 0;
}

} // namespace

QUILLAN_CLI_COMMAND(print, "print", "FILE --pdf OUT.pdf [--png PREFIX] [--dpi N] [--title TEXT]", Print);

} // namespace quillan::cli
