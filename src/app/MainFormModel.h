#pragma once

#include "app/DocumentWatch.h"
#include "app/RecentFiles.h"
#include "app/Settings.h"
#include "app/UserInterface.h"
#include "base/QuillEditTypes.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quillan {

class TQuillEdit;
class TCustomHighlighter;
class TCppHighlighter;
class TPasHighlighter;
class THTMLHighlighter;
class TDfmHighlighter;
class ISettingsStore;
struct TOptionsValues;

// Slots 0..100: New, Open and the hand-off stop at 100 documents, but Save As of the last
// untitled document may open the 101st.
inline constexpr int DocumentSlots = 101;

// Image indices of a document's state, shared by its tab, its list row and status panel 1.
inline constexpr int iiUnmodified = 17;
inline constexpr int iiModified = 18;
inline constexpr int iiReadOnly = 28;
inline constexpr int iiUnmodifiedBookmarked = 30;
inline constexpr int iiReadOnlyBookmarked = 31;
inline constexpr int iiModifiedBookmarked = 32;

// BookmarkStates values.
inline constexpr std::uint8_t bsNone = 0;
inline constexpr std::uint8_t bsBookmarked = 1;
inline constexpr std::uint8_t bsFreeing = 2;

// The window side of the main window: tabs that hold the editors, the project manager's rows and
// the status bar. The model decides; the view only shows. Slot i is tab i and row i throughout.
class IMainFormView {
public:
    virtual ~IMainFormView() = default;

    // Appends a tab whose window shows `edit`. The model owns the editor and keeps it alive
    // until the tab is removed. The tab does not become active by this.
    virtual void AddDocumentTab(TQuillEdit& edit, const std::string& caption, int image) = 0;
    // Removes tab `slot`; its window lets go of the editor, which the model destroys next. Later
    // tabs move down by one.
    virtual void RemoveDocumentTab(int slot) = 0;
    virtual void SetTabCaption(int slot, const std::string& caption) = 0;
    virtual void SetTabImage(int slot, int image) = 0;
    virtual void ActivateTab(int slot) = 0;

    virtual void AddListRow(const std::string& caption, int image) = 0;
    virtual void RemoveListRow(int slot) = 0;
    virtual void SetListRowCaption(int slot, const std::string& caption) = 0;
    virtual void SetListRowImage(int slot, int image) = 0;
    virtual void SelectListRow(int slot) = 0;

    // The status bar's panels changed (or only need repainting).
    virtual void StatusBarChanged() = 0;
    // May fail silently while the window is not shown yet.
    virtual void FocusEditor(int /*slot*/) { }
    // Brings a minimised window back.
    virtual void RestoreApplication() { }
};

// Which commands the idle pass enables.
struct TCommandStates {
    bool New = false;
    bool Open = false;
    bool AcceptDrops = false;
    bool NextFile = false;
    bool PreviousFile = false;
    bool Save = false;
    bool Close = false;
    bool FindAgain = false;
    bool ViewInBrowser = false;
    bool Cut = false;
    bool Copy = false;
    bool SelectAll = true;
    bool Undo = false;
    bool Paste = false;
    bool Delete = true;
    std::string BookmarkCaption;
    std::string BookmarkHint;
    friend bool operator==(const TCommandStates&, const TCommandStates&) = default;
};

// "03 - main.c": the list sorts rows by caption, so the two-digit slot keeps them in slot order.
std::string RowCaption(int slot, std::string_view fileName);
// The state icon of a document: modified wins over read-only; bookmarked has its own three.
int StateImage(bool modified, bool readOnly, bool bookmarked);

// The main window without its window: the documents, the highlighters, the settings and recent
// list, and the file commands. The model owns every document (its editor included); the view
// only shows them, one tab window per slot. Commands that ask the user go through IUserInterface; a
// command that fails throws, and the caller reports it with Execute (or ShowException).
class TMainFormModel {
public:
    TMainFormModel(IMainFormView& view, IUserInterface& ui);
    ~TMainFormModel();
    TMainFormModel(const TMainFormModel&) = delete;
    TMainFormModel& operator=(const TMainFormModel&) = delete;

