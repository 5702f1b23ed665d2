#include "backends/wx/WxEditorWindow.h"

#include "GuiTestUtil.h"
#include "editor/QuillEdit.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <wx/frame.h>
#include <wx/sizer.h>
#include <wx/uiaction.h>

namespace quillan {
namespace {

constexpr TColor White = 0xFFFFFF;
constexpr TColor Blue = 0xFF0000;

std::string ShiftText(TShiftState s)
{
    std::string out;
    for (auto [bit, name] : { std::pair { ssShift, "S" }, { ssAlt, "A" }, { ssCtrl, "C" }, { ssLeft, "L" },
             { ssRight, "R" }, { ssMiddle, "M" }, { ssDouble, "D" } })
        if (s & bit)
            out += name;
    return out.empty() ? "-" : out;
}

// Records what the window hands on and paints horizontal bands of 16 rows, white and blue in
// turn, counted from the top of a document scrolled by Offset rows.
class TRecordingClient : public IEditorWindowClient {
public:
    void Paint(ICanvas& canvas, const TRect& rect) override
    {
        Painted.push_back(rect);
        for (int y = rect.Top; y < rect.Bottom;) {
            const int band = (y + Offset) / 16;
            const int bandEnd = std::min(rect.Bottom, (band + 1) * 16 - Offset);
            canvas.FillRect({ rect.Left, y, rect.Right, bandEnd }, Banded && band % 2 ? Blue : White);
            y = bandEnd;
        }
        if (OnPaint)
            OnPaint(canvas);
    }
    void MouseDown(TMouseButton b, TShiftState s, int x, int y) override
    {
        Events.push_back("down " + std::to_string(static_cast<int>(b)) + ' ' + ShiftText(s) + ' ' + std::to_string(x)
            + ' ' + std::to_string(y));
    }
    void MouseMove(TShiftState, int, int) override { ++Moves; }
    void MouseUp(TMouseButton b, TShiftState s, int x, int y) override
    {
        Events.push_back("up " + std::to_string(static_cast<int>(b)) + ' ' + ShiftText(s) + ' ' + std::to_string(x)
            + ' ' + std::to_string(y));
    }
    void MouseCaptureLost() override { Events.push_back("capture lost"); }
    void MouseWheel(int delta, int lines, TShiftState s, int, int) override
    {
        Events.push_back("wheel " + std::to_string(delta) + ' ' + std::to_string(lines) + ' ' + ShiftText(s));
    }
    TCursor CursorAt(int, int) override { return crDefault; }
    void Scroll(TScrollBarKind bar, TScrollCode code, int pos) override
    {
        Events.push_back(std::string("scroll ") + (bar == TScrollBarKind::sbVertical ? "v " : "h ")
            + std::to_string(static_cast<int>(code)) + ' ' + std::to_string(pos));
    }
    void TimerTick() override { ++Ticks; }
    void SetHost(IEditorHost* host) override { Host = host; }
    void Resized() override { ++Resizes; }
    void FocusIn() override { Focus.push_back(true); }
    void FocusOut() override { Focus.push_back(false); }
    bool KeyDown(TVirtualKey key, TShiftState s) override
    {
        Keys.push_back("key " + std::to_string(key) + ' ' + ShiftText(s));
        return key != VK_Q; // everything but Q is a command
    }
    void CharTyped(char32_t ch) override { Keys.push_back("char " + std::to_string(ch)); }
    void InputMethodText(std::string_view text) override { Keys.push_back("ime " + std::string(text)); }
    bool TakesFileDrops() const override { return FileDrops; }
    void FilesDropped(int x, int y, const std::vector<std::string>& files) override
    {
        std::string e = "files " + std::to_string(x) + ' ' + std::to_string(y);
        for (const std::string& f : files)
            e += ' ' + f;
        Events.push_back(e);
    }
    TDropEffect TextDragOver(const IEditorWindowClient*, TShiftState, int, int) override { return TDropEffect::deCopy; }
    void TextDragLeave() override { }
    bool TextDragDrop(IEditorWindowClient*, TShiftState, int, int) override { return false; }
    bool TextDropped(std::string_view, int, int) override { return false; }
    bool TakesTextDrops() const override { return true; }
    std::string SelectedText() const override { return {}; }
    TRect CaretCell() const override { return Cell; }
    TRect TextArea() const override { return { 40, 0, 10000, 10000 }; }

