#include "app/MainFormModel.h"

#include "app/AppStrings.h"
#include "app/CommandLine.h"
#include "app/EditorJumps.h"
#include "app/OptionsModel.h"
#include "base/AsciiCase.h"
#include "base/Paths.h"
#include "base/QuillEditStrConst.h"
#include "editor/QuillEdit.h"
#include "highlight/HighlighterCpp.h"
#include "highlight/HighlighterDfm.h"
#include "highlight/HighlighterHTML.h"
#include "highlight/HighlighterPas.h"
#include "ports/SettingsStore.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace quillan {

namespace {

bool IsFormFileName(std::string_view path)
{
    return AsciiUpperCopy(ExtractFileExt(path)) == ".DFM";
}

// A binary form file starts with the resource marker; anything else named .dfm is its text form
// already, and converting it would fail on every byte.
bool StartsAsBinaryForm(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    char c = 0;
    return in.get(c) && static_cast<unsigned char>(c) == 0xFF;
}

bool FileIsReadOnly(const std::string& path)
{
    return access(path.c_str(), W_OK) != 0 && access(path.c_str(), F_OK) == 0;
}

// The document of a failed form conversion keeps its name and its modified flag.
class EFormSaveError : public EQuillException {
public:
    using EQuillException::EQuillException;
};

} // namespace

std::string RowCaption(int slot, std::string_view fileName)
{
    char number[16];
    std::snprintf(number, sizeof number, "%02d", slot);
    return std::string(number) + " - " + ExtractFileName(fileName);
}

int StateImage(bool modified, bool readOnly, bool bookmarked)
{
    if (modified)
        return bookmarked ? iiModifiedBookmarked : iiModified;
    if (readOnly)
        return bookmarked ? iiReadOnlyBookmarked : iiReadOnly;
    return bookmarked ? iiUnmodifiedBookmarked : iiUnmodified;
}

TMainFormModel::TMainFormModel(IMainFormView& view, IUserInterface& ui)
    : FView(view)
    , FUI(ui)
    , FCpp(std::make_unique<TCppHighlighter>())
    , FPas(std::make_unique<TPasHighlighter>())
    , FHTML(std::make_unique<THTMLHighlighter>())
    , FDfm(std::make_unique<TDfmHighlighter>())
    , FRecent([this] { return Settings.MaxFiles; })
{
    FDocuments.reserve(DocumentSlots);
    // The window's own highlighters carry its design values, not the bare class defaults.
    FCpp->ApplyDesignValues();
    FPas->ApplyDesignValues();
    FHTML->ApplyDesignValues();
    FDfm->ApplyDesignValues();
    Settings.ApplyColours(*FCpp, *FPas, *FHTML);
    ShareFormAttributes(*FDfm, *FPas);
    CollectHighlighters();
    const std::string filter = FileDialogFilter(BuildHighlighterFilter());
    OpenDialog = MakeOpenDialog(filter);
    SaveDialog = MakeSaveDialog(filter);
}

TMainFormModel::~TMainFormModel()
{
    CloseAll();
}

void TMainFormModel::LoadSettings(const ISettingsStore& store)
{
    Settings.Read(store);
    Settings.ApplyColours(*FCpp, *FPas, *FHTML);
    ShareFormAttributes(*FDfm, *FPas);
    FRecent.Load(store);
    FSettingsProblem.clear();
    if (!store.Loaded())
        FSettingsProblem = FormatMessage(SSettingsUnreadable, { store.LastError() });
}

void TMainFormModel::TellSettingsProblem()
{
    if (FSettingsProblem.empty())
        return;
    const std::string text = std::move(FSettingsProblem);
    FSettingsProblem.clear();
    FUI.MessageDlg(text, TMsgDlgType::mtError, TMsgDlgButtons::mbOK);
}

void TMainFormModel::Start()
{
    FLineNumbersChecked = Settings.ShowLines;
    FileNewCmdExecute();
}

