#include "gui/TestForm.h"

#include "backends/wx/WxEditorWindow.h"
#include "base/AtomicFile.h"
#include "editor/QuillEdit.h"

#include <cstdlib>
#include <sstream>
#include <wx/sizer.h>

namespace quillan {

TTestForm::TTestForm(wxWindow* parent)
    : wxDialog(
        parent, wxID_ANY, "Previewing", wxDefaultPosition, wxDefaultSize, wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX)
    , FEdit(std::make_unique<TQuillEdit>())
{
    if (const char* state = std::getenv("QUILLAN_STATE_FILE"))
        FStateFile = std::string(state) + ".previewing";
    FWindow = new TWxEditorWindow(this);
    FWindow->SetClient(FEdit.get());
    TFontSpec font = FEdit->Font();
    font.Name = "Courier New";
    font.Size = 10; // 13 pixels at 96 pixels per inch
    font.Style = 0;
    FEdit->SetFont(font);
    FEdit->SetReadOnly(true);
    // Tab moves the focus on; the sample is only looked at.
    FEdit->SetWantTabs(false);
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(FWindow, 1, wxEXPAND);
    SetSizer(sizer);
    SetClientSize(493, 331);
    CentreOnScreen();
    Bind(wxEVT_CHAR_HOOK, &TTestForm::OnCharHook, this);
    if (!FStateFile.empty())
        Bind(wxEVT_IDLE, &TTestForm::OnIdle, this);
}

TTestForm::~TTestForm()
{
    // The window lets go of the editor first, and the editor of the highlighter.
    FWindow->SetClient(nullptr);
    FEdit->SetHighlighter(nullptr);
}

void TTestForm::Preview(TPreviewLanguage language, const TOptionsValues& values)
{
    FPreview.Show(*FEdit, language, values);
    FEdit->SetTopLine(1);
    FEdit->SetLeftChar(1);
    FEdit->SetCaretPos({ 1, 1 });
    FWindow->Refresh();
    FWindow->SetFocus();
    ShowModal();
    if (!FStateFile.empty())
        std::remove(FStateFile.c_str());
    FLastState.clear();
}

void TTestForm::OnCharHook(wxKeyEvent& event)
{
    if (event.GetKeyCode() == WXK_ESCAPE) {
        EndModal(wxID_CANCEL);
        return;
    }
    event.Skip();
}

void TTestForm::OnIdle(wxIdleEvent& event)
{
    event.Skip();
    if (IsModal())
        WriteStateFile();
}

void TTestForm::WriteStateFile()
{
    const wxPoint origin = FWindow->ClientToScreen(wxPoint(0, 0));
    const wxSize size = FWindow->GetClientSize();
    std::ostringstream out;
    out << "title=" << GetTitle().utf8_string() << "\neditor=" << origin.x << "," << origin.y << "," << size.x << ","
        << size.y << "\ntextoffset=" << FEdit->TextOffset() << "\ncharwidth=" << FEdit->CharWidth()
        << "\nlineheight=" << FEdit->LineHeight() << "\ntopline=" << FEdit->TopLine()
        << "\nleftchar=" << FEdit->LeftChar() << "\nlines=" << FEdit->LineCount()
        << "\nframes=" << FWindow->FramesShown() << "\n";
    const std::string text = out.str();
    if (text == FLastState)
        return;
    FLastState = text;
    TAtomicFileOptions options;
    options.SyncFile = options.SyncFolder = false;
    WriteFileAtomically(FStateFile, text, options);
}

} // namespace quillan