    TRect PaintedArea() const
    {
        TRect all;
        for (const TRect& r : Painted)
            all = all.Union(r);
        return all;
    }

    std::vector<TRect> Painted;
    std::vector<std::string> Events;
    std::vector<std::string> Keys;
    std::vector<bool> Focus; // true for each focus in, false for each focus out
    int Moves = 0;
    int Ticks = 0;
    int Offset = 0;
    int Resizes = 0;
    bool Banded = false;
    bool FileDrops = false;
    IEditorHost* Host = nullptr;
    TRect Cell { 39, 16, 47, 32 };
    std::function<void(ICanvas&)> OnPaint;
};

class WxEditorWindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        Frame = new wxFrame(nullptr, wxID_ANY, "editor window test", wxPoint(40, 40), wxSize(520, 400));
        auto* sizer = new wxBoxSizer(wxVERTICAL);
        Window = new TWxEditorWindow(Frame);
        Other = new TWxEditorWindow(Frame, wxID_ANY, wxDefaultPosition, wxSize(-1, 100));
        sizer->Add(Window, 1, wxEXPAND);
        sizer->Add(Other, 0, wxEXPAND);
        Frame->SetSizer(sizer);
        Window->SetClient(&Client);
        Window->SetCaretBlinkTime(0);
        Frame->Show();
        ASSERT_TRUE(guitest::FocusToplevel(Frame));
        ASSERT_TRUE(guitest::WaitFor([&] { return !Client.Painted.empty(); }));
        guitest::Pump(50);
    }
    void TearDown() override
    {
        Window->SetClient(nullptr);
        Frame->Destroy();
        guitest::Pump(50);
    }

    // Waits for the paints that follow a change, then settles.
    void Repainted()
    {
        Client.Painted.clear();
        EXPECT_TRUE(guitest::WaitFor([&] { return !Client.Painted.empty(); }));
        guitest::Pump(30);
    }
    wxImage Shot() { return guitest::Screenshot(guitest::ClientScreenRect(Window)); }
    static std::string Pixel(const wxImage& image, int x, int y)
    {
        return Html(wxColour(image.GetRed(x, y), image.GetGreen(x, y), image.GetBlue(x, y)));
    }
    static std::string Html(const wxColour& c) { return c.GetAsString(wxC2S_HTML_SYNTAX).ToStdString(); }
    static std::string Html(TColor c) { return Html(ToWxColour(c)); }
    // Waits until the screen shows `colour` at client pixel (x, y).
    bool Shows(int x, int y, const std::string& colour)
    {
        return guitest::WaitFor([&] { return Pixel(Shot(), x, y) == colour; }, 2000);
    }
    // Pointer to a point of the window's client area, in screen coordinates.
    wxPoint At(int x, int y) { return Window->ClientToScreen(wxPoint(x, y)); }

    wxFrame* Frame = nullptr;
    TWxEditorWindow* Window = nullptr;
    TWxEditorWindow* Other = nullptr;
    TRecordingClient Client;
};

TEST_F(WxEditorWindowTest, ScrollBarsSitBesideTheTextAndTakeWin32Ranges)
{
    auto* scrolled = GTK_SCROLLED_WINDOW(Window->GetHandle());
    EXPECT_FALSE(gtk_scrolled_window_get_overlay_scrolling(scrolled));
    const TSize client = Window->ClientSize();
    const wxSize outer = Window->GetSize();
    EXPECT_LT(client.Width, outer.x);
    EXPECT_LT(client.Height, outer.y);

    Window->SetScrollInfo(TScrollBarKind::sbVertical, { 1, 100, 10, 50, true });
    EXPECT_EQ(Window->GetScrollRange(wxVERTICAL), 100);
    EXPECT_EQ(Window->GetScrollThumb(wxVERTICAL), 10);
    EXPECT_EQ(Window->GetScrollPos(wxVERTICAL), 49);
    // A position past the last page is where the platform puts it: Max - Page + 1.
    Window->SetScrollInfo(TScrollBarKind::sbVertical, { 0, 32767, 8000, 32767, true });
    EXPECT_EQ(Window->GetScrollPos(wxVERTICAL), 32768 - 8000);

    // Not needed and not to be shown disabled: the bar goes and the text area grows.
    Window->SetScrollInfo(TScrollBarKind::sbHorizontal, { 1, 40, 80, 1, false });
    EXPECT_TRUE(guitest::WaitFor([&] { return Window->ClientSize().Height > client.Height; }));
    Window->SetScrollInfo(TScrollBarKind::sbHorizontal, { 1, 200, 80, 1, false });
    EXPECT_TRUE(guitest::WaitFor([&] { return Window->ClientSize().Height == client.Height; }));
}