bool TMainFormModel::SaveSettings(ISettingsStore& store)
{
    // What could not be read is never written over: the user was told so at the start.
    if (!store.Loaded())
        return false;
    TSettings out = Settings;
    out.CaptureColours(*FCpp, *FPas, *FHTML);
    const bool stored = out.Write(store);
    FRecent.Save(store);
    return store.UpdateFile() && stored;
}

void TMainFormModel::ClearRecentFiles(ISettingsStore& store)
{
    FRecent.Clear(store);
    // Settings that could not be read are never written over, not even this one key.
    if (store.Loaded())
        store.UpdateFile();
}

void TMainFormModel::ApplyOptions(TOptionsValues& values)
{
    int capacity = 0;
    try {
        capacity = LineNumberFromText(values.MaxRecentText);
    } catch (const std::invalid_argument& e) {
        throw EConvertError(e.what());
    }
    Settings.MaxFiles = ClampRecentCapacity(capacity);
    if (Settings.MaxFiles != capacity)
        values.MaxRecentText = std::to_string(Settings.MaxFiles);

    Settings.FontName = values.FontName;
    Settings.FontSize = values.FontSize;
    Settings.FontColour = values.TxtCol;
    Settings.BackgroundColour = values.EditorColour;

    Settings.Cpp = values.Cpp;
    Settings.Pascal = values.Pas;
    Settings.HTML = values.HTML;
    Settings.ApplyColours(*FCpp, *FPas, *FHTML);
    ShareFormAttributes(*FDfm, *FPas);

    Settings.ShowLines = values.ShowLineNumbers;

    Settings.TrayEnabled = values.TrayEnable;
    // A disabled icon keeps the other two flags as they were, for when it is enabled again.
    if (values.TrayEnable) {
        Settings.TrayAlways = values.AlwaysShow;
        Settings.MinToTray = values.TrayMinOnly;
    }

    for (TDocument& doc : FDocuments)
        ApplyAppearance(*doc.Editor);
}

// --- highlighters ------------------------------------------------------------------------------

void TMainFormModel::CollectHighlighters()
{
    FHighlighterList.clear();
    // Components are visited from the last one created to the first; with one highlighter per
    // language the order only matters for the sort below.
    const std::array<TCustomHighlighter*, 4> components { FDfm.get(), FHTML.get(), FPas.get(), FCpp.get() };
    for (TCustomHighlighter* h : components) {
        const std::string title(h->LanguageTitle());
        const bool known = std::any_of(
            FHighlighterList.begin(), FHighlighterList.end(), [&](const auto& entry) { return entry.first == title; });
        if (!known)
            FHighlighterList.emplace_back(title, h);
    }
    std::stable_sort(FHighlighterList.begin(), FHighlighterList.end(),
        [](const auto& a, const auto& b) { return AsciiLowerCopy(a.first) < AsciiLowerCopy(b.first); });
}

std::string TMainFormModel::BuildHighlighterFilter() const
{
    std::string filter;
    for (const auto& entry : FHighlighterList) {
        const std::string& f = entry.second->DefaultFilter();
        if (f.empty())
            continue;
        filter += f;
        if (!f.ends_with('|'))
            filter += '|';
    }
    return filter;
}

TCustomHighlighter* TMainFormModel::HighlighterForExtension(std::string_view ext) const
{
    const std::string e = AsciiLowerCopy(ext);
    if (e.empty())
        return nullptr;
    for (const auto& entry : FHighlighterList) {
        const std::string filter = AsciiLowerCopy(entry.second->DefaultFilter());
        const auto bar = filter.find('|');
        const std::string masks = bar == std::string::npos ? filter : filter.substr(bar + 1);
        // Only the first occurrence counts, so ".c" (first seen inside "*.cpp") finds nothing.
        const auto at = masks.find(e);
        if (at == std::string::npos)
            continue;
        const auto after = at + e.size();
        if (after == masks.size() || masks[after] == ';')
            return entry.second;
    }
    return nullptr;
}

