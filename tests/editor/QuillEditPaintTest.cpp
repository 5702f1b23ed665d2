#include "EditorTestUtil.h"
#include "base/QuillEditStrConst.h"
#include "editor/TextDrawer.h"
#include "highlight/HighlighterFactory.h"

#include <gtest/gtest.h>
#include <sstream>

namespace quillan {
namespace {

using testutil::TEditorHarness;
using Lines = std::vector<std::string>;

constexpr int CW = THeadlessCanvas::CellWidth;
constexpr int LH = THeadlessCanvas::CellHeight;

std::string Hex(TColor c)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "#%08X", static_cast<unsigned>(c));
    return buf;
}

// One recorded ExtTextOut call taken apart.
struct TTextCall {
    int X = 0, Y = 0;
    TRect Rect;
    std::string Fg, Bg, Text;
    TFontStyles Style = 0; // of the font set before it
};

std::vector<TTextCall> TextCalls(const THeadlessCanvas& canvas)
{
    std::vector<TTextCall> out;
    TFontStyles style = 0;
    for (const std::string& call : canvas.Calls()) {
        std::istringstream in(call);
        std::string kind;
        in >> kind;
        if (kind == "SetFont") {
            // The face name may hold spaces; the style is the last field.
            style = static_cast<TFontStyles>(std::stoi(call.substr(call.rfind(' ') + 1)));
            continue;
        }
        if (kind != "ExtTextOut")
            continue;
        TTextCall t;
        unsigned options = 0;
        char bracket = 0;
        std::string width;
        in >> t.X >> t.Y >> options >> bracket >> t.Rect.Left >> t.Rect.Top >> t.Rect.Right >> t.Rect.Bottom >> bracket
            >> t.Fg >> t.Bg >> width;
        in.get();
        std::getline(in, t.Text);
        t.Style = style;
        out.push_back(t);
    }
    return out;
}

// Every pixel rectangle the calls touch.
std::vector<TRect> TouchedRects(const THeadlessCanvas& canvas)
{
    std::vector<TRect> out;
    for (const std::string& call : canvas.Calls()) {
        std::istringstream in(call);
        std::string kind;
        in >> kind;
        TRect r;
        if (kind == "FillRect") {
            in >> r.Left >> r.Top >> r.Right >> r.Bottom;
        } else if (kind == "Line") {
            in >> r.Left >> r.Top >> r.Right >> r.Bottom;
            r.Right = std::max(r.Right, r.Left + 1);
            r.Bottom = std::max(r.Bottom, r.Top + 1);
        } else if (kind == "ExtTextOut") {
            int x, y;
            unsigned o;
            char b;
            in >> x >> y >> o >> b >> r.Left >> r.Top >> r.Right >> r.Bottom;
        } else {
            continue;
        }
        out.push_back(r);
    }
    return out;
}

struct TPaintHarness : TEditorHarness {
    using TEditorHarness::TEditorHarness;
    THeadlessCanvas Canvas;
    void Paint(const TRect& r)
    {
        Canvas.ClearCalls();
        Edit.Paint(Canvas, r);
    }
    void PaintAll() { Paint({ 0, 0, Host.ClientSize().Width, Host.ClientSize().Height }); }
    const TTextCall* Find(std::string_view text)
    {
        for (const TTextCall& t : (Calls = TextCalls(Canvas)))
            if (t.Text == text) {
                Found = t;
                return &Found;
            }
        return nullptr;
    }
    std::vector<TTextCall> Calls;
    TTextCall Found;
};

TEST(QuillEditPaint, GutterShowsRightAlignedNumbersAndItsBevel)
{
    TPaintHarness h({ "a", "b", "c" });
    h.Edit.Gutter().SetShowLineNumbers(true);
    h.Edit.Gutter().SetLeadingZeros(true);
    const int gw = h.Edit.GutterWidth();
    EXPECT_EQ(gw, 16 + 2 + 4 * CW + 2);
    h.PaintAll();
    const TTextCall* third = h.Find("0003");
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(third->X, 16);
    EXPECT_EQ(third->Y, 2 * LH);
    EXPECT_EQ(third->Bg, Hex(clBtnFace));
    EXPECT_EQ(h.Find("0004"), nullptr) << "no number past the text";
    const auto& calls = h.Canvas.Calls();
    EXPECT_NE(std::find(calls.begin(), calls.end(), "FillRect 0 48 " + std::to_string(gw) + " 480 " + Hex(clBtnFace)),
        calls.end());
    EXPECT_NE(std::find(calls.begin(), calls.end(),
                  "Line " + std::to_string(gw - 1) + " 0 " + std::to_string(gw - 1) + " 480 " + Hex(clBtnShadow)),
        calls.end());
}

