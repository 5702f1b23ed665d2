#include "gui/MainForm.h"

#include "app/AppStrings.h"
#include "app/CommandLine.h"
#include "app/HelpPages.h"
#include "backends/posix/HandOff.h"
#include "backends/posix/IniFile.h"
#include "backends/posix/XdgPaths.h"
#include "backends/wx/WxEditorWindow.h"
#include "backends/wx/WxText.h"
#include "base/AtomicFile.h"
#include "editor/QuillEdit.h"
#include "gui/FindFrontEnd.h"
#include "gui/JumpForm.h"
#include "gui/OptionsForm.h"
#include "gui/OptionsShell.h"
#include "gui/PrintFrontEnd.h"
#include "gui/RecoveryFrontEnd.h"
#include "gui/SetupForm.h"
#include "gui/StateImages.h"
#include "gui/TabStrip.h"
#include "gui/ToolIcons.h"
#include "gui/WindowBehaviour.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>
#include <sstream>
#include <utility>
#include <vector>
#include <wx/dcclient.h>
#include <wx/display.h>
#include <wx/dnd.h>
#include <wx/evtloop.h>
#include <wx/evtloopsrc.h>
#include <wx/imaglist.h>
#include <wx/listctrl.h>
#include <wx/menu.h>
#include <wx/sizer.h>
#include <wx/splitter.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>

namespace quillan {

namespace {

wxString Wx(std::string_view s)
{
    return wxString::FromUTF8(s.data(), s.size());
}

enum : int {
    ID_NEW = wxID_HIGHEST + 1,
    ID_OPEN,
    ID_CLOSE,
    ID_SAVE,
    ID_SAVEAS,
    ID_SAVEALL,
    ID_PRINT,
    ID_PRINTSETUP,
    ID_PAGESETUP,
    ID_PRINTPREVIEW,
    ID_SEND,
    ID_EXIT,
    ID_UNDO,
    ID_CUT,
    ID_COPY,
    ID_PASTE,
    ID_DELETE,
    ID_SELECTALL,
    ID_DATETIME,
    ID_OPTIONS,
    ID_STATUSBAR,
    ID_TOOLBAR,
    ID_PROJECTMANAGER,
    ID_PREVFILE,
    ID_NEXTFILE,
    ID_LINENUMBERS,
    ID_STAYONTOP,
    ID_VIEWBROWSER,
    ID_FIND,
    ID_FINDAGAIN,
    ID_GOTOLINE,
    ID_DATE_SHORTDATETIME, // the five date and time commands in TDateTimeFormat's order
    ID_DATE_SHORTDATE,
    ID_DATE_LONGDATE,
    ID_DATE_SHORTTIME,
    ID_DATE_LONGTIME,
    ID_FILEINFO,
    ID_BOOKMARK,
    ID_NEXTBOOKMARK,
    ID_PREVBOOKMARK,
    ID_CONTENTS,
    ID_WEBSITE,
    ID_ABOUT,
    ID_RECENT_FIRST,
    ID_RECENT_LAST = ID_RECENT_FIRST + 100,
};

// The File menu's own items up to and including the separator after "E&xit"; recent files follow.
constexpr int FileMenuFixedItems = 15;
constexpr int ImageCount = 33;

// The frame's drop target: takes files while `accepts` holds. The files are opened once the
// toolkit has finished the drop, so that no tab is added and no message box is shown inside it.
class TFrameFileDrop : public wxFileDropTarget {
public:
    TFrameFileDrop(wxWindow& owner, std::function<bool()> accepts, std::function<void(std::vector<std::string>)> open)
        : FOwner(owner)
        , FAccepts(std::move(accepts))
        , FOpen(std::move(open))
    {
    }
    wxDragResult OnDragOver(wxCoord x, wxCoord y, wxDragResult def) override
    {
        return FAccepts() ? wxFileDropTarget::OnDragOver(x, y, def) : wxDragNone;
    }
    bool OnDropFiles(wxCoord, wxCoord, const wxArrayString& files) override
    {
        if (!FAccepts())
            return false;
        std::vector<std::string> names;
        for (const wxString& f : files)
            names.push_back(WxToUtf8(f));
        FOwner.CallAfter([open = FOpen, names = std::move(names)] { open(names); });
        return true;
    }

private:
    wxWindow& FOwner;
    std::function<bool()> FAccepts;
    std::function<void(std::vector<std::string>)> FOpen;
};

} // namespace

// Panels 0 to 2 are centred, and panel 1 shows the state picture before its word.
class TMainStatusBar : public wxStatusBar {
public:
    explicit TMainStatusBar(wxWindow* parent)
        : wxStatusBar(parent, wxID_ANY, wxSTB_DEFAULT_STYLE)
    {
        const int widths[] = { CaretPanelWidth(), StatePanelWidth(), ModePanelWidth(), 400 };
        SetFieldsCount(4, widths);
        SetMinHeight(28);
    }

    // Room for a seven-digit line and an eight-digit column in the bar's own font; never less
    // than the 120 pixels the panel always had.
    int CaretPanelWidth() const
    {
        char widest[64];
        std::snprintf(widest, sizeof widest, SCaretPanel, 8888888, 88888888);
        return std::max(120, GetTextExtent(widest).x + 2 * PanelMargin);
    }

    // The state word starts where it always did, right of the icon; the panel reaches past the
    // widest word in the bar's font, never less than its 95 pixels.
    int StatePanelWidth() const
    {
        int width = 95;
        for (const char* word : { SStateModified, SStateReadOnly, SStateUnmodified })
            width = std::max(width, TMainFormModel::StateWordOffset(word) + GetTextExtent(word).x + PanelMargin);
        return width;
    }
    int ModePanelWidth() const
    {
        return std::max(70, std::max(GetTextExtent(SInsertMode).x, GetTextExtent(SOverwriteMode).x) + 2 * PanelMargin);
    }

protected:
    static constexpr int PanelMargin = 8;