TEST_F(WxEditorWindowTest, ScrollBarActionsReachTheClient)
{
    Window->SetScrollInfo(TScrollBarKind::sbVertical, { 1, 1000, 20, 1, true });
    wxScrollWinEvent down(wxEVT_SCROLLWIN_LINEDOWN, 0, wxVERTICAL);
    Window->ProcessWindowEvent(down);
    wxScrollWinEvent track(wxEVT_SCROLLWIN_THUMBTRACK, 19, wxVERTICAL);
    Window->ProcessWindowEvent(track);
    wxScrollWinEvent release(wxEVT_SCROLLWIN_THUMBRELEASE, 19, wxVERTICAL);
    Window->ProcessWindowEvent(release);
    EXPECT_EQ(Client.Events,
        (std::vector<std::string> {
            "scroll v 1 1", "scroll v 8 1", "scroll v 5 20", "scroll v 4 20", "scroll v 8 20" }));

    // A real click low in the vertical bar's trough moves the box down.
    Client.Events.clear();
    const wxRect outer = Window->GetScreenRect();
    const wxRect client = guitest::ClientScreenRect(Window);
    wxUIActionSimulator sim;
    sim.MouseMove((client.GetRight() + outer.GetRight()) / 2 + 1, client.GetBottom() - 10);
    sim.MouseClick();
    ASSERT_TRUE(guitest::WaitFor([&] { return !Client.Events.empty(); }));
    guitest::Pump(500); // GTK animates the box to its place
    const std::string& last = Client.Events.back();
    EXPECT_EQ(last.rfind("scroll v ", 0), 0u) << last;
    EXPECT_GT(std::stoi(last.substr(last.rfind(' ') + 1)), 500) << last;
}

TEST_F(WxEditorWindowTest, PaintCoversTheInvalidAreaAndScrollingMovesPixels)
{
    Client.Banded = true;
    Window->InvalidateRect(nullptr);
    Repainted();
    const TSize size = Window->ClientSize();

    const TRect part { 10, 20, 50, 30 };
    Window->InvalidateRect(&part);
    Repainted();
    EXPECT_EQ(Client.PaintedArea(), part);

    // One band up: only the band that scrolls in is painted, the rest is moved.
    Client.Offset = 16;
    Window->ScrollWindow(0, -16, nullptr);
    Repainted();
    EXPECT_EQ(Client.PaintedArea(), (TRect { 0, size.Height - 16, size.Width, size.Height }));
    wxImage image = Shot();
    for (int y : { 0, 15, 16, 31, 100, size.Height - 1 })
        EXPECT_EQ(Pixel(image, 5, y), Html(((y + 16) / 16) % 2 ? Blue : White)) << "row " << y;

    // Part of the client area cannot be moved on its own: it is repainted instead.
    const TRect text { 30, 0, size.Width, size.Height };
    Window->ScrollWindow(-8, 0, &text);
    Repainted();
    EXPECT_EQ(Client.PaintedArea(), text);
}

TEST_F(WxEditorWindowTest, CaretIsDrawnInvertingWhatIsUnderIt)
{
    const std::string blue = Html(Blue), yellow = "#FFFF00", black = "#000000";
    Client.Banded = true; // rows 16..31 are blue
    Window->InvalidateRect(nullptr);
    Repainted();
    Window->CreateCaret(8, 10);
    Window->SetCaretPos(20, 18);
    // A new caret is hidden until shown.
    guitest::Pump(50);
    EXPECT_EQ(Pixel(Shot(), 22, 20), blue);

    Client.Painted.clear();
    Window->ShowCaret();
    ASSERT_TRUE(Shows(20, 18, yellow)); // blue inverted
    wxImage image = Shot();
    EXPECT_EQ(Pixel(image, 27, 27), yellow);
    EXPECT_EQ(Pixel(image, 28, 20), blue);
    EXPECT_EQ(Pixel(image, 22, 28), blue);
    // The caret is the window's own: the client did not paint for it.
    EXPECT_TRUE(Client.Painted.empty());

    // Hides nest; shows never go below zero.
    Window->HideCaret();
    Window->HideCaret();
    Window->ShowCaret();
    EXPECT_FALSE(Window->CaretShowing());
    Window->ShowCaret();
    Window->ShowCaret();
    EXPECT_TRUE(Window->CaretShowing());
    Window->HideCaret();
    EXPECT_FALSE(Window->CaretShowing());
    EXPECT_TRUE(Shows(22, 20, blue));

    // Moving a shown caret clears the old place; over white it shows black.
    Window->ShowCaret();
    Window->SetCaretPos(40, 2);
    EXPECT_TRUE(Shows(42, 4, black));
    EXPECT_EQ(Pixel(Shot(), 22, 20), blue);
    EXPECT_EQ(Window->CaretRect(), (TRect { 40, 2, 48, 12 }));

    // Blinking turns it off and on again without the client.
    Window->SetCaretBlinkTime(100);
    EXPECT_TRUE(Shows(42, 4, "#FFFFFF"));
    EXPECT_TRUE(Shows(42, 4, black));
    EXPECT_TRUE(Client.Painted.empty());
}