TCustomHighlighter* TMainFormModel::HighlighterForFile(std::string_view path) const
{
    const std::string ext = ExtractFileExt(path);
    if (AsciiUpperCopy(ext) == ".C")
        return FCpp.get();
    return HighlighterForExtension(ext);
}

// --- documents ---------------------------------------------------------------------------------

TQuillEdit* TMainFormModel::Editors(int slot) const
{
    return InUse(slot) ? Document(slot).Editor.get() : nullptr;
}

const std::string& TMainFormModel::FileNames(int slot) const
{
    static const std::string free;
    return InUse(slot) ? Document(slot).FileName : free;
}

std::uint8_t TMainFormModel::BookmarkStates(int slot) const
{
    return InUse(slot) ? Document(slot).BookmarkState : bsNone;
}

void TMainFormModel::SetBookmarkState(int slot, std::uint8_t state)
{
    Document(slot).BookmarkState = state;
}

bool TMainFormModel::IsBinaryFormFile(int slot) const
{
    return InUse(slot) && Document(slot).BinaryForm;
}

int TMainFormModel::SlotOf(const TQuillEdit* edit) const
{
    for (int i = 0; i < DocumentCount(); ++i)
        if (Document(i).Editor.get() == edit)
            return i;
    return -1;
}

void TMainFormModel::RemoveDocument(int slot)
{
    TDocument& doc = Document(slot);
    // Nothing of ours may be reached from the editor once it goes; the highlighters outlive it.
    doc.Editor->SetHighlighter(nullptr);
    doc.Editor->OnChange = nullptr;
    doc.Editor->OnStatusChange = nullptr;
    doc.BookmarkState = bsFreeing;
    if (FWatch)
        FWatch->DocumentClosed(*doc.Editor);
    FView.RemoveListRow(slot);
    FView.RemoveDocumentTab(slot);
    // The tab's window has let go of the editor: it can go now.
    FDocuments.erase(FDocuments.begin() + slot);
}

void TMainFormModel::CloseAll()
{
    while (!FDocuments.empty())
        RemoveDocument(LastIndex());
    FUntitledCount = 0;
    FActiveSlot = -1;
    FLoadingDocument = false;
}

void TMainFormModel::SetUpEditor(TQuillEdit& edit)
{
    edit.SetOptions(TQuillEditorOptions(QuillDefaultOptions).Include(TQuillEditorOption::eoDropFiles));
    edit.OnChange = [this](TCustomQuillEdit* sender) {
        UpdateCaretPanel();
        UpdateDocumentState(FActiveSlot);
        if (FWatch && sender)
            FWatch->DocumentChanged(*static_cast<TQuillEdit*>(sender));
    };
    edit.OnStatusChange = [this](TCustomQuillEdit* sender, TQuillStatusChanges changes) {
        EditorStatusChange(static_cast<TQuillEdit*>(sender), changes);
    };
    edit.SetWantTabs(true);
    edit.SetRightEdge(80);
    edit.SetModified(false);
    ApplyAppearance(edit);
    edit.SetScrollBars(TScrollStyle::ssBoth);
    edit.Gutter().SetShowLineNumbers(Settings.ShowLines);
    edit.Gutter().SetDigitCount(1);
}

void TMainFormModel::ApplyAppearance(TQuillEdit& edit) const
{
    TFontSpec font = edit.Font();
    font.Name = Settings.FontName;
    font.Size = Settings.FontSize;
    font.Color = Settings.FontColour;
    font.Style = 0;
    edit.SetFont(font);
    edit.SetColor(Settings.BackgroundColour);
}

void TMainFormModel::EditorStatusChange(TQuillEdit* edit, unsigned changes)
{
    UpdateCaretPanel();
    UpdateInsertPanel();
    UpdateGutterDigits();
    // The modified and read-only flags change without a text change too (Save, Undo to the
    // saved state), and the state icon must follow them.
    if (changes & (stModified | stReadOnly | stAll)) {
        const int slot = SlotOf(edit);
        if (slot >= 0)
            UpdateDocumentState(slot);
    }
}

