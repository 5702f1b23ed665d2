#include "app/MainFormModel.h"

#include "app/AppStrings.h"
#include "app/CommandLine.h"
#include "backends/posix/HandOff.h"
#include "backends/posix/IniFile.h"
#include "base/AsciiCase.h"
#include "base/Paths.h"
#include "base/QuillEditStrConst.h"
#include "editor/QuillEdit.h"
#include "highlight/HighlighterCpp.h"
#include "highlight/HighlighterDfm.h"
#include "highlight/HighlighterHTML.h"
#include "highlight/HighlighterPas.h"

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
    // The view owns the editors and may outlive us by a moment; none may keep a highlighter.
    for (int i = 0; i <= LastIndex; ++i)
        if (TQuillEdit* edit = Editors[static_cast<std::size_t>(i)]) {
            edit->SetHighlighter(nullptr);
            edit->OnChange = nullptr;
            edit->OnStatusChange = nullptr;
        }
}

void TMainFormModel::LoadSettings(const TIniFile& ini)
{
    Settings.Read(ini);
    Settings.ApplyColours(*FCpp, *FPas, *FHTML);
    ShareFormAttributes(*FDfm, *FPas);
    FRecent.Load(ini);
}

void TMainFormModel::Start()
{
    FLineNumbersChecked = Settings.ShowLines;
    FileNewCmdExecute();
}