TEST(QuillEditPaint, BookmarksShowInTheGutterRowOfTheirLine)
{
    TPaintHarness h({ "a", "b", "c" });
    h.Edit.SetBookMark(3, 1, 2);
    h.Edit.SetBookMark(7, 1, 3);
    h.Edit.BookMark(7)->SetVisible(false);
    h.PaintAll();
    std::vector<std::string> glyphs;
    for (const std::string& call : h.Canvas.Calls())
        if (call.rfind("DrawImage ", 0) == 0)
            glyphs.push_back(call);
    ASSERT_EQ(glyphs.size(), 1u) << "a hidden mark is not drawn";
    // Glyph 3 of the built-in strip at the left margin, centred in the second row.
    EXPECT_EQ(glyphs[0].rfind("DrawImage 2 17 [33 0 44 14] ", 0), 0u) << glyphs[0];
    h.Edit.BookMarkOptions().SetGlyphsVisible(false);
    h.PaintAll();
    for (const std::string& call : h.Canvas.Calls())
        EXPECT_NE(call.rfind("DrawImage ", 0), 0u);
}

TEST(QuillEditPaint, EmptyTextStillNumbersItsFirstLine)
{
    TPaintHarness h;
    h.Edit.Gutter().SetShowLineNumbers(true);
    h.PaintAll();
    EXPECT_NE(h.Find("   1"), nullptr);
}

TEST(QuillEditPaint, TokensWithEqualLooksShareOneCall)
{
    TPaintHarness h({ "int x = 1; int y;" });
    auto hl = CreateHighlighter("cpp");
    THighlighterAttributes* key = hl->StandardAttribute(sakKeyword);
    key->SetForeground(0x0000FF);
    key->SetStyle(fsBold);
    h.Edit.SetHighlighter(hl.get());
    h.PaintAll();
    const std::vector<TTextCall> calls = TextCalls(h.Canvas);
    int keywordCalls = 0;
    std::string drawn;
    for (const TTextCall& t : calls) {
        if (t.Y != 0 || t.X < h.Edit.GutterWidth())
            continue;
        drawn += t.Text;
        if (t.Text.rfind("int", 0) == 0) {
            ++keywordCalls;
            EXPECT_EQ(t.Fg, Hex(0x0000FF));
            EXPECT_EQ(t.Style, fsBold);
        }
    }
    EXPECT_EQ(drawn, "int x = 1; int y;") << "every character drawn once, in order";
    EXPECT_EQ(keywordCalls, 2);
    // "int " | "x = 1; " | "int " | "y;": spaces join any run; identifiers, symbols and numbers of
    // one colour join each other.
    EXPECT_LE(std::count_if(calls.begin(), calls.end(), [](const TTextCall& t) { return t.Y == 0; }), 5);
    h.Edit.SetHighlighter(nullptr);
}

TEST(QuillEditPaint, PaintsOnlyTheInvalidArea)
{
    Lines lines(40, "for (int i = 0; i < n; ++i) sum += i; // a long enough line of code to pass the edge");
    TPaintHarness h(lines);
    auto hl = CreateHighlighter("cpp");
    h.Edit.SetHighlighter(hl.get());
    h.Edit.Gutter().SetShowLineNumbers(true);
    h.Select(5, 3, 20, 6);
    for (const TRect clip : { TRect { 100, 40, 300, 90 }, TRect { 0, 0, 20, 480 }, TRect { 30, 17, 674, 33 } }) {
        h.Paint(clip);
        ASSERT_FALSE(h.Canvas.Calls().empty());
        TRect covered;
        for (const TRect& r : TouchedRects(h.Canvas)) {
            EXPECT_EQ(r.Intersect(clip), r) << "drew outside " << clip.Left << ',' << clip.Top;
            covered = covered.Union(r);
        }
        EXPECT_EQ(covered, clip) << "left pixels of the clip unpainted";
    }
    h.Edit.SetHighlighter(nullptr);
}