void TMainFormModel::SetActive(int slot)
{
    FActiveSlot = slot;
    FView.ActivateTab(slot);
}

void TMainFormModel::FileNewCmdExecute()
{
    if (DocumentCount() >= DocumentSlots)
        throw std::logic_error("no free document slot");
    ++FUntitledCount;
    FView.RestoreApplication();
    TDocument doc;
    doc.Editor = std::make_unique<TQuillEdit>();
    doc.FileName = SUntitled;
    TQuillEdit& edit = *doc.Editor;
    FDocuments.push_back(std::move(doc));
    FView.AddDocumentTab(edit, SUntitled, iiUnmodified);
    SetActive(LastIndex());
    SetUpEditor(edit);
    FView.FocusEditor(LastIndex());
    FView.AddListRow(RowCaption(LastIndex(), SUntitled), iiUnmodified);
    FView.SelectListRow(LastIndex());
    UpdateCaretPanel();
    UpdateDocumentState(FActiveSlot);
    UpdateInsertPanel();
}

void TMainFormModel::DiscardNewSlot()
{
    RemoveDocument(LastIndex());
    FLoadingDocument = false;
    if (LastIndex() >= 0) {
        SetActive(std::min(FActiveSlot, LastIndex()));
        FView.SelectListRow(FActiveSlot);
        UpdateCaretPanel();
        UpdateDocumentState(FActiveSlot);
        UpdateInsertPanel();
    } else {
        FActiveSlot = -1;
    }
}

bool TMainFormModel::OpenFileInTab(const std::string& path, bool readOnly)
{
    const std::string upper = AsciiUpperCopy(path);
    for (const TDocument& doc : FDocuments) {
        if (AsciiUpperCopy(doc.FileName) != upper)
            continue;
        if (FUI.MessageDlg(SAlreadyOpen, TMsgDlgType::mtConfirmation, TMsgDlgButtons::mbYesNo) != TModalResult::mrYes)
            return false;
        break;
    }

    const int previousActive = FActiveSlot;
    FLoadingDocument = true;
    FileNewCmdExecute();
    // The new document carries a name from now on, whatever happens below.
    --FUntitledCount;
    const int slot = LastIndex();
    TQuillEdit& edit = *Document(slot).Editor;
    TCustomHighlighter* highlighter = HighlighterForFile(path);
    std::string failure;
    try {
        edit.Lines().LoadFromFile(path);
        if (highlighter == FDfm.get() && StartsAsBinaryForm(path)) {
            std::string message;
            if (LoadFormFileAsText(path, edit.Lines(), &message) != 0)
                failure = message.empty() ? FormatMessage(SCannotOpenFile, { path }) : message;
            else
                Document(slot).BinaryForm = true;
        }
    } catch (const std::exception&) {
        failure = FormatMessage(SCannotOpenFile, { path });
    }
    if (!failure.empty()) {
        // The tab was made before the file could be read: take it back so that the tables hold
        // only documents that exist.
        DiscardNewSlot();
        if (InUse(previousActive)) {
            SetActive(previousActive);
            FView.SelectListRow(previousActive);
            UpdateDocumentState(previousActive);
        }
        FUI.MessageDlg(failure, TMsgDlgType::mtError, TMsgDlgButtons::mbOK);
        return false;
    }

    FView.SetTabCaption(slot, ExtractFileName(path));
    Document(slot).FileName = path;
    if (!readOnly)
        readOnly = FileIsReadOnly(path);
    edit.SetModified(false);
    edit.SetReadOnly(readOnly);
    UpdateDocumentState(FActiveSlot);
    UpdateInsertPanel();
    FView.SetListRowCaption(slot, RowCaption(slot, path));
    FLoadingDocument = false;
    edit.SetHighlighter(highlighter);
    UpdateDocumentState(FActiveSlot);
    UpdateGutterDigits();
    if (FWatch)
        FWatch->DocumentLoaded(edit, path);
    return true;
}