TEST_F(WxEditorWindowTest, TimerCaptureAndMouseReachTheClient)
{
    Window->SetTimer(20);
    EXPECT_TRUE(guitest::WaitFor([&] { return Client.Ticks >= 3; }));
    Window->KillTimer();
    guitest::Pump(30);
    const int ticks = Client.Ticks;
    guitest::Pump(100);
    EXPECT_EQ(Client.Ticks, ticks);

    Window->SetCapture();
    EXPECT_TRUE(Window->HasCapture());
    Window->SetCapture(); // a second capture is no error
    Window->ReleaseCapture();
    EXPECT_FALSE(Window->HasCapture());

    wxUIActionSimulator sim;
    sim.MouseMove(At(30, 40));
    ASSERT_TRUE(guitest::WaitFor([&] { return Client.Moves > 0; }));
    sim.MouseClick();
    ASSERT_TRUE(guitest::WaitFor([&] { return Client.Events.size() >= 2; }));
    EXPECT_EQ(Client.Events, (std::vector<std::string> { "down 0 L 30 40", "up 0 - 30 40" }));

    Client.Events.clear();
    guitest::Pump(600); // not a double click with the click before
    sim.MouseDblClick();
    ASSERT_TRUE(guitest::WaitFor([&] { return Client.Events.size() >= 4; }));
    EXPECT_EQ(Client.Events,
        (std::vector<std::string> { "down 0 L 30 40", "up 0 - 30 40", "down 0 LD 30 40", "up 0 - 30 40" }));

    Client.Events.clear();
    sim.KeyDown(WXK_SHIFT);
    sim.MouseDown(wxMOUSE_BTN_RIGHT);
    sim.MouseUp(wxMOUSE_BTN_RIGHT);
    sim.KeyUp(WXK_SHIFT);
    ASSERT_TRUE(guitest::WaitFor([&] { return Client.Events.size() >= 2; }));
    EXPECT_EQ(Client.Events, (std::vector<std::string> { "down 1 SR 30 40", "up 1 S 30 40" }));

    // wx's simulator has no wheel; X button 4 is one notch away from the user.
    if (std::system("command -v xdotool >/dev/null") != 0)
        GTEST_SKIP() << "xdotool is not installed";
    Client.Events.clear();
    ASSERT_EQ(std::system("xdotool click 4 click 5"), 0);
    ASSERT_TRUE(guitest::WaitFor([&] { return Client.Events.size() >= 2; }));
    EXPECT_EQ(Client.Events, (std::vector<std::string> { "wheel 120 3 -", "wheel -120 3 -" }));
}

