#include "gui/WindowBehaviour.h"

#include "app/AppStrings.h"
#include "app/HelpPages.h"
#include "app/MainFormModel.h"
#include "app/TrayLogic.h"
#include "backends/posix/ProgramPath.h"
#include "backends/posix/XdgPaths.h"
#include "backends/wx/WxText.h"
#include "base/Paths.h"
#include "base/QuillEditStrConst.h"
#include "editor/QuillEdit.h"
#include "gui/QuillanIcon.h"
#include "gui/SubjectForm.h"

#include <cstdlib>
#include <sstream>
#include <wx/filename.h>
#include <wx/frame.h>
#include <wx/menu.h>
#include <wx/process.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>
#include <wx/utils.h>
#include <wx/windowid.h>

namespace quillan {

namespace {

wxString Wx(const std::string& s)
{
    return wxString::FromUTF8(s.data(), s.size());
}

// The mail composer runs on its own; only its exit status tells whether the message was handed
// over. The process object deletes itself when the composer ends.
class TComposerProcess : public wxProcess {
public:
    explicit TComposerProcess(std::function<void(int)> done)
        : FDone(std::move(done))
    {
    }
    void OnTerminate(int, int status) override
    {
        FDone(status);
        delete this;
    }

private:
    std::function<void(int)> FDone;
};

long Execute(const std::vector<std::string>& args, wxProcess* process)
{
    std::vector<const char*> argv;
    for (const std::string& a : args)
        argv.push_back(a.c_str());
    argv.push_back(nullptr);
    // The char* overload hands each argument over unchanged: no shell ever sees them.
    return wxExecute(const_cast<char**>(argv.data()), wxEXEC_ASYNC | wxEXEC_NODISABLE, process);
}

} // namespace

TWindowBehaviour::TWindowBehaviour(wxFrame& frame, TMainFormModel& model, wxStatusBar& status, wxToolBar& toolbar,
    const TBehaviourIds& ids, std::function<void(wxMenu&)> buildRecent)
    : FFrame(frame)
    , FModel(model)
    , FStatus(status)
    , FToolBar(toolbar)
    , FIds(ids)
    , FBuildRecent(std::move(buildRecent))
    , FAttachments(JoinPath(RuntimeFolder(), "mail"))
{
    FFrame.SetIcons(QuillanIcons());
    if (wxMenuBar* bar = FFrame.GetMenuBar()) {
        bar->SetHelpString(FIds.StatusBar, "Enabled/Disable the StatusBar");
        bar->SetHelpString(FIds.ToolBar, "Enable/Disable the Toolbar");
        bar->SetHelpString(FIds.StayOnTop, "Stay on top");
        bar->SetHelpString(FIds.Website, "Visit the Quillan WebSite");
        bar->SetHelpString(FIds.About, "About Quillan!");
    }

    FTrayIdBase = wxIdManager::ReserveId(3);
    BuildTrayMenu();
    FTrayIcon = std::make_unique<TNotificationIcon>();
    FTrayIcon->SetActive(false);
    FTrayIcon->SetEnabled(FModel.Settings.TrayEnabled);
    FTrayIcon->SetPopupMenu(FTrayMenu.get());
    FTrayIcon->DefaultItem = FTrayIdBase + TrayTagBringToFront - 1;
    FTrayIcon->OnPopup = [this] {
        if (FReopenMenu)
            FBuildRecent(*FReopenMenu);
    };
    FTrayIcon->OnDblClick = [this] { TrayIconDblClick(TrayTagNone); };
    FTrayIcon->OnMouseMove = [this](unsigned, int, int) { UpdateTrayHint(); };
    FTrayIcon->SetIcon(QuillanIcons());
    UpdateTrayHint();
    const TTrayOptions options { FModel.Settings.TrayEnabled, FModel.Settings.MinToTray, FModel.Settings.TrayAlways };
    FTrayIcon->SetActive(TrayActiveAtStart(options));

    FFrame.Bind(wxEVT_ICONIZE, &TWindowBehaviour::OnIconize, this);
    FFrame.Bind(wxEVT_MENU_HIGHLIGHT, &TWindowBehaviour::OnMenuHighlight, this);
    FFrame.Bind(wxEVT_MENU_CLOSE, &TWindowBehaviour::OnMenuClose, this);
    FFrame.Bind(wxEVT_TOOL_ENTER, &TWindowBehaviour::OnToolEnter, this);
    FFrame.Bind(wxEVT_IDLE, &TWindowBehaviour::OnIdle, this);
}

TWindowBehaviour::~TWindowBehaviour()
{
    *FAlive = false;
    FFrame.Unbind(wxEVT_ICONIZE, &TWindowBehaviour::OnIconize, this);
    FFrame.Unbind(wxEVT_MENU_HIGHLIGHT, &TWindowBehaviour::OnMenuHighlight, this);
    FFrame.Unbind(wxEVT_MENU_CLOSE, &TWindowBehaviour::OnMenuClose, this);
    FFrame.Unbind(wxEVT_TOOL_ENTER, &TWindowBehaviour::OnToolEnter, this);
    FFrame.Unbind(wxEVT_IDLE, &TWindowBehaviour::OnIdle, this);
    FTrayIcon.reset();
    FTrayMenu.reset();
    wxIdManager::UnreserveId(FTrayIdBase, 3);
}

void TWindowBehaviour::BuildTrayMenu()
{
    FTrayMenu = std::make_unique<wxMenu>();
    for (const TTrayMenuItem& item : TrayMenuItems) {
        switch (item.Kind) {
        case TTrayItemKind::tiTagged:
            FTrayMenu->Append(FTrayIdBase + item.Tag - 1, item.Caption, item.Hint);
            break;
        case TTrayItemKind::tiNew:
            FTrayMenu->Append(FIds.New, item.Caption, item.Hint);
            break;
        case TTrayItemKind::tiOpen:
            FTrayMenu->Append(FIds.Open, item.Caption, item.Hint);
            break;
        case TTrayItemKind::tiReopen:
            FReopenMenu = new wxMenu;
            FTrayMenu->AppendSubMenu(FReopenMenu, item.Caption);
            break;
        case TTrayItemKind::tiSeparator:
            FTrayMenu->AppendSeparator();
            break;
        }
    }
    FTrayMenu->Bind(wxEVT_MENU, [this](wxCommandEvent& event) {
        const int tag = event.GetId() - FTrayIdBase + 1;
        if (tag >= TrayTagBringToFront && tag <= TrayTagExit) {
            TrayIconDblClick(tag);
            return;
        }
        // New, Open and the recent files are the main window's own commands.
        wxCommandEvent command(wxEVT_MENU, event.GetId());
        command.SetEventObject(&FFrame);
        FFrame.GetEventHandler()->ProcessEvent(command);
    });
}

bool TWindowBehaviour::Command(int id)
{
    if (id == FIds.StatusBar)
        ToggleStatusBar();
    else if (id == FIds.ToolBar)
        ToggleToolBar();
    else if (id == FIds.StayOnTop)
        ToggleStayOnTop();
    else if (id == FIds.ViewInBrowser)
        ViewInBrowser();
    else if (id == FIds.Send)
        Send();
    else if (id == FIds.Contents)
        HelpContents();
    else if (id == FIds.Website)
        Opener(SWebsiteUrl);
    else if (id == FIds.About) {
        TAboutBox box(&FFrame, Opener);
        box.ShowModal();
    } else
        return false;
    return true;
}

bool TWindowBehaviour::UpdateUI(wxUpdateUIEvent& event)
{
    const int id = event.GetId();
    if (id == FIds.StatusBar || id == FIds.ToolBar || id == FIds.StayOnTop) {
        event.Enable(true);
        event.Check(id == FIds.StatusBar ? FStatusBarShown : id == FIds.ToolBar ? FToolBarShown : FStayOnTop);
    } else if (id == FIds.ViewInBrowser) {
        event.Enable(FModel.ActionListUpdate().ViewInBrowser);
    } else if (id == FIds.Send) {
        event.Enable(FModel.ActiveEditor() != nullptr);
    } else if (id == FIds.Contents || id == FIds.Website || id == FIds.About) {
        event.Enable(true);
    } else {
        return false;
    }
    return true;
}

std::string TWindowBehaviour::StateLines() const
{
    std::ostringstream out;
    out << "tray=" << (FTrayIcon->Shown() ? 1 : 0) << "\ntrayhint=" << ShortHint(FTrayIcon->Hint())
        << "\nwindow=" << (FFrame.IsShown() ? 1 : 0) << "\niconized=" << (FFrame.IsIconized() ? 1 : 0)
        << "\nmaximized=" << (FFrame.IsMaximized() ? 1 : 0) << "\nstayontop=" << (FStayOnTop ? 1 : 0)
        << "\nstatusbar=" << (FStatus.IsShown() ? 1 : 0) << "\ntoolbar=" << (FToolBar.IsShown() ? 1 : 0)
        << "\npanels=" << FStatus.GetFieldsCount() << "\n";
    return out.str();
}

// --- the tray ----------------------------------------------------------------------------------

void TWindowBehaviour::TrayOptionsChanged()
{
    FTrayIcon->SetEnabled(FModel.Settings.TrayEnabled);
    const TTrayOptions options { FModel.Settings.TrayEnabled, FModel.Settings.MinToTray, FModel.Settings.TrayAlways };
    // The same rule as at the start: shown exactly when enabled and always shown; a disabled
    // icon goes even though "Always" keeps its old value.
    FTrayIcon->SetActive(TrayActiveAtStart(options));
}

void TWindowBehaviour::DoMinimize()
{
    FTrayIcon->SetEnabled(FModel.Settings.TrayEnabled);
    const TTrayOptions options { FModel.Settings.TrayEnabled, FModel.Settings.MinToTray, FModel.Settings.TrayAlways };
    const TTrayAction action = TrayOnMinimize(options, TNotificationIcon::IsAvailable());
    if (action.ChangeActive)
        FTrayIcon->SetActive(action.Active);
    // Only an icon that is really there may stand in for the window.
    if (action.HideWindow && FTrayIcon->Shown())
        FFrame.Hide();
}

void TWindowBehaviour::DoRestore()
{
    const TTrayOptions options { FModel.Settings.TrayEnabled, FModel.Settings.MinToTray, FModel.Settings.TrayAlways };
    const TTrayAction action = TrayOnRestore(options);
    if (action.ChangeActive)
        FTrayIcon->SetActive(action.Active);
}

void TWindowBehaviour::RestoreWindow()
{
    if (!FFrame.IsShown())
        FFrame.Show(true);
    if (FFrame.IsIconized())
        FFrame.Iconize(false);
    DoRestore();
}

void TWindowBehaviour::TrayIconDblClick(int tag)
{
    RestoreWindow();
    switch (tag) {
    case TrayTagBringToFront:
        FFrame.Raise();
        break;
    case TrayTagMaximize:
        FFrame.Maximize(true);
        break;
    case TrayTagExit:
        FFrame.Close();
        break;
    default:
        break;
    }
}

void TWindowBehaviour::UpdateTrayHint()
{
    FHintCount = FModel.DocumentCount();
    FTrayIcon->SetHint(TrayHint(FHintCount));
}

void TWindowBehaviour::OnIconize(wxIconizeEvent& event)
{
    event.Skip();
    if (event.IsIconized())
        DoMinimize();
    else
        DoRestore();
}

void TWindowBehaviour::OnIdle(wxIdleEvent& event)
{
    event.Skip();
    if (FModel.DocumentCount() != FHintCount)
        UpdateTrayHint();
}

// --- the bars and the hints --------------------------------------------------------------------

void TWindowBehaviour::ToggleStatusBar()
{
    FStatusBarShown = !FStatusBarShown;
    FStatus.Show(FStatusBarShown);
    FFrame.SendSizeEvent();
}

void TWindowBehaviour::ToggleToolBar()
{
    FToolBarShown = !FToolBarShown;
    FToolBar.Show(FToolBarShown);
    FFrame.SendSizeEvent();
}

void TWindowBehaviour::ToggleStayOnTop()
{
    FStayOnTop = !FStayOnTop;
    const long style = FFrame.GetWindowStyleFlag();
    FFrame.SetWindowStyleFlag(FStayOnTop ? style | wxSTAY_ON_TOP : style & ~wxSTAY_ON_TOP);
}

void TWindowBehaviour::ShowHint(const std::string& hint)
{
    if (StatusBarShowsHint(hint, FFrame.IsEnabled())) {
        if (!FShowingHint) {
            FPanelWidths.clear();
            for (int i = 0; i < FStatus.GetFieldsCount(); ++i)
                FPanelWidths.push_back(FStatus.GetStatusWidth(i));
            FShowingHint = true;
            FStatus.SetFieldsCount(1);
        }
        FStatus.SetStatusText(Wx(hint), 0);
        return;
    }
    if (!FShowingHint)
        return;
    FShowingHint = false;
    FStatus.SetFieldsCount(static_cast<int>(FPanelWidths.size()), FPanelWidths.data());
    FModel.View().StatusBarChanged();
    if (FStatus.GetFieldsCount() > 3)
        FStatus.SetStatusText(SProductLine, 3);
}

void TWindowBehaviour::OnMenuHighlight(wxMenuEvent& event)
{
    std::string hint;
    const int id = event.GetMenuId();
    if (id != wxID_SEPARATOR && id != wxID_NONE) {
        wxMenuItem* item = nullptr;
        if (wxMenu* menu = event.GetMenu())
            item = menu->FindItem(id);
        if (!item && FFrame.GetMenuBar())
            item = FFrame.GetMenuBar()->FindItem(id);
        if (item)
            hint = WxToUtf8(item->GetHelp());
    }
    ShowHint(hint);
}

void TWindowBehaviour::OnMenuClose(wxMenuEvent& event)
{
    event.Skip();
    ShowHint({});
}

void TWindowBehaviour::OnToolEnter(wxCommandEvent& event)
{
    const int id = event.GetSelection();
    std::string hint;
    if (id != wxID_ANY) {
        hint = WxToUtf8(FToolBar.GetToolLongHelp(id));
        if (hint.empty())
            hint = WxToUtf8(FToolBar.GetToolShortHelp(id));
    }
    ShowHint(hint);
}

// --- browser, mail, help -----------------------------------------------------------------------

void TWindowBehaviour::ViewInBrowser()
{
    if (!FModel.ActionListUpdate().ViewInBrowser)
        return;
    if (!FModel.Execute([this] { FModel.FileSaveCmdExecute(); }))
        return;
    const TQuillEdit* edit = FModel.ActiveEditor();
    const std::string& name = FModel.FileNames(FModel.ActiveSlot());
    // A declined Save As leaves nothing on disk that a browser could show.
    if (!edit || name == SUntitled || edit->Modified())
        return;
    if (!Opener(name))
        FModel.UI().MessageDlg(FormatMessage(SOpenFailed, { SOpener }), TMsgDlgType::mtError, TMsgDlgButtons::mbOK);
}

void TWindowBehaviour::Oops()
{
    FModel.UI().MessageDlg(SSendFailed, TMsgDlgType::mtError, TMsgDlgButtons::mbOK);
}

void TWindowBehaviour::Send()
{
    const int slot = FModel.ActiveSlot();
    TQuillEdit* edit = FModel.ActiveEditor();
    if (!edit)
        return;
    const std::string fileName = FModel.FileNames(slot);
    std::optional<std::string> subject;
    {
        TSubjectForm form(&FFrame, ProposedSubject(fileName));
        const bool accepted = form.ShowModal() == wxID_OK;
        subject = SubjectToSend(accepted, form.Subject(), fileName);
    }
    if (!subject)
        return;
    FModel.UpdateDocumentState(slot);
    const char* path = std::getenv("PATH");
    const std::string composer = FindOnPath(SMailComposer, path ? path : "");
    if (composer.empty()) {
        Oops();
        return;
    }
    const std::string text = edit->Text();
    std::string attachment;
    const std::string attachmentName = AttachmentName(fileName);
    if (NeedsAttachment(text)) {
        attachment = FAttachments.Add(attachmentName, text);
        if (attachment.empty()) {
            Oops();
            return;
        }
    }
    std::vector<std::string> args = MailCommand(*subject, text, attachment, attachmentName);
    args[0] = composer; // exactly the program that was found
    auto* process = new TComposerProcess([this, alive = FAlive](int status) {
        if (*alive && status != 0)
            FFrame.CallAfter([this, alive] {
                if (*alive)
                    Oops();
            });
    });
    if (Execute(args, process) <= 0) {
        delete process;
        Oops();
    }
}

void TWindowBehaviour::HelpContents(int context)
{
    // The same lookup as the program's --program-files report, so that the install check sees it.
    const std::string folder = RunningProgramFolder();
    const std::string page = FindHelpPage(folder);
    if (page.empty()) {
        FModel.UI().MessageDlg(FormatMessage(SHelpNotFound, { HelpPageCandidates(folder).front() }),
            TMsgDlgType::mtError, TMsgDlgButtons::mbOK);
        return;
    }
    // A web address, so that the browser can go to the anchor; a plain path has none.
    const std::string target
        = context ? WxToUtf8(wxFileName::FileNameToURL(wxFileName(Wx(page)))) + "#" + HelpAnchor(context) : page;
    if (!Opener(target))
        FModel.UI().MessageDlg(FormatMessage(SOpenFailed, { SOpener }), TMsgDlgType::mtError, TMsgDlgButtons::mbOK);
}

} // namespace quillan