void TMainFormModel::UpdateDocumentState(int slot)
{
    if (!FLoadingDocument && InUse(slot)) {
        const TQuillEdit& edit = *Document(slot).Editor;
        const bool bookmarked = Document(slot).BookmarkState == bsBookmarked;
        FStateWord = edit.Modified() ? SStateModified : edit.ReadOnly() ? SStateReadOnly : SStateUnmodified;
        FStateIcon = StateImage(edit.Modified(), edit.ReadOnly(), bookmarked);
        FView.SetTabImage(slot, FStateIcon);
        FView.SetListRowImage(slot, FStateIcon);
    }
    FView.StatusBarChanged();
}

void TMainFormModel::UpdateCaretPanel()
{
    if (const TQuillEdit* edit = ActiveEditor()) {
        char text[64];
        std::snprintf(text, sizeof text, SCaretPanel, edit->CaretLine(), edit->CaretColumn());
        FCaretPanel = text;
        FView.StatusBarChanged();
    }
}

void TMainFormModel::UpdateInsertPanel()
{
    if (const TQuillEdit* edit = ActiveEditor()) {
        FInsertPanel = edit->InsertMode() ? SInsertMode : SOverwriteMode;
        FView.StatusBarChanged();
    }
}

void TMainFormModel::UpdateGutterDigits()
{
    if (TQuillEdit* edit = ActiveEditor()) {
        const int digits = static_cast<int>(std::to_string(edit->LineCount()).size());
        if (edit->Gutter().DigitCount() != digits)
            edit->Gutter().SetDigitCount(digits);
        FLineNumbersChecked = edit->Gutter().ShowLineNumbers();
    }
}

int TMainFormModel::StateWordOffset(std::string_view word)
{
    switch (word.size()) {
    case 8:
        return 28;
    case 9:
        return 23;
    case 10:
        return 21;
    default:
        return 20;
    }
}

// --- moving between documents ------------------------------------------------------------------

void TMainFormModel::PageControl1Change(int slot)
{
    if (!InUse(slot))
        return;
    FActiveSlot = slot;
    UpdateDocumentState(FActiveSlot);
    UpdateInsertPanel();
    UpdateGutterDigits();
    UpdateCaretPanel();
}

void TMainFormModel::ShowSlot(int slot)
{
    SetActive(slot);
    FView.SelectListRow(FActiveSlot);
    UpdateCaretPanel();
    UpdateDocumentState(FActiveSlot);
    UpdateInsertPanel();
}

void TMainFormModel::PreviousFile()
{
    if (FActiveSlot > 0)
        ShowSlot(FActiveSlot - 1);
}

void TMainFormModel::NextFile()
{
    if (FActiveSlot < LastIndex())
        ShowSlot(FActiveSlot + 1);
}

void TMainFormModel::ToggleLineNumbers()
{
    FLineNumbersChecked = !FLineNumbersChecked;
    if (TQuillEdit* edit = ActiveEditor())
        edit->Gutter().SetShowLineNumbers(FLineNumbersChecked);
}

void TMainFormModel::EditUndo()
{
    if (TQuillEdit* edit = ActiveEditor())
        edit->Undo();
}

void TMainFormModel::EditCut()
{
    if (TQuillEdit* edit = ActiveEditor())
        edit->CutToClipboard();
}

void TMainFormModel::EditCopy()
{
    if (TQuillEdit* edit = ActiveEditor())
        edit->CopyToClipboard();
}

void TMainFormModel::EditPaste()
{
    if (TQuillEdit* edit = ActiveEditor())
        edit->PasteFromClipboard();
}

void TMainFormModel::EditDelete()
{
    if (TQuillEdit* edit = ActiveEditor())
        edit->ReplaceSelection("");
}

void TMainFormModel::EditSelectAll()
{
    if (TQuillEdit* edit = ActiveEditor())
        edit->SelectAll();
}