    // --- start and end ----------------------------------------------------------------------
    // Reads the settings onto the highlighters, builds the highlighter list and the dialogs'
    // filter, and loads the recent list. Then Start opens the first "Untitled" document.
    // Settings that could not be read leave the defaults; TellSettingsProblem says so.
    void LoadSettings(const ISettingsStore& store);
    void Start();
    // Tells the user, once, that the settings could not be read and will not be written. Does
    // nothing when they were read. The window calls it once it is shown.
    void TellSettingsProblem();
    // The window fills in Settings' placement first. Writes the settings, then the recent list,
    // and makes them lasting. False when something could not be stored, or the store was never
    // read (it is left alone then).
    bool SaveSettings(ISettingsStore& store);

    // --- documents --------------------------------------------------------------------------
    // Slots 0..LastIndex() hold the open documents in tab order; for a free slot the editor is
    // null, the file name empty and the bookmark state bsNone.
    TQuillEdit* Editors(int slot) const;
    const std::string& FileNames(int slot) const;
    std::uint8_t BookmarkStates(int slot) const;
    void SetBookmarkState(int slot, std::uint8_t state);
    // Whether slot's document was read from a binary form file, and so is written back as one.
    bool IsBinaryFormFile(int slot) const;
    int LastIndex() const { return static_cast<int>(FDocuments.size()) - 1; }
    int UntitledCount() const { return FUntitledCount; }
    // True while a file is read into its new tab.
    bool LoadingDocument() const { return FLoadingDocument; }

    int ActiveSlot() const { return FActiveSlot; }
    int DocumentCount() const { return static_cast<int>(FDocuments.size()); }
    TQuillEdit* ActiveEditor() const { return Editors(FActiveSlot); }

    // Closes every document without a question, from the last tab to the first: each editor is
    // unhooked from the highlighters and the model, its tab and row go, then the editor. The
    // model's destructor does it too; the window calls it while its tabs can still go.
    void CloseAll();

    void FileNewCmdExecute();
    // False when nothing was opened: a second copy declined, or the file could not be read (the
    // user has been told then, and the tables are as before).
    bool OpenFileInTab(const std::string& path, bool readOnly);
    void UpdateDocumentState(int slot);
    void UpdateCaretPanel();
    void UpdateInsertPanel();
    void UpdateGutterDigits();

    // --- status bar -------------------------------------------------------------------------
    const std::string& CaretPanel() const { return FCaretPanel; }
    const std::string& InsertPanel() const { return FInsertPanel; }
    const std::string& StateWord() const { return FStateWord; }
    int StateIcon() const { return FStateIcon; }
    // Where panel 1 draws its word: the offset depends on the word's length.
    static int StateWordOffset(std::string_view word);

    // --- highlighters -----------------------------------------------------------------------
    TCppHighlighter& CppHighlighter1() { return *FCpp; }
    TPasHighlighter& PasHighlighter1() { return *FPas; }
    THTMLHighlighter& HTMLHighlighter1() { return *FHTML; }
    TDfmHighlighter& DfmHighlighter1() { return *FDfm; }
    const std::vector<std::pair<std::string, TCustomHighlighter*>>& HighlighterList() const { return FHighlighterList; }
    void CollectHighlighters();
    std::string BuildHighlighterFilter() const;
    TCustomHighlighter* HighlighterForExtension(std::string_view ext) const;
    // HighlighterForExtension with ".c" mapped to C/C++, which the mask search cannot find.
    TCustomHighlighter* HighlighterForFile(std::string_view path) const;

    // --- commands ---------------------------------------------------------------------------
    // Runs a command and reports what it throws (nothing for EAbort). False when it threw.
    bool Execute(const std::function<void()>& command);

    void FileOpenCmdExecute();
    // Opens the files in order, as the open dialog and dropped files do; at the document limit it
    // says "File limit reached!" and leaves the rest.
    void OpenFiles(const std::vector<std::string>& files, bool readOnly);
    void FileSaveCmdExecute();
    // False when nothing was written (dialog cancelled, overwrite declined).
    bool FileSaveAsCmdExecute();
    void FileSaveAllCmdExecute();
    void FileCloseCmdExecute();
    // The close query of Exit: true when the window may close.
    bool CloseQuery();
    void AskSaveCurrent();
    void FileReopen(const std::string& path);
    // Opens a second instance's files in order and returns how many were opened. Files left over
    // at the document limit are not opened, and the user is told "File limit reached!": the
    // second start has ended and cannot say so itself.
    int HandOff(const std::vector<std::string>& files);