// The control itself in the window: keys arrive as the keystroke table's codes.
// The window knows its client only through the client interface: any client gets the keys,
// focus, size and files, and the window's host services.
TEST_F(WxEditorWindowTest, KeysFocusSizeAndFilesReachAnyClient)
{
    EXPECT_EQ(Client.Host, static_cast<IEditorHost*>(Window));

    Window->SetFocus();
    ASSERT_TRUE(guitest::WaitFor([&] { return !Client.Focus.empty() && Client.Focus.back(); }));
    wxUIActionSimulator sim;
    sim.Char('z', wxMOD_SHIFT);
    ASSERT_TRUE(guitest::WaitFor([&] { return Client.Keys.size() >= 2; }));
    guitest::Pump(50);
    // The Shift key comes too; the client made a command of Shift+Z, so no character follows.
    EXPECT_EQ(Client.Keys,
        (std::vector<std::string> { "key " + std::to_string(VK_SHIFT) + " S", "key " + std::to_string(VK_Z) + " S" }));
    Client.Keys.clear();
    sim.Char('q');
    ASSERT_TRUE(guitest::WaitFor([&] { return Client.Keys.size() >= 2; }));
    EXPECT_EQ(Client.Keys,
        (std::vector<std::string> { "key " + std::to_string(VK_Q) + " -", "char " + std::to_string(U'q') }));
    Client.Keys.clear();
    g_signal_emit_by_name(Window->m_imContext, "commit", "\xC3\xA9t\xC3\xA9");
    EXPECT_EQ(Client.Keys, std::vector<std::string> { "ime \xC3\xA9t\xC3\xA9" });

    Other->SetFocus();
    ASSERT_TRUE(guitest::WaitFor([&] { return !Client.Focus.back(); }));

    const int resizes = Client.Resizes;
    Frame->SetSize(wxSize(480, 380));
    EXPECT_TRUE(guitest::WaitFor([&] { return Client.Resizes > resizes; }));

    // Files go to the client when it takes them, else to nobody: no window above is asked.
    auto* target = dynamic_cast<wxFileDropTarget*>(Window->GetDropTarget());
    ASSERT_NE(target, nullptr);
    wxArrayString files;
    files.Add(wxString::FromUTF8("/tmp/\xC3\xA9.txt"));
    Client.Events.clear();
    EXPECT_EQ(target->OnDragOver(3, 4, wxDragCopy), wxDragNone);
    EXPECT_FALSE(target->OnDropFiles(3, 4, files));
    Client.FileDrops = true;
    EXPECT_EQ(target->OnDragOver(3, 4, wxDragCopy), wxDragCopy);
    EXPECT_TRUE(target->OnDropFiles(3, 4, files));
    EXPECT_EQ(Client.Events, std::vector<std::string> { "files 3 4 /tmp/\xC3\xA9.txt" });

    // A new client takes the host over; the old one is let go.
    TRecordingClient second;
    Window->SetClient(&second);
    EXPECT_EQ(Client.Host, nullptr);
    EXPECT_EQ(second.Host, static_cast<IEditorHost*>(Window));
    Window->SetClient(&Client);
    EXPECT_EQ(second.Host, nullptr);
}

// The drop marker: a two-pixel bar at the client's caret cell, kept inside its text area, shown
// only while the window has no focus (a focused window shows its caret).
TEST_F(WxEditorWindowTest, DropMarkerSitsAtTheCaretCellInsideTheTextArea)
{
    Other->SetFocus();
    ASSERT_TRUE(guitest::WaitFor([&] { return !Window->HasFocus(); }));
    Window->ShowDropMarker(true);
    EXPECT_EQ(Window->DropMarker(), (TRect { 40, 16, 41, 32 })) << "cut at the text area's left edge";
    Client.Cell = { 100, 32, 108, 48 };
    Window->ShowDropMarker(true);
    EXPECT_EQ(Window->DropMarker(), (TRect { 100, 32, 102, 48 }));
    Window->ShowDropMarker(false);
    EXPECT_TRUE(Window->DropMarker().IsEmpty());
}

class WxEditorWindowKeysTest : public WxEditorWindowTest {
protected:
    void SetUp() override
    {
        WxEditorWindowTest::SetUp();
        Edit.Lines().AddStrings(std::vector<std::string> { "first", "second" });
        Edit.SetCaretPos({ 1, 2 });
        Edit.OnKeyDown = [&](TCustomQuillEdit*, TVirtualKey& key, TShiftState shift) {
            Keys.push_back("key " + std::to_string(key) + ' ' + ShiftText(shift));
        };
        Edit.OnCommandProcessed
            = [&](TCustomQuillEdit*, TQuillEditorCommand command, TQuillChar ch, const TQuillCommandData& data) {
                  if (command == ecChar)
                      Commands.push_back("char " + std::to_string(ch));
                  else if (const std::string* text = std::get_if<std::string>(&data))
                      Commands.push_back("string " + std::to_string(command) + ' ' + *text);
              };
        Window->SetClient(&Edit);
        Window->SetFocus();
        ASSERT_TRUE(guitest::WaitFor([&] { return Window->HasFocus(); }));
    }

    TQuillEdit Edit;
    std::vector<std::string> Keys;
    std::vector<std::string> Commands;
};