TCommandStates TMainFormModel::ActionListUpdate(std::string_view findText) const
{
    TCommandStates s;
    const int count = DocumentCount();
    s.New = s.Open = s.AcceptDrops = count < MaxOpenDocuments;
    s.NextFile = FActiveSlot < LastIndex();
    s.PreviousFile = FActiveSlot > 0;
    s.FindAgain = !findText.empty();
    const TQuillEdit* edit = ActiveEditor();
    if (edit) {
        const TDocument& doc = Document(FActiveSlot);
        s.Save = edit->Modified();
        s.Close = !(doc.FileName == SUntitled && FUntitledCount == 1);
        s.ViewInBrowser = edit->Highlighter() == FHTML.get();
        s.Cut = s.Copy = edit->HasSelection();
        if (edit->HandleAllocated()) {
            s.Undo = edit->CanUndo();
            s.Paste = const_cast<TQuillEdit*>(edit)->CanPaste();
        }
        const bool bookmarked = doc.BookmarkState == bsBookmarked;
        s.BookmarkCaption = bookmarked ? "Remove &Bookmark" : "Set &Bookmark";
        s.BookmarkHint = bookmarked ? "Unbookmark the current file" : "Bookmark the current file";
    }
    return s;
}

// --- file commands -----------------------------------------------------------------------------

bool TMainFormModel::Execute(const std::function<void()>& command)
{
    try {
        command();
        return true;
    } catch (const std::exception& e) {
        ShowException(FUI, e);
        return false;
    }
}

void TMainFormModel::FileOpenCmdExecute()
{
    if (OpenDialog.Options & ofReadOnly)
        OpenDialog.Options = OpenDialogOptions;
    if (!FUI.ExecuteOpenDialog(OpenDialog))
        return;
    OpenFiles(OpenDialog.Files, (OpenDialog.Options & ofReadOnly) != 0);
}

void TMainFormModel::OpenFiles(const std::vector<std::string>& files, bool readOnly)
{
    for (const std::string& file : files) {
        if (DocumentCount() >= MaxOpenDocuments) {
            FUI.MessageDlg(SFileLimitReached, TMsgDlgType::mtError, TMsgDlgButtons::mbOK);
            return;
        }
        OpenFileInTab(file, readOnly);
        FView.RestoreApplication();
    }
}

void TMainFormModel::WriteDocument(int slot, const std::string& fileName, bool asForm)
{
    TQuillEdit& edit = *Document(slot).Editor;
    if (FWatch)
        FWatch->BeforeWrite(edit, fileName);
    if (!asForm) {
        edit.Lines().SaveToFile(fileName);
        return;
    }
    // A text that does not convert must not be reported as saved: the edit would be lost.
    std::string message;
    if (SaveTextAsFormFile(edit.Lines(), fileName, &message) != 0)
        throw EFormSaveError(message.empty() ? FormatMessage(SCannotCreateFile, { fileName }) : message);
}

void TMainFormModel::FileSaveCmdExecute()
{
    TQuillEdit* edit = ActiveEditor();
    if (!edit || !edit->Modified())
        return;
    const TDocument& doc = Document(FActiveSlot);
    if (doc.FileName == SUntitled) {
        FileSaveAsCmdExecute();
        return;
    }
    WriteDocument(FActiveSlot, doc.FileName, IsFormFileName(doc.FileName) && doc.BinaryForm);
    edit->SetModified(false);
    UpdateDocumentState(FActiveSlot);
    if (FWatch)
        FWatch->DocumentSaved(*edit, doc.FileName);
}

