#include "GuiTestUtil.h"
#include "backends/wx/WxEditorWindow.h"
#include "editor/QuillEdit.h"

#include <gtest/gtest.h>
#include <wx/dnd.h>
#include <wx/frame.h>
#include <wx/sizer.h>

namespace quillan {
namespace {

constexpr int Border = 12;

// Stands in for the main window's own file drop target.
class TFrameDropTarget : public wxFileDropTarget {
public:
    bool OnDropFiles(wxCoord x, wxCoord y, const wxArrayString& files) override
    {
        At = wxPoint(x, y);
        Files.assign(files.begin(), files.end());
        return true;
    }
    wxPoint At;
    std::vector<wxString> Files;
};

class EditorDropTest : public testing::Test {
protected:
    void SetUp() override
    {
        Frame = new wxFrame(nullptr, wxID_ANY, "drop test", wxPoint(40, 40), wxSize(400, 300));
        auto* sizer = new wxBoxSizer(wxVERTICAL);
        Window = new TWxEditorWindow(Frame);
        sizer->Add(Window, 1, wxEXPAND | wxALL, Border);
        Frame->SetSizer(sizer);
        Window->SetClient(&Edit);
        Edit.OnDropFiles = [this](TCustomQuillEdit*, int x, int y, const std::vector<std::string>& files) {
            EditAt = { x, y };
            EditFiles = files;
        };
        Frame->Show();
        guitest::Pump(50);
    }
    void TearDown() override
    {
        Window->SetClient(nullptr);
        Frame->Destroy();
        guitest::Pump(50);
    }
    void AcceptDrops(bool on)
    {
        TQuillEditorOptions o = Edit.Options();
        Edit.SetOptions(on ? o.Include(TQuillEditorOption::eoDropFiles) : o.Exclude(TQuillEditorOption::eoDropFiles));
    }
    // The target the toolkit hands drops on the editor window to.
    wxFileDropTarget& Target()
    {
        auto* target = dynamic_cast<wxFileDropTarget*>(Window->GetDropTarget());
        EXPECT_NE(target, nullptr);
        return *target;
    }
    static wxArrayString Names(std::initializer_list<const char*> utf8)
    {
        wxArrayString out;
        for (const char* n : utf8)
            out.Add(wxString::FromUTF8(n));
        return out;
    }

    wxFrame* Frame = nullptr;
    TWxEditorWindow* Window = nullptr;
    TQuillEdit Edit;
    TPoint EditAt { -1, -1 };
    std::vector<std::string> EditFiles;
};

// Drops on the editor window have one way to go, the control: a frame that takes file drops
// itself gets none of the drops on the window, whatever the control's options.
TEST_F(EditorDropTest, ControlTakesDropsOnlyWhenItAcceptsThemAndTheFrameNeverSeesThem)
{
    auto* frameTarget = new TFrameDropTarget;
    Frame->SetDropTarget(frameTarget);
    const wxArrayString files = Names({ "/tmp/a b.cpp", "/tmp/\xc3\xa9t\xc3\xa9.pas" });

    AcceptDrops(true);
    EXPECT_EQ(Target().OnDragOver(5, 6, wxDragCopy), wxDragCopy);
    EXPECT_TRUE(Target().OnDropFiles(5, 6, files));
    EXPECT_EQ(EditAt, (TPoint { 5, 6 }));
    // Names keep their UTF-8 bytes on the way to the control.
    EXPECT_EQ(EditFiles, (std::vector<std::string> { "/tmp/a b.cpp", "/tmp/\xc3\xa9t\xc3\xa9.pas" }));
    EXPECT_TRUE(frameTarget->Files.empty());

    // Switched off after the window exists: the window refuses at once.
    EditFiles.clear();
    AcceptDrops(false);
    EXPECT_EQ(Target().OnDragOver(5, 6, wxDragCopy), wxDragNone);
    EXPECT_FALSE(Target().OnDropFiles(5, 6, files));
    EXPECT_TRUE(EditFiles.empty());
    EXPECT_TRUE(frameTarget->Files.empty());
    AcceptDrops(true);
    EXPECT_TRUE(Target().OnDropFiles(7, 8, files));
    EXPECT_EQ(EditAt, (TPoint { 7, 8 }));
}

TEST_F(EditorDropTest, DropWithNobodyToTakeItIsRefusedAndAHandlerlessControlStillFinishesIt)
{
    AcceptDrops(false);
    EXPECT_EQ(Target().OnDragOver(1, 1, wxDragCopy), wxDragNone);
    EXPECT_FALSE(Target().OnDropFiles(1, 1, Names({ "/tmp/x" })));
    EXPECT_TRUE(EditFiles.empty());

    AcceptDrops(true);
    Edit.OnDropFiles = nullptr;
    EXPECT_TRUE(Target().OnDropFiles(1, 1, Names({ "/tmp/x" })));

    // Without a control the window takes nothing.
    Window->SetClient(nullptr);
    EXPECT_EQ(Target().OnDragOver(1, 1, wxDragCopy), wxDragNone);
    EXPECT_FALSE(Target().OnDropFiles(1, 1, Names({ "/tmp/x" })));
}

} // namespace
} // namespace quillan
