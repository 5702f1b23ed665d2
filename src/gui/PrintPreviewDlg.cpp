#include "gui/PrintPreviewDlg.h"

#include "backends/wx/WxEditorWindow.h"
#include "gui/ToolIcons.h"
#include "print/QuillEditPrint.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <wx/dcscreen.h>
#include <wx/menu.h>
#include <wx/sizer.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>

namespace quillan {

namespace {

enum : int {
    ID_FIRST = wxID_HIGHEST + 500,
    ID_PREV,
    ID_NEXT,
    ID_LAST,
    ID_ZOOM,
    ID_PAGESETUP,
    ID_PRINT,
    ID_CLOSE,
    ID_WHOLEPAGE,
    ID_PAGEWIDTH,
    ID_ZOOM25,
    ID_ZOOM50,
    ID_ZOOM100,
    ID_ZOOM200,
    ID_ZOOM400,
};

constexpr const char* PrintHint = "Print|Print the document";

wxString Wx(std::string_view s)
{
    return wxString::FromUTF8(s.data(), s.size());
}

// A hint "Short|Long" as the tool's tooltip and its status-line help.
void SetHint(wxToolBar* bar, int id, std::string_view hint)
{
    const auto bar_ = hint.find('|');
    bar->SetToolShortHelp(id, Wx(hint.substr(0, bar_)));
    bar->SetToolLongHelp(id, Wx(bar_ == std::string_view::npos ? hint : hint.substr(bar_ + 1)));
}

} // namespace

TTestPrintPreviewDlg::TTestPrintPreviewDlg(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, "Print Preview", wxDefaultPosition, wxSize(800, 600),
        wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER | wxMAXIMIZE_BOX)
{
    if (const char* state = std::getenv("QUILLAN_STATE_FILE"))
        FStateFile = std::string(state) + ".preview";

    auto* sizer = new wxBoxSizer(wxVERTICAL);
    CreateToolBar();
    sizer->Add(FToolBar, 0, wxEXPAND);
    FWindow = new TWxEditorWindow(this);
    FWindow->SetClient(&FPreview); // and makes the window the preview's host
    const wxSize ppi = wxScreenDC().GetPPI();
    FPreview.SetScreenPixelsPerInch({ ppi.x, ppi.y });
    FPreview.SetScaleMode(TQuillPreviewScale::pscWholePage);
    sizer->Add(FWindow, 1, wxEXPAND);
    FStatus = new wxStatusBar(this, wxID_ANY);
    const int widths[] = { 400, 100 };
    FStatus->SetFieldsCount(2, widths);
    sizer->Add(FStatus, 0, wxEXPAND);
    SetSizer(sizer);

    FPreview.OnPreviewPage = [this](TQuillEditPrintPreview*, int page) {
        FStatus->SetStatusText(wxString::Format(" Page: %d", page), 1);
        EnablePageTools();
    };
    FPreview.OnMouseDown = [this](TQuillEditPrintPreview*, TMouseButton button, TShiftState, int, int) {
        Zoom(button == TMouseButton::mbLeft);
    };
    FWindow->Bind(wxEVT_KEY_UP, &TTestPrintPreviewDlg::OnKeyUp, this);
    Bind(wxEVT_KEY_UP, &TTestPrintPreviewDlg::OnKeyUp, this);
    Bind(wxEVT_CHAR_HOOK, &TTestPrintPreviewDlg::OnCharHook, this);
    Bind(wxEVT_TOOL, &TTestPrintPreviewDlg::OnTool, this, ID_FIRST, ID_ZOOM400);
    Bind(wxEVT_MENU, &TTestPrintPreviewDlg::OnTool, this, ID_FIRST, ID_ZOOM400);
    Bind(wxEVT_IDLE, &TTestPrintPreviewDlg::OnIdle, this);
}

TTestPrintPreviewDlg::~TTestPrintPreviewDlg()
{
    if (!FStateFile.empty())
        WriteStateFile();
    FWindow->SetClient(nullptr);
    FPreview.SetQuillEditPrint(nullptr);
}

void TTestPrintPreviewDlg::CreateToolBar()
{
    FToolBar = new wxToolBar(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTB_FLAT | wxTB_HORIZONTAL);
    FToolBar->SetToolBitmapSize(wxSize(17, 17));
    // The main toolbar's pictures: the theme's stock ones were pale outlines that looked
    // disabled whether they were or not.
    auto tool = [&](int id, const char* picture, const char* hint, wxItemKind kind = wxITEM_NORMAL) {
        FToolBar->AddTool(id, "", ToolIcon(picture), DisabledToolIcon(picture), kind, "");
        SetHint(FToolBar, id, hint);
    };
    tool(ID_FIRST, "first", "First|Go to first page");
    tool(ID_PREV, "previous", "Previous|Go to previous page");
    tool(ID_NEXT, "next", "Next|Go to next page");
    tool(ID_LAST, "last", "Last|Go to last page");
    FToolBar->AddSeparator();
    tool(ID_ZOOM, "find", "Zoom|Zoom In/Out", wxITEM_DROPDOWN);
    auto* zoom = new wxMenu;
    zoom->Append(ID_WHOLEPAGE, "Whole page");
    zoom->Append(ID_PAGEWIDTH, "Page width");
    zoom->AppendSeparator();
    zoom->Append(ID_ZOOM25, "25%");
    zoom->Append(ID_ZOOM50, "50%");
    zoom->Append(ID_ZOOM100, "100%");
    zoom->Append(ID_ZOOM200, "200%");
    zoom->Append(ID_ZOOM400, "400%");
    FToolBar->SetDropdownMenu(ID_ZOOM, zoom);
    FToolBar->AddSeparator();
    tool(ID_PAGESETUP, "pagesetup", "Page Setup");
    tool(ID_PRINT, "print", PrintHint);
    FToolBar->AddSeparator();
    tool(ID_CLOSE, "exit", "Close|Close Print Preview");
    FToolBar->Realize();
}

int TTestPrintPreviewDlg::ShowModal()
{
    if (wxWindow* parent = GetParent())
        SetSize(parent->GetScreenRect().GetSize());
    Centre();
    Maximize(true);
    Rebuild();
    FWindow->SetFocus();
    return wxDialog::ShowModal();
}

void TTestPrintPreviewDlg::Rebuild()
{
    FPreview.UpdatePreview();
    FPreview.FirstPage();
    EnablePageTools();
    RefreshPrintHint();
}

void TTestPrintPreviewDlg::EnablePageTools()
{
    // Where the pages end, the buttons that go past them cannot be used and look it.
    const int page = FPreview.PageNumber(), pages = FPreview.PageCount();
    FToolBar->EnableTool(ID_FIRST, page > 1);
    FToolBar->EnableTool(ID_PREV, page > 1);
    FToolBar->EnableTool(ID_NEXT, page < pages);
    FToolBar->EnableTool(ID_LAST, page < pages);
}

void TTestPrintPreviewDlg::RefreshPrintHint()
{
    const std::string name = PrinterName ? PrinterName() : std::string();
    if (name.empty())
        SetHint(FToolBar, ID_PRINT, PrintHint);
    else
        SetHint(FToolBar, ID_PRINT, "Print (" + name + ")|Print the document on " + name);
}

void TTestPrintPreviewDlg::Zoom(bool in)
{
    int percent = FPreview.ScalePercent();
    if (in)
        percent = FPreview.ScaleMode() == TQuillPreviewScale::pscWholePage ? 100 : std::min(percent * 2, 400);
    else
        percent = std::max(percent / 2, 25);
    FPreview.SetScalePercent(percent);
}

void TTestPrintPreviewDlg::OnTool(wxCommandEvent& event)
{
    switch (event.GetId()) {
    case ID_FIRST:
        FPreview.FirstPage();
        break;
    case ID_PREV:
        FPreview.PreviousPage();
        break;
    case ID_NEXT:
        FPreview.NextPage();
        break;
    case ID_LAST:
        FPreview.LastPage();
        break;
    case ID_ZOOM:
    case ID_WHOLEPAGE:
        FPreview.SetScaleMode(TQuillPreviewScale::pscWholePage);
        break;
    case ID_PAGEWIDTH:
        FPreview.SetScaleMode(TQuillPreviewScale::pscPageWidth);
        break;
    case ID_ZOOM25:
        FPreview.SetScalePercent(25);
        break;
    case ID_ZOOM50:
        FPreview.SetScalePercent(50);
        break;
    case ID_ZOOM100:
        FPreview.SetScalePercent(100);
        break;
    case ID_ZOOM200:
        FPreview.SetScalePercent(200);
        break;
    case ID_ZOOM400:
        FPreview.SetScalePercent(400);
        break;
    case ID_PAGESETUP:
        if (OnPageSetup)
            OnPageSetup();
        Rebuild();
        break;
    case ID_PRINT:
        try {
            FPreview.PrintDocument();
        } catch (const std::exception& e) {
            wxMessageBox(Wx(e.what()), GetTitle(), wxOK | wxICON_ERROR, this);
        }
        break;
    case ID_CLOSE:
        EndModal(wxID_CANCEL);
        break;
    default:
        break;
    }
}

void TTestPrintPreviewDlg::OnCharHook(wxKeyEvent& event)
{
    const int code = event.GetKeyCode();
    if (code == WXK_ESCAPE) {
        // The window closes when Esc is let go, so the key's release lands nowhere else.
        return;
    }
    int id = 0;
    if (event.AltDown() && !event.RawControlDown()) {
        switch (code >= 'a' && code <= 'z' ? code - 32 : code) {
        case 'F':
            id = ID_FIRST;
            break;
        case 'P':
            id = ID_PREV;
            break;
        case 'N':
            id = ID_NEXT;
            break;
        case 'L':
            id = ID_LAST;
            break;
        case 'Z':
            id = ID_ZOOM;
            break;
        case 'C':
            id = ID_CLOSE;
            break;
        default:
            break;
        }
    } else if (event.RawControlDown() && !event.AltDown() && (code == 'P' || code == 'p')) {
        id = ID_PRINT;
    }
    if (id == 0) {
        event.Skip();
        return;
    }
    wxCommandEvent command(wxEVT_TOOL, id);
    command.SetEventObject(this);
    OnTool(command);
}

void TTestPrintPreviewDlg::OnKeyUp(wxKeyEvent& event)
{
    if (event.GetKeyCode() == WXK_ESCAPE && IsModal()) {
        EndModal(wxID_CANCEL);
        return;
    }
    event.Skip();
}

void TTestPrintPreviewDlg::OnIdle(wxIdleEvent& event)
{
    event.Skip();
    if (!FStateFile.empty())
        WriteStateFile();
}

void TTestPrintPreviewDlg::WriteStateFile()
{
    const TRect page = FPreview.PageRect();
    const wxRect screen(FWindow->GetScreenPosition(), FWindow->GetClientSize());
    std::ostringstream out;
    out << "shown=" << (IsShown() ? 1 : 0) << "\npage=" << FPreview.PageNumber() << "\npages=" << FPreview.PageCount()
        << "\nmode=" << static_cast<int>(FPreview.ScaleMode()) << "\npercent=" << FPreview.ScalePercent()
        << "\npagerect=" << page.Left << "," << page.Top << "," << page.Width() << "," << page.Height()
        << "\nclient=" << screen.x << "," << screen.y << "," << screen.width << "," << screen.height
        << "\nstatus=" << FStatus->GetStatusText(1).utf8_string()
        << "\nprinthint=" << FToolBar->GetToolShortHelp(ID_PRINT).utf8_string() << "\nframes=" << FWindow->FramesShown()
        << "\npagetools=" << FToolBar->GetToolEnabled(ID_FIRST) << FToolBar->GetToolEnabled(ID_PREV)
        << FToolBar->GetToolEnabled(ID_NEXT) << FToolBar->GetToolEnabled(ID_LAST) << "\n";
    const std::string text = out.str();
    if (text == FLastState)
        return;
    FLastState = text;
    const std::string temp = FStateFile + ".tmp";
    {
        std::ofstream f(temp, std::ios::binary | std::ios::trunc);
        f << text;
    }
    std::rename(temp.c_str(), FStateFile.c_str());
}

} // namespace quillan