TEST_F(WxEditorWindowKeysTest, KeysAndCharactersArriveTranslated)
{
    wxUIActionSimulator sim;
    sim.Char('x');
    ASSERT_TRUE(guitest::WaitFor([&] { return Edit.LineText(2) == "xsecond"; })) << Edit.LineText(2);
    EXPECT_EQ(Keys, std::vector<std::string> { "key " + std::to_string(VK_X) + " -" });
    EXPECT_EQ(Commands, std::vector<std::string> { "char " + std::to_string(U'x') });

    Keys.clear();
    Commands.clear();
    sim.Char(WXK_UP, wxMOD_SHIFT);
    ASSERT_TRUE(guitest::WaitFor([&] { return Edit.CaretLine() == 1; }));
    EXPECT_TRUE(Edit.HasSelection());
    EXPECT_EQ(Keys.back(), "key " + std::to_string(VK_UP) + " S");
    EXPECT_TRUE(Commands.empty());

    // A key that runs a command types nothing, although it has a character.
    Keys.clear();
    sim.Char('a', wxMOD_CONTROL);
    ASSERT_TRUE(guitest::WaitFor([&] { return Edit.SelectionStop() == (TBufferCoord { 8, 2 }); }));
    EXPECT_EQ(Keys.back(), "key " + std::to_string(VK_A) + " C");
    guitest::Pump(50);
    EXPECT_TRUE(Commands.empty());
    EXPECT_EQ(Edit.Text(), "first\r\nxsecond\r\n");
}

TEST_F(WxEditorWindowKeysTest, InputMethodCommits)
{
    // What GTK does when an input method finishes: one commit with the composed text.
    g_signal_emit_by_name(Window->m_imContext, "commit", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E"); // 日本語
    g_signal_emit_by_name(Window->m_imContext, "commit", "\xC3\xA9"); // é
    guitest::Pump(30);
    EXPECT_EQ(Commands,
        (std::vector<std::string> { "string " + std::to_string(ecImeStr) + " \xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E",
            "char " + std::to_string(0xE9) }));
    EXPECT_EQ(Edit.LineText(2), "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xC3\xA9second");
}

TEST_F(WxEditorWindowKeysTest, TheControlsCaretFollowsTheFocus)
{
    EXPECT_TRUE(guitest::WaitFor([&] { return Window->CaretShowing(); }));
    Other->SetFocus();
    EXPECT_TRUE(guitest::WaitFor([&] { return !Window->CaretShowing(); }));
    Window->SetFocus();
    EXPECT_TRUE(guitest::WaitFor([&] { return Window->CaretShowing(); }));
}

// What a person sees: bold text in its colour at the place it was drawn.
TEST_F(WxEditorWindowTest, BoldTextShowsOnTheScreenWhereItWasDrawn)
{
    TFontSpec font;
    font.Name = "Courier New";
    font.Size = 14;
    Client.OnPaint = [&](ICanvas& canvas) {
        canvas.SetTextColor(Blue);
        canvas.SetFont(font);
        const int w = canvas.CharAdvance(U'M');
        const int advances[] = { w, w, w, w, w, w };
        canvas.ExtTextOut(20, 10, 0, nullptr, "Quills", advances, 6);
        TFontSpec bold = font;
        bold.Style = fsBold;
        canvas.SetFont(bold);
        canvas.ExtTextOut(20, 60, 0, nullptr, "Quills", advances, 6);
    };
    Window->InvalidateRect(nullptr);
    Repainted();

    TWxCanvas measure;
    measure.SetFont(font);
    const int width = 6 * measure.CharAdvance(U'M');
    const int height = measure.GetTextMetrics().Height;
    const wxImage image = Shot();
    auto inkIn = [&](const TRect& r) {
        int ink = 0;
        for (int y = r.Top; y < r.Bottom; ++y)
            for (int x = r.Left; x < r.Right; ++x)
                if (image.GetBlue(x, y) > 128 && image.GetRed(x, y) < 128)
                    ++ink;
        return ink;
    };
    const int regular = inkIn({ 20, 10, 20 + width, 10 + height });
    const int bold = inkIn({ 20, 60, 20 + width, 60 + height });
    const TSize size = Window->ClientSize();
    EXPECT_GT(regular, 40);
    EXPECT_GT(bold, regular * 5 / 4) << "bold " << bold << ", regular " << regular;
    EXPECT_EQ(inkIn({ 0, 0, size.Width, size.Height }), regular + bold) << "blue ink outside the two runs";
}

} // namespace
} // namespace quillan