TEST(QuillEditPaint, SelectionAndSpecialLinesSwapColours)
{
    TPaintHarness h({ "abcdefgh", "ijklmnop" });
    const std::string sel = Hex(clHighlight), selText = Hex(clHighlightText), red = Hex(0x0000FF),
                      yellow = Hex(0x00FFFF);
    h.Select(3, 1, 6, 1);
    h.PaintAll();
    ASSERT_NE(h.Find("cde"), nullptr);
    EXPECT_EQ(h.Found.Fg, selText);
    EXPECT_EQ(h.Found.Bg, sel);
    ASSERT_NE(h.Find("ab"), nullptr);
    EXPECT_EQ(h.Found.Bg, Hex(clWindow));
    ASSERT_NE(h.Find("fgh"), nullptr);
    EXPECT_EQ(h.Found.Bg, Hex(clWindow));

    // Across lines: the first line's selected span runs to the right edge of the window.
    h.Select(3, 1, 3, 2);
    h.Edit.OnSpecialLineColors = [](TCustomQuillEdit*, int line, bool& special, TColor& fg, TColor& bg) {
        if (line == 2) {
            special = true;
            fg = 0x0000FF;
            bg = 0x00FFFF;
        }
    };
    h.PaintAll();
    const auto& calls = h.Canvas.Calls();
    const int textEnd = h.Edit.TextOffset() + 8 * CW;
    EXPECT_NE(
        std::find(calls.begin(), calls.end(), "FillRect " + std::to_string(textEnd) + " 0 674 16 " + sel), calls.end());
    ASSERT_NE(h.Find("ij"), nullptr);
    EXPECT_EQ(h.Found.Fg, yellow) << "selected on a special line: its colours swapped";
    EXPECT_EQ(h.Found.Bg, red);
    ASSERT_NE(h.Find("klmnop"), nullptr);
    EXPECT_EQ(h.Found.Fg, red);
    EXPECT_EQ(h.Found.Bg, yellow);

    // A hidden selection of an unfocused control paints as plain text.
    h.Edit.OnSpecialLineColors = nullptr;
    h.Edit.SetHideSelection(true);
    h.Host.SetFocused(false);
    h.PaintAll();
    for (const TTextCall& t : TextCalls(h.Canvas))
        EXPECT_NE(t.Bg, sel) << t.Text;
}

TEST(QuillEditPaint, RightEdgeRunsThroughTextAndTheAreaBelow)
{
    TPaintHarness h({ "x" });
    h.PaintAll();
    const int x = 80 * CW + h.Edit.TextOffset();
    const auto& calls = h.Canvas.Calls();
    EXPECT_NE(std::find(calls.begin(), calls.end(),
                  "Line " + std::to_string(x) + " 0 " + std::to_string(x) + " 480 " + Hex(clSilver)),
        calls.end());
    h.Paint({ 0, 0, x, 480 });
    for (const std::string& call : h.Canvas.Calls())
        EXPECT_NE(call.rfind("Line " + std::to_string(x), 0), 0u);
}

TEST(QuillEditPaint, ScrollingOneLineRepaintsOneRow)
{
    Lines lines(100, "text");
    TPaintHarness h(lines);
    h.Host.ClearInvalid();
    h.Edit.SetTopLine(2);
    ASSERT_EQ(h.Host.Scrolls().size(), 1u);
    EXPECT_EQ(h.Host.Scrolls().back(), -LH);
    EXPECT_EQ(h.Host.InvalidRect().Height(), LH);
    h.Host.ClearInvalid();
    h.Edit.Scroll(TScrollBarKind::sbVertical, TScrollCode::scLineUp, 0);
    EXPECT_EQ(h.Edit.TopLine(), 1);
    EXPECT_EQ(h.Host.InvalidRect(), (TRect { 0, 0, 674, LH }));
    // A jump of a window or more repaints everything instead of moving pixels.
    h.Host.ClearInvalid();
    h.Edit.Scroll(TScrollBarKind::sbVertical, TScrollCode::scPageDown, 0);
    EXPECT_EQ(h.Edit.TopLine(), 31);
    EXPECT_EQ(h.Host.InvalidRect(), (TRect { 0, 0, 674, 480 }));
}

TEST(QuillEditPaint, TextDrawerBracketsOneCanvasAtATime)
{
    TFontSpec font;
    EXPECT_THROW(TTextDrawer(TFontSpec { .Name = "" }, 8, 16), EQuillEditError);
    TTextDrawer drawer(font, 8, 16);
    THeadlessCanvas a, b;
    drawer.BeginDrawing(a);
    drawer.BeginDrawing(a);
    EXPECT_THROW(drawer.BeginDrawing(b), std::logic_error);
    drawer.SetStyle(fsItalic);
    drawer.EndDrawing();
    EXPECT_EQ(a.Font().Style, fsItalic) << "inner end keeps the state";
    drawer.EndDrawing();
    EXPECT_EQ(a.Font().Style, 0) << "outer end restores the canvas";
    drawer.BeginDrawing(b);
    // Long runs outgrow the first advance array.
    std::string run(200, 'x');
    drawer.ExtTextOut(0, 0, etoOpaque, { 0, 0, 1600, 16 }, run, 200);
    EXPECT_NE(b.Calls().back().find(" w1600 "), std::string::npos);
    drawer.EndDrawing();
}

} // namespace
} // namespace quillan