bool TMainFormModel::FileSaveAsCmdExecute()
{
    const int s = FActiveSlot;
    if (s < 0)
        return false;
    if (!FUI.ExecuteSaveDialog(SaveDialog))
        return false;
    // One untitled document always stays open; with every slot in use there is no room for a
    // new one, and the saved document then simply leaves none untitled behind.
    if (Document(s).FileName == SUntitled && FUntitledCount == 1 && DocumentCount() < DocumentSlots) {
        FileNewCmdExecute();
        SetActive(s);
        FView.SelectListRow(s);
    }
    std::string name = SaveDialog.FileName;
    const bool toForm = IsFormFileName(name);
    // A form document read as text stays text; everything else named .dfm is written binary.
    const bool asForm = toForm && !(IsFormFileName(Document(s).FileName) && !Document(s).BinaryForm);
    if (!toForm) {
        const int textFilterIndex = static_cast<int>(FHighlighterList.size()) + 1;
        if (ExtractFileExt(name).empty() && SaveDialog.FilterIndex == textFilterIndex
            && FUI.MessageDlg(SSaveAsTxt, TMsgDlgType::mtConfirmation, TMsgDlgButtons::mbYesNo) == TModalResult::mrYes)
            name += ".txt";
    }
    if (access(name.c_str(), F_OK) == 0
        && FUI.MessageDlg(
               FormatMessage(SOkToOverwrite, { name }), TMsgDlgType::mtConfirmation, TMsgDlgButtons::mbYesNoCancel)
            != TModalResult::mrYes)
        return false;
    WriteDocument(s, name, asForm);

    TDocument& doc = Document(s);
    TQuillEdit& edit = *doc.Editor;
    const bool wasUntitled = doc.FileName == SUntitled;
    doc.FileName = name;
    doc.BinaryForm = asForm;
    if (wasUntitled)
        --FUntitledCount;
    FView.SetTabCaption(s, ExtractFileName(name));
    edit.SetModified(false);
    UpdateDocumentState(s);
    FView.SetListRowCaption(s, RowCaption(s, name));
    TCustomHighlighter* highlighter = HighlighterForFile(name);
    edit.SetHighlighter(highlighter);
    if (highlighter == FDfm.get() && asForm) {
        std::string message;
        if (LoadFormFileAsText(name, edit.Lines(), &message) != 0)
            throw EFormSaveError(message);
        edit.SetModified(false);
        UpdateDocumentState(s);
    }
    if (FWatch)
        FWatch->DocumentSaved(edit, name);
    return true;
}

void TMainFormModel::FileSaveAllCmdExecute()
{
    const int remembered = FActiveSlot;
    const int last = LastIndex();
    for (int i = 0; i <= last; ++i) {
        SetActive(i);
        if (Document(i).Editor->Modified())
            FileSaveCmdExecute();
    }
    SetActive(remembered);
    FView.SelectListRow(remembered);
}

void TMainFormModel::AskSaveCurrent()
{
    const TQuillEdit* edit = ActiveEditor();
    if (!edit || !edit->Modified())
        return;
    const TModalResult answer = FUI.MessageDlg(FormatMessage(SSaveChanges, { Document(FActiveSlot).FileName }),
        TMsgDlgType::mtConfirmation, TMsgDlgButtons::mbYesNoCancel);
    if (answer == TModalResult::mrCancel || answer == TModalResult::mrNone)
        throw EAbort();
    if (answer == TModalResult::mrYes)
        FileSaveCmdExecute();
}

void TMainFormModel::FileCloseCmdExecute()
{
    const int s = FActiveSlot;
    if (s < 0)
        return;
    if (Document(s).FileName == SUntitled && FUntitledCount == 1)
        return;
    // Saving may name the document, and opening a new untitled one may move the records.
    AskSaveCurrent();
    const std::string name = Document(s).FileName;
    if (name == SUntitled)
        --FUntitledCount;
    else
        FRecent.Add(name);
    // Later documents move down by one slot.
    RemoveDocument(s);
    // The tab that took the closed one's place is active; after the rightmost, the new rightmost.
    SetActive(std::min(s, LastIndex()));
    FView.SelectListRow(FActiveSlot);
    for (int i = 0; i <= LastIndex(); ++i) {
        FView.SetListRowCaption(i, RowCaption(i, Document(i).FileName));
        UpdateDocumentState(i);
    }
    UpdateDocumentState(FActiveSlot);
    UpdateInsertPanel();
    UpdateCaretPanel();
}