    void DrawFieldText(wxDC& dc, const wxRect& rc, int i, int textHeight) override
    {
        // Whatever a panel holds stays inside it, however long its text gets.
        wxDCClipper clip(dc, rc);
        if (i == 3 || !FModel || GetFieldsCount() == 1) {
            wxStatusBar::DrawFieldText(dc, rc, i, textHeight);
            return;
        }
        if (i == 1) {
            const std::string& word = FModel->StateWord();
            if (FImages)
                FImages->Draw(FModel->StateIcon(), dc, rc.x + 2, rc.y + 3, wxIMAGELIST_DRAW_TRANSPARENT);
            dc.DrawText(Wx(word), rc.x + TMainFormModel::StateWordOffset(word), rc.y + (rc.height - textHeight) / 2);
            return;
        }
        const wxString text = GetStatusText(i);
        const wxSize extent = dc.GetTextExtent(text);
        // Too wide to centre: the start ("L:") is what must stay readable.
        const int x = extent.x <= rc.width - 2 * PanelMargin ? rc.x + (rc.width - extent.x) / 2 : rc.x + 2;
        dc.DrawText(text, x, rc.y + (rc.height - textHeight) / 2);
    }

public:
    // Both outlive the bar's painting: the window clears them before it lets them go.
    TMainFormModel* FModel = nullptr;
    wxImageList* FImages = nullptr;
};

TMainForm::TMainForm(const std::vector<std::string>& files, THandOffReceiver* receiver, bool uninstall)
    : wxFrame(nullptr, wxID_ANY, SAppTitle)
    , FUI(this)
    , FReceiver(receiver)
    , FHandOffTimer(this)
{
    if (const char* stateFile = std::getenv("QUILLAN_STATE_FILE"))
        FStateFile = stateFile;

    FImages = new wxImageList(16, 16, true, ImageCount);
    for (int i = 0; i < ImageCount; ++i)
        FImages->Add(StateBitmap(i));

    CreateMenus();
    CreateToolBar();

    auto* splitter
        = new wxSplitterWindow(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxSP_LIVE_UPDATE | wxSP_3DSASH);
    FList = new wxListCtrl(
        splitter, wxID_ANY, wxDefaultPosition, wxSize(137, -1), wxLC_REPORT | wxLC_NO_HEADER | wxLC_SINGLE_SEL);
    FList->SetImageList(FImages, wxIMAGE_LIST_SMALL);
    FList->InsertColumn(0, "", wxLIST_FORMAT_LEFT, 200);
    // The one column is as wide as the list, so a caption too long for the panel ends in "..."
    // instead of being cut off at its edge.
    FList->Bind(wxEVT_SIZE, [this](wxSizeEvent& event) {
        event.Skip();
        FList->SetColumnWidth(0, std::max(20, FList->GetClientSize().x));
    });
    FNotebook = new TTabStrip(splitter, wxID_ANY, wxDefaultPosition, wxSize(140, 80));
    FNotebook->SetImageList(FImages);
    splitter->SetMinimumPaneSize(80);
    splitter->SplitVertically(FList, FNotebook, 137);
    splitter->SetSashGravity(0.0);

    FStatus = new TMainStatusBar(this);
    FStatus->FImages = FImages;
    SetStatusBar(FStatus);
    // Hints go to the toolbar's tips; the status bar's panels keep their own texts.
    SetStatusBarPane(-1);

    FModel = std::make_unique<TMainFormModel>(*this, FUI);
    FPrint = std::make_unique<TPrintFrontEnd>(this);
    FFind = std::make_unique<TFindFrontEnd>(this, *FModel);
    FStatus->FModel = FModel.get();
    FSettingsFile = std::make_unique<TIniFile>(SettingsFileName());
    FModel->LoadSettings(*FSettingsFile);
    // Once the window is up: a box before it would hold back the other starts.
    CallAfter([this] { FModel->TellSettingsProblem(); });
    FShell = std::make_unique<TShellServices>(FUI);
    // Once the window is up, like the message above: the other starts wait while it is not.
    if (FModel->Settings.FirstRun())
        CallAfter([this] { FModel->Execute([this] { RunFirstSetup(this, Shell()); }); });
    PlaceWindow();
    FModel->Start();
    FStatus->SetStatusText(SProductLine, 3);
    OpenFilesInOrder(
        files, [this] { return FModel->DocumentCount(); },
        [this](const std::string& p) { FModel->OpenFileInTab(p, false); });
    FRecovery = std::make_unique<TRecoveryFrontEnd>(*this, *FModel, FUI);
    CallAfter([this] { FRecovery->OfferRecovery(); });
    FFind->BeforeReplaceAll = [this] { FRecovery->BeforeRiskyOperation(); };

    Bind(wxEVT_MENU, &TMainForm::OnCommand, this, ID_NEW, ID_RECENT_LAST);
    Bind(wxEVT_UPDATE_UI, &TMainForm::OnUpdateUI, this, ID_NEW, ID_ABOUT);
    Bind(wxEVT_TOOL_DROPDOWN, &TMainForm::OnOpenDropDown, this, ID_OPEN);
    Bind(wxEVT_TOOL_DROPDOWN, &TMainForm::OnSaveDropDown, this, ID_SAVE);
    Bind(wxEVT_CLOSE_WINDOW, &TMainForm::OnClose, this);
    Bind(wxEVT_IDLE, &TMainForm::OnIdle, this);
    Bind(wxEVT_CHAR_HOOK, &TMainForm::OnCharHook, this);
    Bind(wxEVT_TIMER, &TMainForm::OnHandOffTimer, this, FHandOffTimer.GetId());
    FNotebook->Bind(wxEVT_NOTEBOOK_PAGE_CHANGED, &TMainForm::OnPageChanged, this);
    FList->Bind(wxEVT_LIST_ITEM_SELECTED, &TMainForm::OnListSelected, this);
    FList->Bind(wxEVT_LIST_ITEM_RIGHT_CLICK, &TMainForm::OnListRightClick, this);
    BindListMouse();
    FNotebook->Bind(wxEVT_RIGHT_UP, &TMainForm::OnTabRightClick, this);
    if (FReceiver) {
        class TWake : public wxEventLoopSourceHandler {
        public:
            explicit TWake(TMainForm& form)
                : FForm(form)
            {
            }
            void OnReadWaiting() override { FForm.ServeHandOffs(); }
            void OnWriteWaiting() override { }
            void OnExceptionWaiting() override { }

        private:
            TMainForm& FForm;
        };
        FHandOffWake = std::make_unique<TWake>(*this);
        FHandOffSource.reset(
            wxEventLoopBase::AddSourceForFD(FReceiver->Fd(), FHandOffWake.get(), wxEVENT_SOURCE_INPUT));
        // Without a watch on the socket the window still answers, only later.
        if (!FHandOffSource)
            FHandOffTimer.Start(20);
    }
    SetDropTarget(new TFrameFileDrop(
        *this, [this] { return FStates.AcceptDrops; },
        [this](const std::vector<std::string>& names) { FModel->OpenFiles(names, false); }));
    // The documents' pages are the strip's own windows, which GTK does not pick for the first
    // focus as it picked a notebook's page: the window hands it to the active editor itself.
    Bind(wxEVT_SHOW, [this](wxShowEvent& event) {
        event.Skip();
        if (event.IsShown() && FModel)
            CallAfter([this] { FocusEditor(FModel->ActiveSlot()); });
    });
    FNotebook->SetFileDrop([this] { return FStates.AcceptDrops; },
        [this](const std::vector<std::string>& names) { FModel->OpenFiles(names, false); });
    SetTitle(SAppTitle);
    CreateWindowBehaviour();
    FFind->OnHelp = [this] { FBehaviour->HelpContents(HelpContextFind); };
    if (uninstall)
        CallAfter([this] {
            FModel->Execute([this] { FUninstalled = Shell().Uninstall(); });
            if (FUninstalled)
                Close(true);
        });
}

TShellIntegration& TMainForm::Shell()
{
    return FShell->Integration();
}

bool TMainForm::AssociateTextFiles()
{
    return Shell().AssociateTextFiles();
}

TMainForm::~TMainForm()
{
    FHandOffSource.reset();
    FHandOffTimer.Stop();
    FOptions.reset();
    FBehaviour.reset();
    FStatus->FModel = nullptr;
    FPrint.reset();
    FFind.reset();
    FRecovery.reset();
    FModel->CloseAll();
    FModel.reset();
    FStatus->FImages = nullptr;
    delete FImages;
}

void TMainForm::PlaceWindow()
{
    const TSettings& s = FModel->Settings;
    int width = s.Width;
    // The first window shows every toolbar button, none behind the overflow arrow; once the
    // user has closed the program the size is theirs.
    if (s.FirstRun()) {
        width = std::max(width, ToolBarWidthNeeded() + GetSize().x - GetClientSize().x);
        // A window manager tells the frame's borders only after the window is mapped, and GTK
        // then keeps the outer size, taking the borders from the toolbar's row. For a moment
        // after the start the window grows by what the toolbar lost.
        FFitToolBarUntil = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        Bind(wxEVT_SIZE, [this](wxSizeEvent& event) {
            event.Skip();
            if (std::chrono::steady_clock::now() < FFitToolBarUntil)
                CallAfter([this] { FitToolBar(); });
        });
    }
    SetSize(s.Left, s.Top, width, s.Height);
    if (s.Max)
        Maximize(true);
}

void TMainForm::FitToolBar()
{
    if (IsMaximized() || IsIconized() || !FToolBar->IsShown())
        return;
    const int missing = ToolBarWidthNeeded() - GetClientSize().x;
    const int room = wxDisplay(this).GetClientArea().GetRight() - GetScreenPosition().x + 1 - GetSize().x;
    if (missing > 0 && room > 0)
        SetSize(GetSize().x + std::min(missing, room), GetSize().y);
}

int TMainForm::ToolBarWidthNeeded() const
{
    // GTK reports the whole row here, not the overflow arrow alone.
    return FToolBar->GetBestSize().x;
}

void TMainForm::CreateMenus()
{
    auto item = [](wxMenu* menu, int id, const char* caption, const char* hint, wxItemKind kind = wxITEM_NORMAL) {
        return menu->Append(id, caption, hint, kind);
    };
    FFileMenu = new wxMenu;
    item(FFileMenu, ID_NEW, "&New\tCtrl+N", "Create a new text file");
    item(FFileMenu, ID_OPEN, "&Open...\tCtrl+O", "Open an existing text file");
    item(FFileMenu, ID_CLOSE, "&Close\tCtrl+F4", "Close current file");
    item(FFileMenu, ID_SAVE, "&Save\tCtrl+S", "Save current text file");
    item(FFileMenu, ID_SAVEAS, "Save &As...\tCtrl+Alt+S", "Save current text file as...");
    item(FFileMenu, ID_SAVEALL, "Save All\tCtrl+Alt+A", "Save all modified files");
    FFileMenu->AppendSeparator();
    item(FFileMenu, ID_PRINT, "&Print...\tCtrl+P", "Print current file");
    item(FFileMenu, ID_PRINTSETUP, "Prin&t Setup\tShift+Ctrl+P", "Setup the printer");
    item(FFileMenu, ID_PAGESETUP, "Pa&ge Setup...", "Edit page margins, headers and footers");
    FFileMenu->AppendSeparator();
    item(FFileMenu, ID_SEND, "S&end", "Send current file via e-mail");
    FFileMenu->AppendSeparator();
    item(FFileMenu, ID_EXIT, "E&xit\tAlt+X", "Close Quillan");

    auto* edit = new wxMenu;
    item(edit, ID_UNDO, "&Undo\tCtrl+Z", "Undo last action");
    edit->AppendSeparator();
    item(edit, ID_CUT, "Cu&t\tShift+Del", "Cut selected text to the clipboard");
    item(edit, ID_COPY, "&Copy\tCtrl+Ins", "Copy selected text to the clipboard");
    item(edit, ID_PASTE, "&Paste\tShift+Ins", "Paste contents of the clipboard into current file");
    item(edit, ID_DELETE, "&Delete\tCtrl+Del", "Deletes the selected text");
    item(edit, ID_SELECTALL, "&Select All", "Select all the text in the current file");
    edit->AppendSeparator();
    auto* date = new wxMenu;
    item(date, ID_DATE_SHORTDATETIME, "&Short Date and Time\tF5", "");
    item(date, ID_DATE_SHORTDATE, "Short &Date\tShift+F5", "");
    item(date, ID_DATE_LONGDATE, "Long D&ate\tShift+Ctrl+F5", "");
    item(date, ID_DATE_SHORTTIME, "Short &Time\tCtrl+F5", "");
    item(date, ID_DATE_LONGTIME, "Long T&ime", "");
    edit->Append(ID_DATETIME, "&Insert Date and Time", date, "Insert the current date and time in various formats");
    edit->AppendSeparator();
    item(edit, ID_OPTIONS, "&Options...", "Change program options");

    auto* view = new wxMenu;
    item(view, ID_STATUSBAR, "&Statusbar", "", wxITEM_CHECK)->Check(true);
    item(view, ID_TOOLBAR, "&Toolbar", "", wxITEM_CHECK)->Check(true);
    item(view, ID_PROJECTMANAGER, "Project &Manager", "Enable/Disable the Project Manager", wxITEM_CHECK)->Check(true);
    view->AppendSeparator();
    item(view, ID_PREVFILE, "&Previous file", "Jump to previous file");
    item(view, ID_NEXTFILE, "&Next file", "Jump to next file");
    view->AppendSeparator();
    item(view, ID_LINENUMBERS, "&Line Numbers", "Show line numbers", wxITEM_CHECK)->Check(true);
    view->AppendSeparator();
    item(view, ID_STAYONTOP, "St&ay on top", "", wxITEM_CHECK);
    view->AppendSeparator();
    item(view, ID_VIEWBROWSER, "&View in Browser", "View your HTML document in a browser");

    auto* find = new wxMenu;
    item(find, ID_FIND, "&Find / Replace\tCtrl+F", "Search for text");
    item(find, ID_FINDAGAIN, "Find &Again\tF3", "Search for selected text again");

    auto* help = new wxMenu;
    item(help, ID_CONTENTS, "&Contents", "Display Help Contents");
    help->AppendSeparator();
    item(help, ID_WEBSITE, "&Quillan Website", "");
    help->AppendSeparator();
    item(help, ID_ABOUT, "&About\tF10", "");

    auto* bar = new wxMenuBar;
    bar->Append(FFileMenu, "&File");
    bar->Append(edit, "&Edit");
    bar->Append(view, "&View");
    bar->Append(find, "F&ind");
    bar->Append(help, "&Help");
    SetMenuBar(bar);

    FEditorMenu = std::make_unique<wxMenu>();
    FEditorMenu->Append(ID_UNDO, "&Undo");
    FEditorMenu->AppendSeparator();
    FEditorMenu->Append(ID_CUT, "Cu&t");
    FEditorMenu->Append(ID_COPY, "&Copy");
    FEditorMenu->Append(ID_PASTE, "&Paste");
    FEditorMenu->Append(ID_DELETE, "&Delete");
    FEditorMenu->Append(ID_SELECTALL, "&Select All");
    FEditorMenu->AppendSeparator();
    FEditorMenu->Append(ID_SAVE, "&Save");
    FEditorMenu->Append(ID_CLOSE, "&Close");
    FEditorMenu->AppendSeparator();
    FEditorMenu->AppendCheckItem(ID_LINENUMBERS, "&Line Numbers");
    FEditorMenu->Append(ID_VIEWBROWSER, "&View in Browser");

    // The documents' menu, on a tab or a row of the project manager.
    FDocumentMenu = std::make_unique<wxMenu>();
    item(FDocumentMenu.get(), ID_CLOSE, "&Close\tCtrl+F4", "Close current file");
    item(FDocumentMenu.get(), ID_SAVE, "&Save\tCtrl+S", "Save current text file");
    item(FDocumentMenu.get(), ID_SAVEAS, "Save &As...\tCtrl+Alt+S", "Save current text file as...");
    item(FDocumentMenu.get(), ID_SEND, "S&end", "Send current file via e-mail");
    FDocumentMenu->AppendSeparator();
    item(FDocumentMenu.get(), ID_FILEINFO, "&File Info\tAlt+Enter", "Display information on the selected file");
    FDocumentMenu->AppendSeparator();
    item(FDocumentMenu.get(), ID_BOOKMARK, "Set &Bookmark\tCtrl+B", "Bookmark the current file");
    item(FDocumentMenu.get(), ID_NEXTBOOKMARK, "&Next Bookmark", "Go to next bookmarked file");
    item(FDocumentMenu.get(), ID_PREVBOOKMARK, "&Previous Bookmark", "Go to previous bookmarked file");
    FDocumentMenu->AppendSeparator();
    item(FDocumentMenu.get(), ID_VIEWBROWSER, "&View in Browser", "View your HTML document in a browser");
}

void TMainForm::CreateToolBar()
{
    FToolBar = wxFrame::CreateToolBar(wxTB_FLAT | wxTB_HORIZONTAL);
    // Our own pictures (ToolIcons.h), each with a disabled form that is plainly grey.
    auto tool = [&](int id, const char* picture, const char* hint, wxItemKind kind = wxITEM_NORMAL) {
        FToolBar->AddTool(id, "", ToolIcon(picture), DisabledToolIcon(picture), kind, hint);
    };
    tool(ID_NEW, "new", "Create a new text file");
    tool(ID_CLOSE, "close", "Close current file");
    FToolBar->AddSeparator();
    tool(ID_OPEN, "open", "Open an existing text file", wxITEM_DROPDOWN);
    tool(ID_SAVE, "save", "Save current text file", wxITEM_DROPDOWN);
    FToolBar->AddSeparator();
    tool(ID_PRINT, "print", "Print current file");
    tool(ID_PAGESETUP, "pagesetup", "Edit page margins, headers and footers");
    tool(ID_PRINTPREVIEW, "printpreview", "Print preview");
    FToolBar->AddSeparator();
    tool(ID_SEND, "send", "Send current file via e-mail");
    FToolBar->AddSeparator();
    tool(ID_UNDO, "undo", "Undo last action");
    tool(ID_CUT, "cut", "Cut selected text to the clipboard");
    tool(ID_COPY, "copy", "Copy selected text to the clipboard");
    tool(ID_PASTE, "paste", "Paste contents of the clipboard into current file");
    FToolBar->AddSeparator();
    tool(ID_FIND, "find", "Search for text");
    tool(ID_GOTOLINE, "gotoline", "Jump to a specific line");
    FToolBar->AddSeparator();
    tool(ID_CONTENTS, "help", "Display Help Contents");
    tool(ID_EXIT, "exit", "Close Quillan");
    FToolBar->AddSeparator();
    tool(ID_PREVFILE, "previous", "Jump to previous file");
    tool(ID_NEXTFILE, "next", "Jump to next file");
    FToolBar->Realize();
}

// --- IMainFormView -----------------------------------------------------------------------------

void TMainForm::AddDocumentTab(TQuillEdit& edit, const std::string& caption, int image)
{
    auto* window = new TWxEditorWindow(FNotebook);
    window->SetClient(&edit);
    window->Bind(wxEVT_CONTEXT_MENU, &TMainForm::OnEditorContextMenu, this);
    // Same deferral as the frame's drops: the control's window is inside the toolkit's drop.
    edit.OnDropFiles = [this](TCustomQuillEdit*, int, int, const std::vector<std::string>& files) {
        CallAfter([this, files] { FModel->OpenFiles(files, false); });
    };
    FWindows.push_back(window);
    const bool syncing = FSyncing;
    FSyncing = true;
    FNotebook->AddPage(window, Wx(caption), image);
    FSyncing = syncing;
}

void TMainForm::RemoveDocumentTab(int slot)
{
    const auto s = static_cast<std::size_t>(slot);
    TWxEditorWindow* window = FWindows.at(s);
    FWindows.erase(FWindows.begin() + slot);
    window->SetClient(nullptr);
    const bool syncing = FSyncing;
    FSyncing = true;
    FNotebook->DeletePage(s);
    FSyncing = syncing;
}

void TMainForm::SetTabCaption(int slot, const std::string& caption)
{
    FNotebook->SetPageText(slot, Wx(caption));
}

void TMainForm::SetTabImage(int slot, int image)
{
    if (FNotebook->GetPageImage(slot) != image)
        FNotebook->SetPageImage(slot, image);
}

void TMainForm::ActivateTab(int slot)
{
    if (FNotebook->GetSelection() != slot)
        FNotebook->ChangeSelection(slot);
}

void TMainForm::AddListRow(const std::string& caption, int image)
{
    FList->InsertItem(FList->GetItemCount(), Wx(caption), image);
}

void TMainForm::RemoveListRow(int slot)
{
    FList->DeleteItem(slot);
}

void TMainForm::SetListRowCaption(int slot, const std::string& caption)
{
    FList->SetItemText(slot, Wx(caption));
}

void TMainForm::SetListRowImage(int slot, int image)
{
    FList->SetItemImage(slot, image);
}

void TMainForm::SelectListRow(int slot)
{
    const bool syncing = FSyncing;
    FSyncing = true;
    FList->SetItemState(
        slot, wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED, wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
    FList->EnsureVisible(slot);
    FSyncing = syncing;
}

void TMainForm::StatusBarChanged()
{
    if (!FModel || (FBehaviour && FBehaviour->ShowingHint()))
        return;
    FStatus->SetStatusText(Wx(FModel->CaretPanel()), 0);
    FStatus->SetStatusText(Wx(FModel->StateWord()), 1);
    FStatus->SetStatusText(Wx(FModel->InsertPanel()), 2);
    FStatus->Refresh(false);
}

void TMainForm::FocusEditor(int slot)
{
    if (slot >= 0 && slot < static_cast<int>(FWindows.size()) && IsShown())
        FWindows[static_cast<std::size_t>(slot)]->SetFocus();
}

void TMainForm::RestoreApplication()
{
    if (IsIconized())
        Iconize(false);
}

// --- commands ----------------------------------------------------------------------------------

void TMainForm::Run(void (TMainFormModel::*command)())
{
    FModel->Execute([&] { (FModel.get()->*command)(); });
}

void TMainForm::OnCommand(wxCommandEvent& event)
{
    const int id = event.GetId();
    if (FBehaviour && FBehaviour->Command(id))
        return;
    if (id >= ID_RECENT_FIRST && id <= ID_RECENT_LAST) {
        const auto index = static_cast<std::size_t>(id - ID_RECENT_FIRST);
        if (index < FRecentShown.size()) {
            const std::string path = FRecentShown[index];
            FModel->Execute([&] { FModel->FileReopen(path); });
        }
        return;
    }
    switch (id) {
    case ID_NEW:
        Run(&TMainFormModel::FileNewCmdExecute);
        break;
    case ID_OPEN:
        Run(&TMainFormModel::FileOpenCmdExecute);
        break;
    case ID_CLOSE:
        Run(&TMainFormModel::FileCloseCmdExecute);
        break;
    case ID_SAVE:
        Run(&TMainFormModel::FileSaveCmdExecute);
        break;
    case ID_SAVEAS:
        FModel->Execute([&] { FModel->FileSaveAsCmdExecute(); });
        break;
    case ID_SAVEALL:
        Run(&TMainFormModel::FileSaveAllCmdExecute);
        break;
    case ID_EXIT:
        Close();
        break;
    case ID_UNDO:
        Run(&TMainFormModel::EditUndo);
        break;
    case ID_CUT:
        Run(&TMainFormModel::EditCut);
        break;
    case ID_COPY:
        Run(&TMainFormModel::EditCopy);
        break;
    case ID_PASTE:
        Run(&TMainFormModel::EditPaste);
        break;
    case ID_DELETE:
        Run(&TMainFormModel::EditDelete);
        break;
    case ID_SELECTALL:
        Run(&TMainFormModel::EditSelectAll);
        break;
    case ID_PREVFILE:
        Run(&TMainFormModel::PreviousFile);
        break;
    case ID_NEXTFILE:
        Run(&TMainFormModel::NextFile);
        break;
    case ID_LINENUMBERS:
        Run(&TMainFormModel::ToggleLineNumbers);
        break;
    case ID_PRINT:
    case ID_PRINTSETUP:
    case ID_PAGESETUP:
    case ID_PRINTPREVIEW:
        RunPrintCommand(id);
        break;
    case ID_PROJECTMANAGER:
        ToggleProjectManager();
        break;
    case ID_OPTIONS:
        ShowOptions();
        break;
    default:
        RunEditCommand(id);
        break;
    }
}

void TMainForm::OnUpdateUI(wxUpdateUIEvent& event)
{
    const TCommandStates& s = FStates;
    if (FBehaviour && FBehaviour->UpdateUI(event))
        return;
    switch (event.GetId()) {
    case ID_NEW:
        event.Enable(s.New);
        break;
    case ID_OPEN:
        // The toolbar button stays usable for its recent-file drop-down.
        event.Enable(s.Open);
        break;
    case ID_CLOSE:
        event.Enable(s.Close);
        break;
    case ID_SAVE:
        // The toolbar's Save is always clickable; Save itself leaves an unmodified file alone.
        event.Enable(s.Save || event.GetEventObject() == FToolBar);
        break;
    case ID_SAVEAS:
    case ID_SAVEALL:
    case ID_EXIT:
        event.Enable(true);
        break;
    case ID_UNDO:
        event.Enable(s.Undo);
        break;
    case ID_CUT:
        event.Enable(s.Cut);
        break;
    case ID_COPY:
        event.Enable(s.Copy);
        break;
    case ID_PASTE:
        event.Enable(s.Paste);
        break;
    case ID_DELETE:
        event.Enable(s.Delete);
        break;
    case ID_SELECTALL:
        event.Enable(s.SelectAll);
        break;
    case ID_PREVFILE:
        event.Enable(s.PreviousFile);
        break;
    case ID_NEXTFILE:
        event.Enable(s.NextFile);
        break;
    case ID_LINENUMBERS:
        event.Enable(true);
        event.Check(FModel->LineNumbersChecked());
        break;
    case ID_PRINT:
    case ID_PRINTPREVIEW:
        event.Enable(FModel->ActiveEditor() != nullptr);
        break;
    case ID_PRINTSETUP:
    case ID_PAGESETUP:
        event.Enable(true);
        break;
    case ID_PROJECTMANAGER:
        event.Enable(true);
        event.Check(FList->IsShown());
        break;
    case ID_OPTIONS:
        event.Enable(true);
        break;
    case ID_FIND:
    case ID_GOTOLINE:
    case ID_DATE_SHORTDATETIME:
    case ID_DATE_SHORTDATE:
    case ID_DATE_LONGDATE:
    case ID_DATE_SHORTTIME:
    case ID_DATE_LONGTIME:
    case ID_FILEINFO:
    case ID_NEXTBOOKMARK:
    case ID_PREVBOOKMARK:
        event.Enable(FModel->ActiveEditor() != nullptr);
        break;
    case ID_BOOKMARK:
        event.Enable(FModel->ActiveEditor() != nullptr);
        event.SetText(Wx(s.BookmarkCaption + "\tCtrl+B"));
        break;
    case ID_FINDAGAIN:
        event.Enable(s.FindAgain);
        break;
    case ID_STATUSBAR:
    case ID_TOOLBAR:
        // The window-behaviour commands are not built yet; their check marks show the start state.
        event.Enable(false);
        event.Check(true);
        break;
    default:
        // Printing, mail, find, options, help and the browser come later: present but disabled.
        event.Enable(false);
        break;
    }
}

void TMainForm::RunPrintCommand(int id)
{
    const TQuillEdit* edit = FModel->ActiveEditor();
    const int slot = FModel->ActiveSlot();
    const std::string name = slot >= 0 ? FModel->FileNames(slot) : std::string();
    if (id == ID_PRINTSETUP)
        FPrint->PrintSetup();
    else if (id == ID_PAGESETUP)
        FPrint->PageSetup();
    else if (edit && id == ID_PRINT)
        FPrint->Print(*edit, name);
    else if (edit && id == ID_PRINTPREVIEW)
        FPrint->Preview(*edit, name);
}

void TMainForm::OnIdle(wxIdleEvent& event)
{
    const TCommandStates states = FModel->ActionListUpdate(FFind->FindText());
    if (states != FStates) {
        FStates = states;
        if (!states.BookmarkHint.empty())
            FDocumentMenu->SetHelpString(ID_BOOKMARK, Wx(states.BookmarkHint));
        // GTK ignores the shortcut of a disabled menu item, so the menus must follow at once,
        // not only when they are next opened.
        DoMenuUpdates();
    }
    // The File menu must be complete before it opens: GTK sizes the popup as it is shown, and
    // items added then only scroll into a popup of the old height.
    if (FModel->RecentFiles().Items() != FFileMenuRecent)
        BuildRecentMenu(*FFileMenu, true);
    if (!FStateFile.empty())
        WriteStateFile();
    event.Skip();
}

void TMainForm::WriteStateFile()
{
    const TMainFormModel& m = *FModel;
    std::ostringstream out;
    out << "documents=" << m.DocumentCount() << "\nactive=" << m.ActiveSlot() << "\nuntitled=" << m.UntitledCount()
        << "\n";
    for (int i = 0; i <= m.LastIndex(); ++i) {
        const TQuillEdit& edit = *m.Editors(i);
        out << "slot" << i << "=" << m.FileNames(i) << "|" << (edit.Modified() ? 1 : 0) << "|"
            << FNotebook->GetPageText(i).utf8_str() << "|" << FList->GetItemText(i).utf8_str() << "|"
            << FNotebook->GetPageImage(i) << "\n";
    }
    for (int i = 0; i < FStatus->GetFieldsCount(); ++i)
        out << "panel" << i << "=" << FStatus->GetStatusText(i).utf8_str() << "\n";
    for (int i = 0; i < FStatus->GetFieldsCount(); ++i) {
        wxRect panel;
        if (FStatus->GetFieldRect(i, panel)) {
            const wxPoint at = FStatus->ClientToScreen(panel.GetPosition());
            out << "panel" << i << "rect=" << at.x << "," << at.y << "," << panel.width << "," << panel.height << "\n";
        }
    }
    out << "row=" << FList->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED) << "\n";
    // Where the rows and the list are on the screen, for tests that click them.
    for (int i = 0; i < FList->GetItemCount(); ++i) {
        wxRect r;
        if (FList->GetItemRect(i, r)) {
            const wxPoint at = FList->ClientToScreen(wxPoint(r.x + r.width / 2, r.y + r.height / 2));
            out << "rowat" << i << "=" << at.x << "," << at.y << "\n";
        }
    }
    if (FList->IsShownOnScreen()) {
        const wxPoint at = FList->GetScreenPosition();
        out << "listrect=" << at.x << "," << at.y << "," << FList->GetSize().x << "," << FList->GetSize().y << "\n";
    }
    out << "tab=" << FNotebook->GetSelection() << "\n";
    out << FNotebook->StateLines();
    out << "toolbarwidth=" << FToolBar->GetSize().x << "," << ToolBarWidthNeeded() << "\n";
    out << "recent=" << m.RecentMenuItems().size() << "\n";
    out << "handedover=" << FFilesHandedOver << "\n";
    if (FBehaviour)
        out << FBehaviour->StateLines();
    out << FFind->StateLines();
    if (FRecovery)
        out << FRecovery->StateLines();
    // Where the go-to-line button is on the screen, for tests that click it.
    const wxRect tool = ToolScreenRect(*FToolBar, ID_GOTOLINE);
    if (!tool.IsEmpty())
        out << "gotolinetool=" << tool.x + tool.width / 2 << "," << tool.y + tool.height / 2 << "\n";
    // And where Previous and Next are, for tests that look at their enabled and disabled pictures.
    for (const auto& [name, id] : { std::pair { "prevtool", ID_PREVFILE }, std::pair { "nexttool", ID_NEXTFILE } }) {
        const wxRect r = ToolScreenRect(*FToolBar, id);
        if (!r.IsEmpty())
            out << name << "=" << r.x << "," << r.y << "," << r.width << "," << r.height << "\n";
    }
    // Frames the active editor has put on the screen: the start-up benchmark waits for the first.
    const int active = m.ActiveSlot();
    const bool shown = active >= 0 && active < static_cast<int>(FWindows.size());
    out << "frames=" << (shown ? FWindows[static_cast<std::size_t>(active)]->FramesShown() : 0) << "\n";
    const std::string text = out.str();
    if (text == FLastState)
        return;
    FLastState = text;
    // Readers must never see half a file; nothing needs it on disk after a crash.
    TAtomicFileOptions options;
    options.SyncFile = options.SyncFolder = false;
    WriteFileAtomically(FStateFile, text, options);
}

void TMainForm::OnCharHook(wxKeyEvent& event)
{
    // The menus' shortcuts come before the focused window's own keys: Ctrl+S saves although the
    // editor would take Ctrl+S as a typed control character. GTK asks the focused widget first,
    // so the window matches them here, before any child sees the key.
    const int flags = (event.RawControlDown() ? wxACCEL_CTRL : 0) | (event.AltDown() ? wxACCEL_ALT : 0)
        | (event.ShiftDown() ? wxACCEL_SHIFT : 0);
    int code = event.GetKeyCode();
    if (code >= 'a' && code <= 'z')
        code -= 32;
    if (BookmarkKey(flags, event.GetKeyCode())) {
        event.Skip();
        return;
    }
    wxMenuBar* bar = GetMenuBar();
    for (int id = ID_NEW; bar && id <= ID_ABOUT; ++id) {
        wxMenuItem* item = bar->FindItem(id);
        if (!item)
            item = FDocumentMenu->FindItem(id);
        if (!item)
            continue;
        std::unique_ptr<wxAcceleratorEntry> accel(item->GetAccel());
        if (!accel || accel->GetFlags() != flags || accel->GetKeyCode() != code)
            continue;
        wxUpdateUIEvent update(id);
        update.SetEventObject(this);
        OnUpdateUI(update);
        if (update.GetSetEnabled() && !update.GetEnabled())
            return;
        wxCommandEvent command(wxEVT_MENU, id);
        command.SetEventObject(this);
        OnCommand(command);
        return;
    }
    event.Skip();
}

void TMainForm::OnPageChanged(wxBookCtrlEvent& event)
{
    event.Skip();
    if (FSyncing || !FModel)
        return;
    FModel->PageControl1Change(event.GetSelection());
    SelectListRow(event.GetSelection());
}

void TMainForm::OnListSelected(wxListEvent& event)
{
    if (FSyncing || !FModel)
        return;
    const int row = static_cast<int>(event.GetIndex());
    ActivateTab(row);
    FModel->PageControl1Change(row);
}

void TMainForm::BuildRecentMenu(wxMenu& menu, bool fileMenuTail)
{
    if (fileMenuTail) {
        while (static_cast<int>(menu.GetMenuItemCount()) > FileMenuFixedItems - 1)
            menu.Destroy(menu.FindItemByPosition(FileMenuFixedItems - 1));
    } else {
        while (menu.GetMenuItemCount() > 0)
            menu.Destroy(menu.FindItemByPosition(0));
    }
    const auto items = FModel->RecentMenuItems();
    if (fileMenuTail)
        FFileMenuRecent = FModel->RecentFiles().Items();
    FRecentShown.clear();
    if (fileMenuTail && !items.empty())
        menu.AppendSeparator();
    for (std::size_t i = 0; i < items.size() && ID_RECENT_FIRST + static_cast<int>(i) <= ID_RECENT_LAST; ++i) {
        FRecentShown.push_back(items[i].Hint);
        wxMenuItem* entry = menu.Append(ID_RECENT_FIRST + static_cast<int>(i), Wx(items[i].Caption), Wx(items[i].Hint));
        entry->SetBitmap(FImages->GetBitmap(items[i].ImageIndex));
    }
}

void TMainForm::OnOpenDropDown(wxCommandEvent&)
{
    wxMenu menu;
    BuildRecentMenu(menu, false);
    FToolBar->PopupMenu(&menu);
}

void TMainForm::OnSaveDropDown(wxCommandEvent&)
{
    wxMenu menu;
    menu.Append(ID_SAVE, "&Save");
    menu.Append(ID_SAVEAS, "Save &As...");
    menu.Append(ID_SAVEALL, "Save All");
    FToolBar->PopupMenu(&menu);
}

void TMainForm::OnEditorContextMenu(wxContextMenuEvent& event)
{
    auto* window = dynamic_cast<wxWindow*>(event.GetEventObject());
    if (window)
        window->PopupMenu(FEditorMenu.get());
}

void TMainForm::OnHandOffTimer(wxTimerEvent&)
{
    ServeHandOffs();
}

void TMainForm::ServeHandOffs()
{
    if (TakeFromSenders() > 0)
        CallAfter([this] { TakeHandOffs(); });
}

int TMainForm::TakeFromSenders()
{
    if (!FReceiver)
        return 0;
    // Only the file list is taken here, so the sender gets its reply (and lets go of the instance
    // lock for the next start) at once; opening the files waits for the event loop.
    const int handled = FReceiver->Serve([this](const THandOffRequest& request) {
        FFilesHandedOver += request.Files.size();
        FHandOffQueue.insert(FHandOffQueue.end(), request.Files.begin(), request.Files.end());
        ++FHandOffRequests;
    });
    if (FReceiver->HasPending() && FHandOffSource && !FHandOffTimer.IsRunning())
        FHandOffTimer.StartOnce(5);
    return handled;
}

void TMainForm::TakeHandOffs()
{
    // A message box shown while opening runs an event loop of its own, in which more hand-offs
    // arrive; the outer call goes on with them once the box is closed, in their order.
    if (FTakingHandOffs || FClosing || FHandOffRequests == 0)
        return;
    FTakingHandOffs = true;
    while (!FHandOffQueue.empty()) {
        // Opening a file takes far longer than answering a start: the starts waiting in a burst
        // are answered between the files, not after all of them.
        TakeFromSenders();
        if (FModel->DocumentCount() >= MaxOpenDocuments) {
            // Everything left is refused at once, with one "File limit reached!".
            std::vector<std::string> rest;
            rest.swap(FHandOffQueue);
            FModel->Execute([&] { FModel->HandOff(rest); });
            continue;
        }
        const std::string file = FHandOffQueue.front();
        FHandOffQueue.erase(FHandOffQueue.begin());
        FModel->Execute([&] { FModel->HandOff({ file }); });
    }
    FHandOffRequests = 0;
    FTakingHandOffs = false;
    ComeForward();
}

void TMainForm::ComeForward()
{
    RestoreApplication();
    Show();
    // A window manager that prevents focus stealing compares the request's time with the user's
    // last input elsewhere, and GTK would send the time of this program's last input, which is
    // older: the window would only be marked as wanting attention. The user has just started
    // the program, so the request carries the X server's current time.
    GtkWidget* widget = GetHandle();
    GdkWindow* window = widget ? gtk_widget_get_window(widget) : nullptr;
    if (window && GDK_IS_X11_WINDOW(window))
        gtk_window_present_with_time(GTK_WINDOW(widget), gdk_x11_get_server_time(window));
    else
        Raise();
    // Typing goes on in the document just opened, as after any other open.
    FocusEditor(FModel->ActiveSlot());
}

void TMainForm::OnClose(wxCloseEvent& event)
{
    if (FUninstalled) {
        FHandOffTimer.Stop();
        Destroy();
        return;
    }
    // The questions run event loops of their own, in which other starts hand their files over.
    // Those files must not open into a window that is about to close: they wait, and open once
    // the user stays, or in a new window once this one has gone.
    FClosing = true;
    const bool close = FModel->CloseQuery() || !event.CanVeto();
    FClosing = false;
    if (!close) {
        event.Veto();
        if (!FHandOffQueue.empty())
            CallAfter([this] { TakeHandOffs(); });
        return;
    }
    FRecovery->NormalExit();
    // A start that comes now must not be told its files were taken by a window that is closing.
    FHandOffSource.reset();
    FHandOffTimer.Stop();
    if (!FHandOffQueue.empty() && OnClosedWithFiles)
        OnClosedWithFiles(std::exchange(FHandOffQueue, {}));
    TSettings& s = FModel->Settings;
    s.Max = IsMaximized();
    if (!s.Max) {
        const wxRect r = GetRect();
        s.Left = r.x;
        s.Top = r.y;
        s.Width = r.width;
        s.Height = r.height;
    }
    FModel->SaveSettings(*FSettingsFile);
    Destroy();
}

// --- options ----------------------------------------------------------------------------------

void TMainForm::ShowOptions()
{
    if (!FOptions) {
        FShellActions = MakeOptionsShell(Shell());
        FOptions = std::make_unique<TOptionsForm>(this, *FModel, *FShellActions, *FSettingsFile);
    }
    if (!FOptions->Execute())
        return;
    FModel->Execute([this] { FModel->ApplyOptions(FOptions->Model().Values); });
    if (FBehaviour)
        FBehaviour->TrayOptionsChanged();
}

// --- window behaviour --------------------------------------------------------------------------

void TMainForm::CreateWindowBehaviour()
{
    const TBehaviourIds ids { ID_NEW, ID_OPEN, ID_STATUSBAR, ID_TOOLBAR, ID_STAYONTOP, ID_VIEWBROWSER, ID_SEND,
        ID_CONTENTS, ID_WEBSITE, ID_ABOUT };
    FBehaviour = std::make_unique<TWindowBehaviour>(
        *this, *FModel, *FStatus, *FToolBar, ids, [this](wxMenu& menu) { BuildRecentMenu(menu, false); });
}

// --- find, go to line, date and time, file bookmarks -------------------------------------------

void TMainForm::RunEditCommand(int id)
{
    TQuillEdit* edit = FModel->ActiveEditor();
    if (!edit)
        return;
    const int slot = FModel->ActiveSlot();
    switch (id) {
    case ID_FIND:
        FFind->ShowDialog();
        break;
    case ID_FINDAGAIN:
        FFind->FindAgain();
        break;
    case ID_GOTOLINE: {
        TJumpForm form(this);
        if (form.ShowModal() != wxID_OK)
            break;
        FModel->Execute([&] {
            const int line = LineNumberFromText(WxToUtf8(form.LineText()));
            GoToLine(*edit, line);
            FocusEditor(slot);
        });
        FModel->UpdateCaretPanel();
        break;
    }
    case ID_DATE_SHORTDATETIME:
    case ID_DATE_SHORTDATE:
    case ID_DATE_LONGDATE:
    case ID_DATE_SHORTTIME:
    case ID_DATE_LONGTIME:
        FModel->Execute([&] {
            InsertDateTime(*edit, static_cast<TDateTimeFormat>(id - ID_DATE_SHORTDATETIME), LocalTimeNow(),
                LocaleDateTimeSeparators());
        });
        break;
    case ID_FILEINFO:
        ShowFileInfo(*FModel);
        break;
    case ID_BOOKMARK:
        ToggleFileBookmark(*FModel);
        break;
    case ID_NEXTBOOKMARK:
        NextFileBookmark(*FModel);
        break;
    case ID_PREVBOOKMARK:
        PreviousFileBookmark(*FModel);
        break;
    default:
        break;
    }
}

bool TMainForm::BookmarkKey(int flags, int code)
{
    if (flags != (wxACCEL_CTRL | wxACCEL_ALT) || FModel->DocumentCount() < 2)
        return false;
    const int active = FModel->ActiveSlot();
    switch (code) {
    case WXK_RIGHT:
    case WXK_DOWN:
    case WXK_NUMPAD6:
    case WXK_NUMPAD2:
    case WXK_NUMPAD_RIGHT:
    case WXK_NUMPAD_DOWN:
        if (active < FModel->LastIndex())
            NextFileBookmark(*FModel);
        return true;
    case WXK_LEFT:
    case WXK_UP:
    case WXK_NUMPAD4:
    case WXK_NUMPAD8:
    case WXK_NUMPAD_LEFT:
    case WXK_NUMPAD_UP:
        if (active > 0)
            PreviousFileBookmark(*FModel);
        return true;
    default:
        return false;
    }
}

void TMainForm::ToggleProjectManager()
{
    auto* splitter = static_cast<wxSplitterWindow*>(FList->GetParent());
    if (splitter->IsSplit())
        splitter->Unsplit(FList);
    else
        splitter->SplitVertically(FList, FNotebook, 137);
}

void TMainForm::OnListRightClick(wxListEvent& event)
{
    // The menu that follows acts on the active document, so the row pressed on becomes it first.
    ListMouseDown(true, static_cast<int>(event.GetIndex()));
    FList->PopupMenu(FDocumentMenu.get());
}

void TMainForm::OnTabRightClick(wxMouseEvent& event)
{
    const int tab = FNotebook->HitTest(event.GetPosition());
    if (tab == wxNOT_FOUND) {
        event.Skip();
        return;
    }
    if (tab != FNotebook->GetSelection()) {
        ActivateTab(tab);
        FModel->PageControl1Change(tab);
        SelectListRow(tab);
    }
    FNotebook->PopupMenu(FDocumentMenu.get(), event.GetPosition());
}

} // namespace quillan