    // --- recovery and files changed on disk -------------------------------------------------
    // Told about every document's changes, loads, saves and closes; null for none.
    void SetDocumentWatch(IDocumentWatch* watch) { FWatch = watch; }
    // A recovered text as a new, modified document named `fileName` (a path, or "Untitled"), so
    // that Save writes it where it came from, in binary when `binaryForm` says the form file was.
    // Returns its slot.
    int OpenRecovered(
        const std::string& fileName, std::string_view text, TQuillEditLineBreakStyle breaks, bool binaryForm = false);
    // Reads slot's file again, keeping the caret and the top line as near as the new text allows.
    // False (the document unchanged, the user told) when the file cannot be read.
    bool ReloadDocument(int slot);
    // The document lost its file: it becomes modified, so that closing it asks.
    void MarkFileGone(int slot);
    int SlotOfEditor(const TQuillEdit* edit) const { return SlotOf(edit); }

    void PageControl1Change(int slot);
    void PreviousFile();
    void NextFile();
    // View > Line Numbers on the active editor only.
    void ToggleLineNumbers();
    bool LineNumbersChecked() const { return FLineNumbersChecked; }

    // The edit commands of the menu, the toolbar and the editor's context menu.
    void EditUndo();
    void EditCut();
    void EditCopy();
    void EditPaste();
    void EditDelete();
    void EditSelectAll();

    // The idle pass. `findText` is the find dialog's search text.
    TCommandStates ActionListUpdate(std::string_view findText = {}) const;

    // --- settings, dialogs, recent files ----------------------------------------------------
    TSettings Settings;
    TRecentFileList& RecentFiles() { return FRecent; }
    std::vector<TRecentMenuItem> RecentMenuItems() const { return FRecent.MenuItems(); }
    TFileDialog OpenDialog;
    TFileDialog SaveDialog;
    // Empties the recent list at once: the file loses it now, not only at exit.
    void ClearRecentFiles(ISettingsStore& store);
    // The options dialog closed with OK: its values go into memory, onto the highlighters and
    // onto every open editor; the line-number box only reaches editors created later. A recent
    // capacity outside 1..100 is brought within (and `values` shows it so); one that is not a
    // number throws before anything is changed. The tray icon's showing follows from Settings
    // afterwards (the window's business). Nothing is written until exit.
    void ApplyOptions(TOptionsValues& values);

    IMainFormView& View() { return FView; }
    IUserInterface& UI() { return FUI; }

private:
    // One open document.
    struct TDocument {
        std::unique_ptr<TQuillEdit> Editor;
        std::string FileName;
        std::uint8_t BookmarkState = bsNone;
        bool BinaryForm = false;
    };

    TDocument& Document(int slot) { return FDocuments.at(static_cast<std::size_t>(slot)); }
    const TDocument& Document(int slot) const { return FDocuments.at(static_cast<std::size_t>(slot)); }
    bool InUse(int slot) const { return slot >= 0 && slot < DocumentCount(); }
    // Takes slot's document out: unhooked, its row and tab removed, its editor destroyed.
    void RemoveDocument(int slot);
    void SetUpEditor(TQuillEdit& edit);
    // Font and background of every document, from Settings.
    void ApplyAppearance(TQuillEdit& edit) const;
    void SetActive(int slot);
    // SetActive with the list row and the status panels following, as moving between
    // documents does.
    void ShowSlot(int slot);
    void WriteDocument(int slot, const std::string& fileName, bool asForm);
    void DiscardNewSlot();
    void EditorStatusChange(TQuillEdit* edit, unsigned changes);
    int SlotOf(const TQuillEdit* edit) const;

    IMainFormView& FView;
    IUserInterface& FUI;
    IDocumentWatch* FWatch = nullptr;
    std::unique_ptr<TCppHighlighter> FCpp;
    std::unique_ptr<TPasHighlighter> FPas;
    std::unique_ptr<THTMLHighlighter> FHTML;
    std::unique_ptr<TDfmHighlighter> FDfm;
    std::vector<std::pair<std::string, TCustomHighlighter*>> FHighlighterList;
    TRecentFileList FRecent;
    std::vector<TDocument> FDocuments;
    int FUntitledCount = 0;
    bool FLoadingDocument = false;
    int FActiveSlot = -1;
    // Set when the settings could not be read; cleared once the user has been told.
    std::string FSettingsProblem;
    bool FLineNumbersChecked = true;

    std::string FCaretPanel;
    std::string FInsertPanel;
    std::string FStateWord;
    int FStateIcon = iiUnmodified;
};

} // namespace quillan