bool TMainFormModel::CloseQuery()
{
    bool canClose = true;
    for (int i = 0; i <= LastIndex(); ++i) {
        // The user must see which document the question is about: its tab, row and panels.
        ShowSlot(i);
        try {
            AskSaveCurrent();
            const std::string& name = Document(i).FileName;
            if (name != SUntitled)
                FRecent.Add(name);
        } catch (const EAbort&) {
            canClose = false;
        } catch (const std::exception& e) {
            ShowException(FUI, e);
            canClose = false;
        }
    }
    return canClose;
}

void TMainFormModel::FileReopen(const std::string& path)
{
    if (ReopenRecentFile(path, DocumentCount(), FUI, [this](const std::string& p) { OpenFileInTab(p, false); }))
        FView.RestoreApplication();
}

int TMainFormModel::HandOff(const std::vector<std::string>& files)
{
    FView.RestoreApplication();
    bool limitReached = false;
    const int opened = OpenFilesInOrder(
        files, [this] { return DocumentCount(); }, [this](const std::string& p) { OpenFileInTab(p, false); },
        &limitReached);
    if (limitReached)
        FUI.MessageDlg(SFileLimitReached, TMsgDlgType::mtError, TMsgDlgButtons::mbOK);
    return opened;
}

// --- recovery and files changed on disk --------------------------------------------------------

int TMainFormModel::OpenRecovered(
    const std::string& fileName, std::string_view text, TQuillEditLineBreakStyle breaks, bool binaryForm)
{
    FileNewCmdExecute();
    const int slot = LastIndex();
    TQuillEdit& edit = *Document(slot).Editor;
    edit.Lines().SetText(text);
    edit.Lines().SetLineBreakStyle(breaks);
    edit.ClearUndo();
    if (fileName != SUntitled) {
        --FUntitledCount;
        Document(slot).FileName = fileName;
        FView.SetTabCaption(slot, ExtractFileName(fileName));
        FView.SetListRowCaption(slot, RowCaption(slot, fileName));
        edit.SetHighlighter(HighlighterForFile(fileName));
        Document(slot).BinaryForm = binaryForm && IsFormFileName(fileName);
    }
    // Only a save makes it the file's text again.
    edit.SetModified(true);
    UpdateDocumentState(slot);
    UpdateGutterDigits();
    return slot;
}

bool TMainFormModel::ReloadDocument(int slot)
{
    if (!InUse(slot) || Document(slot).FileName == SUntitled)
        return false;
    TDocument& doc = Document(slot);
    TQuillEdit& edit = *doc.Editor;
    const TBufferCoord caret = edit.CaretPos();
    const int top = edit.TopLine();
    try {
        // Read aside first: a file that cannot be read must leave the document as it was.
        TQuillEditStringList fresh;
        fresh.LoadFromFile(doc.FileName);
        if (doc.BinaryForm && LoadFormFileAsText(doc.FileName, fresh, nullptr) != 0)
            throw EQuillException(FormatMessage(SCannotOpenFile, { doc.FileName }));
        edit.Lines().BeginUpdate();
        edit.Lines().Clear();
        edit.Lines().AddStrings(fresh);
        edit.Lines().SetLineBreakStyle(fresh.LineBreakStyle());
        edit.Lines().EndUpdate();
    } catch (const std::exception&) {
        FUI.MessageDlg(FormatMessage(SCannotOpenFile, { doc.FileName }), TMsgDlgType::mtError, TMsgDlgButtons::mbOK);
        return false;
    }
    // The old text's undo steps would apply to a text that no longer exists.
    edit.ClearUndo();
    edit.SetCaretPos(caret);
    edit.SetTopLine(top);
    edit.SetModified(false);
    UpdateDocumentState(slot);
    UpdateCaretPanel();
    UpdateGutterDigits();
    if (FWatch)
        FWatch->DocumentLoaded(edit, doc.FileName);
    return true;
}

void TMainFormModel::MarkFileGone(int slot)
{
    if (!InUse(slot))
        return;
    Document(slot).Editor->SetModified(true);
    UpdateDocumentState(slot);
}

} // namespace quillan