bool TMainFormModel::SaveSettings(TIniFile& ini) const
{
    TSettings out = Settings;
    out.CaptureColours(*FCpp, *FPas, *FHTML);
    const bool ok = out.Write(ini);
    FRecent.Save(ini);
    return ok;
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

int TMainFormModel::SlotOf(const TQuillEdit* edit) const
{
    for (int i = 0; i <= LastIndex; ++i)
        if (Editors[static_cast<std::size_t>(i)] == edit)
            return i;
    return -1;
}

void TMainFormModel::SetUpEditor(TQuillEdit& edit)
{
    edit.SetOptions(TQuillEditorOptions(QuillDefaultOptions).Include(TQuillEditorOption::eoDropFiles));
    edit.OnChange = [this](TCustomQuillEdit*) {
        UpdateCaretPanel();
        UpdateDocumentState(FActiveSlot);
    };
    edit.OnStatusChange = [this](TCustomQuillEdit* sender, TQuillStatusChanges changes) {
        EditorStatusChange(static_cast<TQuillEdit*>(sender), changes);
    };
    edit.SetWantTabs(true);
    edit.SetRightEdge(80);
    edit.SetModified(false);
    TFontSpec font = edit.Font();
    font.Name = Settings.FontName;
    font.Size = Settings.FontSize;
    font.Color = Settings.FontColour;
    font.Style = 0;
    edit.SetFont(font);
    edit.SetColor(Settings.BackgroundColour);
    edit.SetScrollBars(TScrollStyle::ssBoth);
    edit.Gutter().SetShowLineNumbers(Settings.ShowLines);
    edit.Gutter().SetDigitCount(1);
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
    if (LastIndex + 1 >= DocumentSlots)
        throw std::logic_error("no free document slot");
    ++UntitledCount;
    FView.RestoreApplication();
    TQuillEdit* edit = FView.AddDocumentTab(SUntitled, iiUnmodified);
    ++LastIndex;
    const auto slot = static_cast<std::size_t>(LastIndex);
    Editors[slot] = edit;
    FileNames[slot] = SUntitled;
    BookmarkStates[slot] = bsNone;
    FBinaryForm[slot] = false;
    SetActive(LastIndex);
    SetUpEditor(*edit);
    FView.FocusEditor(LastIndex);
    FView.AddListRow(RowCaption(LastIndex, SUntitled), iiUnmodified);
    FView.SelectListRow(LastIndex);
    UpdateCaretPanel();
    UpdateDocumentState(FActiveSlot);
    UpdateInsertPanel();
}

void TMainFormModel::DiscardNewSlot()
{
    const int slot = LastIndex;
    const auto s = static_cast<std::size_t>(slot);
    Editors[s]->SetHighlighter(nullptr);
    Editors[s]->OnChange = nullptr;
    Editors[s]->OnStatusChange = nullptr;
    FView.RemoveListRow(slot);
    FView.RemoveDocumentTab(slot);
    Editors[s] = nullptr;
    FileNames[s].clear();
    BookmarkStates[s] = bsNone;
    FBinaryForm[s] = false;
    --LastIndex;
    LoadingDocument = false;
    if (LastIndex >= 0) {
        SetActive(std::min(FActiveSlot, LastIndex));
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
    for (int i = 0; i <= LastIndex; ++i) {
        if (AsciiUpperCopy(FileNames[static_cast<std::size_t>(i)]) != upper)
            continue;
        if (FUI.MessageDlg(SAlreadyOpen, TMsgDlgType::mtConfirmation, TMsgDlgButtons::mbYesNo) != TModalResult::mrYes)
            return false;
        break;
    }

    const int previousActive = FActiveSlot;
    LoadingDocument = true;
    FileNewCmdExecute();
    // The new document carries a name from now on, whatever happens below.
    --UntitledCount;
    const auto slot = static_cast<std::size_t>(LastIndex);
    TQuillEdit& edit = *Editors[slot];
    TCustomHighlighter* highlighter = HighlighterForFile(path);
    std::string failure;
    try {
        edit.Lines().LoadFromFile(path);
        if (highlighter == FDfm.get() && StartsAsBinaryForm(path)) {
            std::string message;
            if (LoadFormFileAsText(path, edit.Lines(), &message) != 0)
                failure = message.empty() ? FormatMessage(SCannotOpenFile, { path }) : message;
            else
                FBinaryForm[slot] = true;
        }
    } catch (const std::exception&) {
        failure = FormatMessage(SCannotOpenFile, { path });
    }
    if (!failure.empty()) {
        // The tab was made before the file could be read: take it back so that the tables hold
        // only documents that exist.
        DiscardNewSlot();
        if (previousActive >= 0 && previousActive <= LastIndex) {
            SetActive(previousActive);
            FView.SelectListRow(previousActive);
            UpdateDocumentState(previousActive);
        }
        FUI.MessageDlg(failure, TMsgDlgType::mtError, TMsgDlgButtons::mbOK);
        return false;
    }

    FView.SetTabCaption(LastIndex, ExtractFileName(path));
    FileNames[slot] = path;
    if (!readOnly)
        readOnly = FileIsReadOnly(path);
    edit.SetModified(false);
    edit.SetReadOnly(readOnly);
    UpdateDocumentState(FActiveSlot);
    UpdateInsertPanel();
    FView.SetListRowCaption(LastIndex, RowCaption(LastIndex, path));
    LoadingDocument = false;
    edit.SetHighlighter(highlighter);
    UpdateDocumentState(FActiveSlot);
    UpdateGutterDigits();
    return true;
}

void TMainFormModel::UpdateDocumentState(int slot)
{
    if (!LoadingDocument && slot >= 0 && slot <= LastIndex) {
        const auto s = static_cast<std::size_t>(slot);
        const TQuillEdit& edit = *Editors[s];
        const bool bookmarked = BookmarkStates[s] == bsBookmarked;
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
    if (slot < 0 || slot > LastIndex)
        return;
    FActiveSlot = slot;
    UpdateDocumentState(FActiveSlot);
    UpdateInsertPanel();
    UpdateGutterDigits();
    UpdateCaretPanel();
}

void TMainFormModel::PreviousFile()
{
    if (FActiveSlot <= 0)
        return;
    SetActive(FActiveSlot - 1);
    FView.SelectListRow(FActiveSlot);
    UpdateCaretPanel();
    UpdateDocumentState(FActiveSlot);
    UpdateInsertPanel();
}

void TMainFormModel::NextFile()
{
    if (FActiveSlot >= LastIndex)
        return;
    SetActive(FActiveSlot + 1);
    FView.SelectListRow(FActiveSlot);
    UpdateCaretPanel();
    UpdateDocumentState(FActiveSlot);
    UpdateInsertPanel();
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
    s.NextFile = FActiveSlot < LastIndex;
    s.PreviousFile = FActiveSlot > 0;
    s.FindAgain = !findText.empty();
    const TQuillEdit* edit = ActiveEditor();
    if (edit) {
        const auto a = static_cast<std::size_t>(FActiveSlot);
        s.Save = edit->Modified();
        s.Close = !(FileNames[a] == SUntitled && UntitledCount == 1);
        s.ViewInBrowser = edit->Highlighter() == FHTML.get();
        s.Cut = s.Copy = edit->HasSelection();
        if (edit->HandleAllocated()) {
            s.Undo = edit->CanUndo();
            s.Paste = const_cast<TQuillEdit*>(edit)->CanPaste();
        }
        const bool bookmarked = BookmarkStates[a] == bsBookmarked;
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
    TQuillEdit& edit = *Editors[static_cast<std::size_t>(slot)];
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
    const auto a = static_cast<std::size_t>(FActiveSlot);
    if (FileNames[a] == SUntitled) {
        FileSaveAsCmdExecute();
        return;
    }
    WriteDocument(FActiveSlot, FileNames[a], IsFormFileName(FileNames[a]) && FBinaryForm[a]);
    edit->SetModified(false);
    UpdateDocumentState(FActiveSlot);
}

bool TMainFormModel::FileSaveAsCmdExecute()
{
    const int s = FActiveSlot;
    if (s < 0)
        return false;
    const auto ss = static_cast<std::size_t>(s);
    if (!FUI.ExecuteSaveDialog(SaveDialog))
        return false;
    // One untitled document always stays open; with every slot in use there is no room for a
    // new one, and the saved document then simply leaves none untitled behind.
    if (FileNames[ss] == SUntitled && UntitledCount == 1 && LastIndex + 1 < DocumentSlots) {
        FileNewCmdExecute();
        SetActive(s);
        FView.SelectListRow(s);
    }
    std::string name = SaveDialog.FileName;
    const bool toForm = IsFormFileName(name);
    // A form document read as text stays text; everything else named .dfm is written binary.
    const bool asForm = toForm && !(IsFormFileName(FileNames[ss]) && !FBinaryForm[ss]);
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

    TQuillEdit& edit = *Editors[ss];
    const bool wasUntitled = FileNames[ss] == SUntitled;
    FileNames[ss] = name;
    FBinaryForm[ss] = asForm;
    if (wasUntitled)
        --UntitledCount;
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
    return true;
}

void TMainFormModel::FileSaveAllCmdExecute()
{
    const int remembered = FActiveSlot;
    const int last = LastIndex;
    for (int i = 0; i <= last; ++i) {
        SetActive(i);
        if (Editors[static_cast<std::size_t>(i)]->Modified())
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
    const TModalResult answer
        = FUI.MessageDlg(FormatMessage(SSaveChanges, { FileNames[static_cast<std::size_t>(FActiveSlot)] }),
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
    const auto ss = static_cast<std::size_t>(s);
    if (FileNames[ss] == SUntitled && UntitledCount == 1)
        return;
    AskSaveCurrent();
    if (FileNames[ss] != SUntitled)
        FRecent.Add(FileNames[ss]);
    Editors[ss]->SetHighlighter(nullptr);
    Editors[ss]->OnChange = nullptr;
    Editors[ss]->OnStatusChange = nullptr;
    if (FileNames[ss] == SUntitled)
        --UntitledCount;
    FileNames[ss].clear();
    BookmarkStates[ss] = bsFreeing;
    FView.RemoveListRow(s);
    FView.RemoveDocumentTab(s);
    for (int i = s; i < LastIndex; ++i) {
        const auto d = static_cast<std::size_t>(i);
        Editors[d] = Editors[d + 1];
        FileNames[d] = std::move(FileNames[d + 1]);
        BookmarkStates[d] = BookmarkStates[d + 1];
        FBinaryForm[d] = FBinaryForm[d + 1];
    }
    const auto last = static_cast<std::size_t>(LastIndex);
    Editors[last] = nullptr;
    FileNames[last].clear();
    BookmarkStates[last] = bsNone;
    FBinaryForm[last] = false;
    --LastIndex;
    // The tab that took the closed one's place is active; after the rightmost, the new rightmost.
    SetActive(std::min(s, LastIndex));
    FView.SelectListRow(FActiveSlot);
    for (int i = 0; i <= LastIndex; ++i) {
        FView.SetListRowCaption(i, RowCaption(i, FileNames[static_cast<std::size_t>(i)]));
        UpdateDocumentState(i);
    }
    UpdateDocumentState(FActiveSlot);
    UpdateInsertPanel();
    UpdateCaretPanel();
}

bool TMainFormModel::CloseQuery()
{
    bool canClose = true;
    for (int i = 0; i <= LastIndex; ++i) {
        SetActive(i);
        try {
            AskSaveCurrent();
            const std::string& name = FileNames[static_cast<std::size_t>(i)];
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

int TMainFormModel::HandOff(const THandOffRequest& request)
{
    FView.RestoreApplication();
    return OpenFilesInOrder(
        request.Files, [this] { return DocumentCount(); }, [this](const std::string& p) { OpenFileInTab(p, false); });
}

} // namespace quillan
