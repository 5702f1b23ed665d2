#pragma once

#include "app/MainFormModel.h"
#include "backends/posix/HandOff.h"
#include "gui/WxUserInterface.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>
#include <wx/frame.h>
#include <wx/timer.h>

class wxListCtrl;
class wxImageList;
class wxMenu;
class wxToolBar;
class wxBookCtrlEvent;
class wxListEvent;
class wxCommandEvent;
class wxUpdateUIEvent;
class wxCloseEvent;
class wxContextMenuEvent;
class wxEventLoopSource;
class wxEventLoopSourceHandler;

namespace quillan {

class TWxEditorWindow;
class THandOffReceiver;
class TMainStatusBar;
class TIniFile;
class TWindowBehaviour;
class TPrintFrontEnd;
class TFindFrontEnd;
class TOptionsForm;
class IShellActions;
class TShellServices;
class TShellIntegration;
class TRecoveryFrontEnd;
class TTabStrip;

// The program's main window: menus, toolbar, the project manager on the left, one tab per
// document, the status bar. Every decision is the model's; this class shows it and forwards the
// user's commands.
class TMainForm : public wxFrame, public IMainFormView {
public:
    // `files` are opened after the first document, in order; `receiver` (may be null) is served
    // whenever another start connects to it. `uninstall`: the command line asked for the uninstall.
    TMainForm(const std::vector<std::string>& files, THandOffReceiver* receiver, bool uninstall = false);
    ~TMainForm() override;

    TMainFormModel& Model() { return *FModel; }

    // Gets the files other starts handed over while the close query asked its questions, when
    // the window closes after all: it did not open them, as it was closing.
    std::function<void(std::vector<std::string>)> OnClosedWithFiles;

    // The desktop side: shortcuts, the association and its revert (SetupForm.h).
    TShellIntegration& Shell();
    // The text-file association of the setup window and the options dialog; true when it was
    // made, false when it was in place already (the user has been told then).
    bool AssociateTextFiles();

    // --- IMainFormView ----------------------------------------------------------------------
    void AddDocumentTab(TQuillEdit& edit, const std::string& caption, int image) override;
    void RemoveDocumentTab(int slot) override;
    void SetTabCaption(int slot, const std::string& caption) override;
    void SetTabImage(int slot, int image) override;
    void ActivateTab(int slot) override;
    void AddListRow(const std::string& caption, int image) override;
    void RemoveListRow(int slot) override;
    void SetListRowCaption(int slot, const std::string& caption) override;
    void SetListRowImage(int slot, int image) override;
    void SelectListRow(int slot) override;
    void StatusBarChanged() override;
    void FocusEditor(int slot) override;
    void RestoreApplication() override;

private:
    void CreateMenus();
    void CreateToolBar();
    void PlaceWindow();
    int ToolBarWidthNeeded() const;
    void FitToolBar();
    void Run(void (TMainFormModel::*command)());
    void BuildRecentMenu(wxMenu& menu, bool fileMenuTail);
    void WriteStateFile();

    void OnCommand(wxCommandEvent& event);
    void OnUpdateUI(wxUpdateUIEvent& event);
    void OnPageChanged(wxBookCtrlEvent& event);
    void OnListSelected(wxListEvent& event);
    void OnOpenDropDown(wxCommandEvent& event);
    void OnSaveDropDown(wxCommandEvent& event);
    void OnEditorContextMenu(wxContextMenuEvent& event);
    void OnHandOffTimer(wxTimerEvent& event);
    void ServeHandOffs();
    int TakeFromSenders();
    void TakeHandOffs();
    void ComeForward();
    void OnIdle(wxIdleEvent& event);
    void OnCharHook(wxKeyEvent& event);
    void OnClose(wxCloseEvent& event);

    // Print, Print Setup, Page Setup and Print Preview (PrintFrontEnd.cpp holds the rest).
    void RunPrintCommand(int id);
    std::unique_ptr<TPrintFrontEnd> FPrint;

    // Find, go to line, date and time, File Info and the file bookmarks (FindFrontEnd.h, the
    // logic in app/EditorJumps.h and app/FindReplace.h).
    void RunEditCommand(int id);
    // Ctrl+Alt with an arrow or keypad key moves between marked documents; true when the key
    // was one of these (it still goes on to the editor).
    bool BookmarkKey(int flags, int code);
    void ToggleProjectManager();
    void OnListRightClick(wxListEvent& event);
    // Clicks and presses on the project manager's rows (MainFormList.cpp).
    void BindListMouse();
    void ListClicked();
    void ListMouseDown(bool rightButton, int row);
    void OnTabRightClick(wxMouseEvent& event);
    std::unique_ptr<TFindFrontEnd> FFind;
    std::unique_ptr<wxMenu> FDocumentMenu;

    TWxUserInterface FUI;
    wxImageList* FImages = nullptr; // shared by the tabs and the list, owned here
    TTabStrip* FNotebook = nullptr; // the documents' tabs and pages
    wxListCtrl* FList = nullptr;
    TMainStatusBar* FStatus = nullptr;
    wxToolBar* FToolBar = nullptr;
    wxMenu* FFileMenu = nullptr;
    std::unique_ptr<wxMenu> FEditorMenu;
    std::vector<TWxEditorWindow*> FWindows; // one per slot, owned by the tab strip
    std::vector<std::string> FRecentShown; // the paths behind the recent items last built
    std::vector<std::string> FFileMenuRecent; // the recent paths the File menu shows
    // Read when the window is created and written when it closes; between the two it holds
    // whatever the file had that the program does not use.
    std::unique_ptr<TIniFile> FSettingsFile;
    std::unique_ptr<TMainFormModel> FModel;
    THandOffReceiver* FReceiver;
    // Wakes the window as soon as another start connects; the timer only finishes messages that
    // were not complete yet when the connection was taken.
    std::unique_ptr<wxEventLoopSourceHandler> FHandOffWake;
    std::unique_ptr<wxEventLoopSource> FHandOffSource;
    wxTimer FHandOffTimer;
    std::vector<std::string> FHandOffQueue; // files taken from the senders, not opened yet
    int FHandOffRequests = 0; // since the window last came forward
    bool FClosing = false; // the close query is asking; hand-offs wait for its outcome
    bool FTakingHandOffs = false;
    std::size_t FFilesHandedOver = 0;
    TCommandStates FStates;
    std::string FStateFile; // tests read the window's state from here
    std::string FLastState;
    bool FSyncing = false; // the model is moving tabs or rows: their events are not the user's

    // Edit > Options: the dialog is made on first use and kept; OK applies it at once.
    void ShowOptions();
    std::unique_ptr<IShellActions> FShellActions;
    std::unique_ptr<TOptionsForm> FOptions;
    // First run and "/UNINSTALL" (SetupForm.h). After an uninstall the window closes without
    // writing the settings, so the deleted settings file stays deleted.
    std::unique_ptr<TShellServices> FShell;
    bool FUninstalled = false;
    std::chrono::steady_clock::time_point FFitToolBarUntil; // the first window grows to its toolbar until then

    // Window behaviour (tray, bars, hints, browser, mail, help, about): see WindowBehaviour.h.
    void CreateWindowBehaviour();
    std::unique_ptr<TWindowBehaviour> FBehaviour;

    // Recovery copies and files changed by other programs (RecoveryFrontEnd.h).
    std::unique_ptr<TRecoveryFrontEnd> FRecovery;
};

} // namespace quillan
