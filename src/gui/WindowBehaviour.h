#pragma once

#include "app/MailLink.h"
#include "gui/AboutBox.h"
#include "gui/NotificationIcon.h"

#include <functional>
#include <memory>
#include <string>
#include <wx/event.h>

class wxFrame;
class wxMenu;
class wxMenuEvent;
class wxStatusBar;
class wxToolBar;
class wxUpdateUIEvent;
class wxIconizeEvent;

namespace quillan {

class TMainFormModel;

// The main window's command ids that this part answers or forwards to.
struct TBehaviourIds {
    int New, Open, StatusBar, ToolBar, StayOnTop, ViewInBrowser, Send, Contents, Website, About;
};

// How the main window behaves around the editing: the tray icon and minimising, staying on top,
// the bars, command hints in the status bar, the browser, mail, help and the about box. It hooks
// itself onto the frame's events; the frame only hands it the commands and updates it owns.
class TWindowBehaviour {
public:
    // `buildRecent` fills a menu with the recent files whose commands the frame handles.
    TWindowBehaviour(wxFrame& frame, TMainFormModel& model, wxStatusBar& status, wxToolBar& toolbar,
        const TBehaviourIds& ids, std::function<void(wxMenu&)> buildRecent);
    ~TWindowBehaviour();

    // True when the command is one of this part's (and was run).
    bool Command(int id);
    // True when the update is one of this part's (and was answered).
    bool UpdateUI(wxUpdateUIEvent& event);
    // Lines for the window's state file: the tray icon, the window, the bars, the panels.
    std::string StateLines() const;
    // Whether the status bar shows one hint panel now (its other panels must not be written).
    bool ShowingHint() const { return FShowingHint; }

    // The tray icon's double click and the tagged items of its menu.
    void TrayIconDblClick(int tag);
    // The tray settings changed (options dialog): the icon is enabled and shown to match them.
    void TrayOptionsChanged();
    void DoMinimize();
    void DoRestore();
    void ShowHint(const std::string& hint);
    // The help page, at the part for `context` when one is given (HelpPages.h).
    void HelpContents(int context = 0);

    // Replaceable for tests of the program: how addresses and files are opened.
    TOpener Opener = OpenWithDesktop;

private:
    void BuildTrayMenu();
    void RestoreWindow();
    void UpdateTrayHint();
    void ToggleStatusBar();
    void ToggleToolBar();
    void ToggleStayOnTop();
    void ViewInBrowser();
    void Send();
    void Oops();
    void OnIconize(wxIconizeEvent& event);
    void OnMenuHighlight(wxMenuEvent& event);
    void OnMenuClose(wxMenuEvent& event);
    void OnToolEnter(wxCommandEvent& event);
    void OnIdle(wxIdleEvent& event);

    wxFrame& FFrame;
    TMainFormModel& FModel;
    wxStatusBar& FStatus;
    wxToolBar& FToolBar;
    TBehaviourIds FIds;
    std::function<void(wxMenu&)> FBuildRecent;
    std::unique_ptr<TNotificationIcon> FTrayIcon;
    std::unique_ptr<wxMenu> FTrayMenu;
    wxMenu* FReopenMenu = nullptr; // owned by FTrayMenu
    int FTrayIdBase = 0;
    int FHintCount = -1;
    bool FStatusBarShown = true;
    bool FToolBarShown = true;
    bool FStayOnTop = false;
    bool FShowingHint = false;
    std::vector<int> FPanelWidths;
    TMailAttachments FAttachments;
    // Cleared on destruction, so that a mail composer ending later reports to nobody.
    std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);
};

} // namespace quillan
