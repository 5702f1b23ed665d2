#pragma once

#include "base/QuillEditTypes.h"
#include "editor/EditTracking.h"
#include "editor/QuillEditMiscClasses.h"
#include "highlight/HighlighterBase.h"
#include "ports/Canvas.h"
#include "ports/EditorHost.h"
#include "ports/EditorWindowClient.h"
#include "text/QuillEditKeyCmds.h"
#include "text/QuillEditSearch.h"
#include "text/QuillEditTextBuffer.h"
#include "text/QuillEditUndo.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace quillan {

// Options, in their stored bit order.
enum class TQuillEditorOption : std::uint8_t {
    eoAltSetsColumnMode,
    eoAutoIndent,
    eoDragDropEditing,
    eoDropFiles,
    eoHalfPageScroll,
    eoKeepCaretX,
    eoNoCaret,
    eoNoSelection,
    eoScrollByOneLess,
    eoScrollPastEof,
    eoScrollPastEol,
    eoShowScrollHint,
    eoSmartTabs,
    eoTabsToSpaces,
    eoTrimTrailingSpaces,
};
inline constexpr int EditorOptionCount = 15;

class TQuillEditorOptions {
public:
    constexpr TQuillEditorOptions() = default;
    constexpr TQuillEditorOptions(std::initializer_list<TQuillEditorOption> options)
    {
        for (TQuillEditorOption o : options)
            Include(o);
    }
    static constexpr TQuillEditorOptions FromBits(std::uint16_t bits)
    {
        TQuillEditorOptions s;
        s.FBits = bits & 0x7FFF;
        return s;
    }
    constexpr std::uint16_t Bits() const { return FBits; }
    constexpr bool Contains(TQuillEditorOption o) const { return (FBits >> static_cast<int>(o)) & 1u; }
    constexpr TQuillEditorOptions& Include(TQuillEditorOption o)
    {
        FBits = static_cast<std::uint16_t>(FBits | (1u << static_cast<int>(o)));
        return *this;
    }
    constexpr TQuillEditorOptions& Exclude(TQuillEditorOption o)
    {
        FBits = static_cast<std::uint16_t>(FBits & ~(1u << static_cast<int>(o)));
        return *this;
    }
    friend constexpr bool operator==(TQuillEditorOptions, TQuillEditorOptions) = default;

private:
    std::uint16_t FBits = 0;
};

inline constexpr TQuillEditorOptions QuillDefaultOptions = TQuillEditorOptions::FromBits(31750);

// "eoAutoIndent" and back; empty optional for an unknown name.
const char* EditorOptionName(TQuillEditorOption option);
std::optional<TQuillEditorOption> EditorOptionFromName(std::string_view name);

// Status flags reported through OnStatusChange.
enum TQuillStatusChange : unsigned {
    stAll = 1,
    stCaretColumn = 2,
    stCaretLine = 4,
    stLeftChar = 8,
    stTopLine = 16,
    stInsertMode = 32,
    stModified = 64,
    stSelection = 128,
    stReadOnly = 256,
};
using TQuillStatusChanges = unsigned;

// SearchReplace option bits.
enum TQuillSearchOption : unsigned {
    srMatchCase = 1,
    srWholeWord = 2,
    srBackwards = 4,
    srEntireScope = 8,
    srSelectionOnly = 16,
    srReplace = 32,
    srReplaceAll = 64,
    srPrompt = 128,
};
using TQuillSearchOptions = unsigned;
const char* SearchOptionName(TQuillSearchOption option);
std::optional<TQuillSearchOption> SearchOptionFromName(std::string_view name);

enum class TQuillReplaceAction : std::uint8_t { rpCancel, rpSkip, rpReplace, rpReplaceAll };
enum class TQuillEditCaretType : std::uint8_t { ctVerticalLine, ctHorizontalLine, ctHalfBlock, ctBlock };
enum class TScrollStyle : std::uint8_t { ssNone, ssHorizontal, ssVertical, ssBoth };

// A typed character: a Unicode code point, or U+DC80..U+DCFF for a raw byte (see utf8::Encode).
using TQuillChar = char32_t;
// What a command carries besides its character: a position (ecGotoXY, ecSelGotoXY) or a string
// (ecImeStr).
using TQuillCommandData = std::variant<std::monostate, TBufferCoord, std::string>;

// The text-editing control's logic. It owns its lines, undo lists, keystrokes, gutter and marks;
// it draws on an ICanvas and asks an IEditorHost for window services. Without a host the control
// has no window: it edits, but does not scroll, show a caret or use a clipboard.
//
// Positions are (column, line) from 1; the column is a byte index into the line. Every command,
// caret move and selection keeps to character boundaries of UTF-8 text.
class TCustomQuillEdit : public IEditorWindowClient {
public:
    using TNotifyEvent = std::function<void(TCustomQuillEdit* sender)>;
    using TStatusChangeEvent = std::function<void(TCustomQuillEdit* sender, TQuillStatusChanges changes)>;
    using TProcessCommandEvent = std::function<void(
        TCustomQuillEdit* sender, TQuillEditorCommand& command, TQuillChar& ch, const TQuillCommandData& data)>;
    using TCommandProcessedEvent = std::function<void(
        TCustomQuillEdit* sender, TQuillEditorCommand command, TQuillChar ch, const TQuillCommandData& data)>;
    using TReplaceTextEvent = std::function<void(TCustomQuillEdit* sender, const std::string& search,
        const std::string& replace, int line, int column, TQuillReplaceAction& action)>;
    // The handler may replace the mark with its own or reset it to cancel the bookmark.
    using TPlaceMarkEvent = std::function<void(TCustomQuillEdit* sender, std::unique_ptr<TQuillEditMark>& mark)>;
    using TClearMarkEvent = std::function<void(TCustomQuillEdit* sender, TQuillEditMark* mark)>;
    using TKeyEvent = std::function<void(TCustomQuillEdit* sender, TVirtualKey& key, TShiftState shift)>;
    using TKeyPressEvent = std::function<void(TCustomQuillEdit* sender, TQuillChar& ch)>;
    using TSpecialLineColorsEvent = std::function<void(
        TCustomQuillEdit* sender, int line, bool& special, TColor& foreground, TColor& background)>;
    using TPaintEvent = std::function<void(TCustomQuillEdit* sender, ICanvas& canvas)>;
    using TDropFilesEvent
        = std::function<void(TCustomQuillEdit* sender, int x, int y, const std::vector<std::string>& files)>;
    using TGutterClickEvent
        = std::function<void(TCustomQuillEdit* sender, int x, int y, int line, TQuillEditMark* mark)>;

    explicit TCustomQuillEdit(IEditorHost* host = nullptr);
    virtual ~TCustomQuillEdit();
    TCustomQuillEdit(const TCustomQuillEdit&) = delete;
    TCustomQuillEdit& operator=(const TCustomQuillEdit&) = delete;

    // --- host ----------------------------------------------------------------------------------
    IEditorHost* Host() const { return FHost; }
    // Attaching gives the control a window: metrics are measured and the view recomputed.
    void SetHost(IEditorHost* host) override;
    bool HandleAllocated() const { return FHost != nullptr; }
    // The host reports these.
    void Resize();
    void FocusEnter();
    void FocusExit();
    // Returns true when the key was consumed by a command.
    bool KeyDown(TVirtualKey key, TShiftState shift) override;
    void KeyPress(TQuillChar ch);
    // A finished input-method string; `followingCharMessages` character messages that the
    // platform sends after it for the same text are skipped.
    void ImeString(std::string_view text, int followingCharMessages = 0);

    // --- text ----------------------------------------------------------------------------------
    TQuillEditStringList& Lines() { return *FLines; }
    const TQuillEditStringList& Lines() const { return *FLines; }
    // Copies another list's lines; ignored while the control has no window.
    void SetLines(const TQuillEditStringList& source);
    std::string Text() const { return FLines->GetText(); }
    void SetText(std::string_view text) { FLines->SetText(text); }
    std::string CurrentLineText() const;
    // Replaces the caret line's text as one undoable step.
    void SetCurrentLineText(std::string_view text);
    int LineCount() const { return FLines->Count(); }
    std::string LineText(int line) const { return std::string(FLines->GetView(line - 1)); }

    // --- caret and selection -------------------------------------------------------------------
    int CaretColumn() const { return FCaretX; }
    int CaretLine() const { return FCaretY; }
    TBufferCoord CaretPos() const { return { FCaretX, FCaretY }; }
    void SetCaretColumn(int value);
    void SetCaretLine(int value);
    void SetCaretPos(TBufferCoord value);
    int RememberedColumn() const { return FLastCaretX; }

    TBufferCoord SelAnchor() const { return FBlockBegin; }
    TBufferCoord SelEnd() const { return FBlockEnd; }
    void SetSelAnchor(TBufferCoord value);
    void SetSelEnd(TBufferCoord value);
    TBufferCoord SelectionStart() const { return FBlockEnd < FBlockBegin ? FBlockEnd : FBlockBegin; }
    TBufferCoord SelectionStop() const { return FBlockEnd < FBlockBegin ? FBlockBegin : FBlockEnd; }
    bool HasSelection() const;
    std::string SelectedText() const override;
    void ReplaceSelection(std::string_view text);
    void SelectAll();
    TQuillSelectionMode SelectionMode() const { return FSelectionMode; }
    void SetSelectionMode(TQuillSelectionMode value);

    // --- modes and options ---------------------------------------------------------------------
    TQuillEditorOptions Options() const { return FOptions; }
    void SetOptions(TQuillEditorOptions value);
    bool InsertMode() const { return FInsertMode; }
    void SetInsertMode(bool value);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value);
    bool Modified() const { return FModified; }
    void SetModified(bool value);
    int TabWidth() const { return FTabWidth; }
    void SetTabWidth(int value); // clamped to 1..256
    int MaxLeftChar() const { return FMaxLeftChar; }
    void SetMaxLeftChar(int value); // clamped to 1..32767
    int MaxUndo() const { return FUndoList->MaxUndo(); }
    void SetMaxUndo(int value); // negative values are ignored
    int RightEdge() const { return FRightEdge; }
    void SetRightEdge(int value);
    TColor RightEdgeColor() const { return FRightEdgeColor; }
    void SetRightEdgeColor(TColor value);
    int ExtraLineSpacing() const { return FExtraLineSpacing; }
    void SetExtraLineSpacing(int value);
    bool WantTabs() const { return FWantTabs; }
    void SetWantTabs(bool value) { FWantTabs = value; }
    bool HideSelection() const { return FHideSelection; }
    void SetHideSelection(bool value);
    TQuillEditCaretType InsertCaret() const { return FInsertCaret; }
    void SetInsertCaret(TQuillEditCaretType value);
    TQuillEditCaretType OverwriteCaret() const { return FOverwriteCaret; }
    void SetOverwriteCaret(TQuillEditCaretType value);
    TScrollStyle ScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle value);
    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    const TFontSpec& Font() const { return FFont; }
    void SetFont(const TFontSpec& value);

    TCustomHighlighter* Highlighter() const { return FHighlighter; }
    // The caller keeps the highlighter alive while it is attached, and detaches it (nullptr)
    // before destroying it.
    void SetHighlighter(TCustomHighlighter* value);

    TQuillEditKeyStrokes& Keystrokes() { return FKeystrokes; }
    // Copies the bindings; null clears the table.
    void SetKeystrokes(const TQuillEditKeyStrokes* value) { FKeystrokes.Assign(value); }
    TQuillGutter& Gutter() { return FGutter; }
    TQuillBookMarkOpt& BookMarkOptions() { return FBookMarkOpt; }
    TQuillSelectedColor& SelectedColor() { return FSelectedColor; }
    TQuillEditMarkList& Marks() { return FMarkList; }
    const TQuillEditMarkList& Marks() const { return FMarkList; }

    // --- view ----------------------------------------------------------------------------------
    int TopLine() const { return FTopLine; }
    void SetTopLine(int value);
    int LeftChar() const { return FLeftChar; }
    void SetLeftChar(int value);
    int LinesInWindow() const { return FLinesInWindow; }
    int CharsInWindow() const { return FCharsInWindow; }
    int CharWidth() const { return FCharWidth; }
    int LineHeight() const { return FLineHeight; }
    int GutterWidth() const { return FGutterWidth; }
    // x of column 1 in client pixels.
    int TextOffset() const { return FTextOffset; }
    void EnsureCursorPosVisible();
    // The caret's display column: tabs expanded, a wide character two cells, others one.
    int DisplayColumn(TBufferCoord pos) const;
    // Repaints 1-based lines a..b of the text area or the gutter; -1, -1 means all.
    void InvalidateLines(int firstLine, int lastLine);
    void InvalidateGutterLines(int firstLine, int lastLine);

    // Defers repaints, scroll-bar, caret and status updates until the outermost EndUpdate.
    void BeginUpdate() { IncPaintLock(); }
    void EndUpdate() { DecPaintLock(); }
    int PaintLock() const { return FPaintLock; }

    // --- commands, undo and search -------------------------------------------------------------
    void DispatchCommand(TQuillEditorCommand command, TQuillChar ch = 0, const TQuillCommandData& data = {});
    bool CanUndo() const;
    bool CanRedo() const;
    void Undo();
    void Redo();
    void ClearUndo();
    const TQuillEditUndoList& UndoList() const { return *FUndoList; }
    const TQuillEditUndoList& RedoList() const { return *FRedoList; }
    int SearchReplace(std::string_view search, std::string_view replace, TQuillSearchOptions options);
    TQuillEditSearch& SearchEngine() { return FSearchEngine; }

    // --- clipboard -----------------------------------------------------------------------------
    void CopyToClipboard();
    void CutToClipboard();
    void PasteFromClipboard();
    bool CanPaste();

    // --- bookmarks -----------------------------------------------------------------------------
    void SetBookMark(int bookmark, int column, int line);
    void ClearBookMark(int bookmark);
    void GotoBookMark(int bookmark);
    // False when the bookmark is not set.
    bool GetBookMark(int bookmark, int& column, int& line) const;
    TQuillEditMark* BookMark(int bookmark) const;

    // --- word positions and brackets -----------------------------------------------------------
    TBufferCoord NextWordPos() const;
    TBufferCoord PrevWordPos() const;
    bool IsIdentChar(unsigned char c) const;

    // --- window input (QuillEditPaint.cpp, QuillEditMouse.cpp) ------------------------------------
    void Paint(ICanvas& canvas, const TRect& rect) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseCaptureLost() override;
    void MouseWheel(int delta, int linesPerNotch, TShiftState shift, int x, int y) override;
    TCursor CursorAt(int x, int y) override;
    void Scroll(TScrollBarKind bar, TScrollCode code, int pos) override;
    void TimerTick() override;
    // The rest of what the window hands on, mostly to the methods above and below
    // (QuillEditWindowClient.cpp).
    void Resized() override;
    void FocusIn() override;
    void FocusOut() override;
    void CharTyped(char32_t ch) override;
    void InputMethodText(std::string_view text) override;
    bool TakesFileDrops() const override;
    void FilesDropped(int x, int y, const std::vector<std::string>& files) override;
    TDropEffect TextDragOver(const IEditorWindowClient* source, TShiftState shift, int x, int y) override;
    void TextDragLeave() override;
    bool TextDragDrop(IEditorWindowClient* source, TShiftState shift, int x, int y) override;
    bool TextDropped(std::string_view text, int x, int y) override;
    bool TakesTextDrops() const override;
    TRect CaretCell() const override;
    TRect TextArea() const override;
    // The text position under a client pixel, clamped to the text's lines.
    TBufferCoord PixelsToRowColumn(int x, int y) const;
    // Client pixel of the top left of the caret's cell, whether or not a caret is shown.
    TPoint CaretClientPos() const;
    // Selects the word at the caret, as a double click does.
    void SetWordBlock(TBufferCoord pos);
    // Drops the selected text at `at` within this control: moved, or copied with `copy`. Nothing
    // happens when `at` lies inside the selection or at one of its ends. One undo takes it back.
    // True when the text was dropped.
    bool DropSelection(TBufferCoord at, bool copy);

    // Text dragged over the window. `source` is the control the text comes from (this one or
    // another), or null for text from another program; `shift` carries Ctrl and Shift.
    // While a drag is over the window the caret follows the mouse; when it leaves, the caret goes
    // back to where it was when the drag came in.
    // What a drop at client pixel (x, y) would do: nothing on a read-only control; within this
    // control a move, a copy with Ctrl; from another control a copy, a move with Shift (a copy
    // when that control is read-only); text from another program is always copied.
    TDropEffect DragOver(const TCustomQuillEdit* source, TShiftState shift, int x, int y);
    void DragLeave();
    // Drops the source's selected text at client pixel (x, y), as DragOver said. From another
    // control the text becomes one undo step here and, when moved, its removal one undo step
    // there. The dropped text ends selected with the caret at its start. True when text was
    // dropped.
    bool DragDrop(TCustomQuillEdit* source, TShiftState shift, int x, int y);
    // Drops text from another program at client pixel (x, y): inserted as a copy, one undo step,
    // selected with the caret at its start. True when text was dropped.
    bool DropText(std::string_view text, int x, int y);
    // Files dropped on the window at client pixel (x, y); handed on only with eoDropFiles.
    void DropFiles(int x, int y, const std::vector<std::string>& files);

    // --- events --------------------------------------------------------------------------------
    TSpecialLineColorsEvent OnSpecialLineColors;
    TPaintEvent OnPaint;
    TGutterClickEvent OnGutterClick;
    TDropFilesEvent OnDropFiles;
    TNotifyEvent OnChange;
    TStatusChangeEvent OnStatusChange;
    TProcessCommandEvent OnProcessCommand;
    TProcessCommandEvent OnProcessUserCommand;
    TCommandProcessedEvent OnCommandProcessed;
    TReplaceTextEvent OnReplaceText;
    TPlaceMarkEvent OnPlaceBookmark;
    TClearMarkEvent OnClearBookmark;
    TKeyEvent OnKeyDown;
    TKeyPressEvent OnKeyPress;

protected:
    void IncPaintLock();
    void DecPaintLock();
    void StatusChanged(TQuillStatusChanges changes);

private:
    friend class TQuillEditMark;
    class TEditScope;
    class TPaintLockScope;
    class TPastEolScope;
    class TReplayScope;
    class TSnapScope;
    class TUndoLockScope;

    // --- internal positions (QuillEdit.cpp) and selection (QuillEditSelection.cpp) ---
    std::string_view LineView(int line) const { return FLines->GetView(line - 1); }
    int LineLength(int line) const { return static_cast<int>(LineView(line).size()); }
    TBufferCoord ClampSelectionPos(TBufferCoord p) const;
    int SnapColumn(int line, int column) const;
    void InternalSetCaretXY(TBufferCoord value, bool rememberColumn);
    void SetSelectionRaw(TBufferCoord anchor, TBufferCoord end);
    bool PastEolAllowed() const;
    void MoveCaretAndSelection(TBufferCoord before, TBufferCoord after, bool selecting, bool rememberColumn);
    void MoveCaretVert(int delta, bool selecting);
    void MoveCaretHorz(int delta, bool selecting);
    // Column rows padded to the block's width (for the clipboard) or as they are (for undo).
    std::string SelectedTextIn(bool padColumns) const;
    void InvalidateSelection(TBufferCoord a, TBufferCoord b);

    // Line primitives: every change of text goes through these (QuillEditPrimitives.cpp).
    void PutLine(int line, std::string_view text);
    // Replaces `count` bytes at byte `pos` of the line by `text` without rewriting the rest.
    void SpliceLine(int line, std::size_t pos, std::size_t count, std::string_view text);
    void InsertLine(int line, std::string_view text);
    void DeleteLine(int line);
    void DeleteLineRange(int line, int count);
    void PadLine(int line, int length);
    void EnsureFirstLine();

    // Where inserted text begins and ends: exact byte positions, also when the caret had to be
    // moved off the middle of a character that the insertion formed with the bytes around it.
    struct TInsertion {
        TBufferCoord Start;
        TBufferCoord End;
    };
    // Replaces the selection (deleted in the current mode) by text inserted in `mode`; records
    // nothing itself.
    TInsertion SetSelTextPrimitive(TQuillSelectionMode mode, std::string_view text);
    void DeleteSelectionPrimitive();
    // Whole lines first..last, each with its line break (none after the text's last line).
    std::string LineBlockText(int first, int last) const;
    void DeleteLineBlock(int first, int last);
    TBufferCoord InsertNormal(std::string_view text);
    TBufferCoord InsertLineMode(std::string_view text);
    struct TColumnRow {
        int Line;
        int Start; // 1-based column where the row went in
        int Length;
    };
    // Each row goes in at `column` (the caret's when 0) on successive lines from the caret line;
    // with recordRows each row is recorded as an item of that kind. The column is the block's,
    // not a position in the caret line, so it may lie inside a character there.
    std::vector<TColumnRow> InsertColumn(
        std::string_view text, std::optional<TQuillChangeReason> recordRows = std::nullopt, int column = 0);

    // --- undo recording (QuillEditRecording.cpp) ---
    void RecordChange(
        TQuillChangeReason reason, TBufferCoord start, TBufferCoord end, std::string text, TQuillSelectionMode mode);
    // Records a side effect of an edit (padding, trimming, a created first line) even while the
    // edit has the list locked: undo needs it to give back the exact text.
    void RecordImplicit(
        TQuillChangeReason reason, TBufferCoord start, TBufferCoord end, std::string text, TQuillSelectionMode mode);
    // Records even while the edit has the list locked; `implicit` marks a side effect.
    void RecordPastLock(TQuillChangeReason reason, TBufferCoord start, TBufferCoord end, std::string text,
        TQuillSelectionMode mode, bool implicit);
    void NormalizeSelection();
    // Records the removal of the selection as one item; for a column block it holds the bytes of
    // each row, which may lie at different bytes on each line.
    void RecordSelectionRemoval(TQuillChangeReason reason);
    void DeleteSelectionWithUndo(bool backwardsAsToStart);
    void BeginEdit();
    void EndEdit(bool unwinding);
    void TrimTouchedLines();
    void UndoAdded(TQuillEditUndoList* list);
    void SyncUndoTrack(int which);
    bool GroupIsCut(int which) const;

    // --- line events (QuillEditLineEvents.cpp) ---
    void LinesChanging();
    void LinesChanged();
    void LineAdded(int index);
    void LineDeleted(int index);
    void LineInserted(int index);
    void LinePut(int index);
    void LinesCleared();
    void ScanAllRanges();
    void MarksLinesInserted(int line, int count);
    void MarksLinesDeleted(int afterLine, int count);

    // --- view (QuillEditView.cpp) ---
    void RecalcCharExtent();
    void SizeOrFontChanged(bool fontChanged);
    void GutterChanged();
    void UpdateGutterWidth();
    void UpdateScrollBars();
    void UpdateCaret();
    void CreateCaretShape();
    void InvalidateRectGathered(const TRect& rect);
    int MaxTopLine() const;
    int MaxLeftCharLimit() const;
    // Display columns and byte columns. A character takes one cell, an East Asian wide one two, a
    // tab up to the next tab stop; positions past the end of a line take one cell each.
    // The byte column on `line` whose character starts at or after display column `displayColumn`.
    int ColumnForDisplay(int line, int displayColumn) const;
    // The byte column for a click `x` pixels right of column 1: before a character clicked in its
    // left half, after one clicked in its right half (a tab is passed from its first half cell).
    int ColumnForPixel(int line, int x) const;
    // The byte column whose display column is nearest `displayColumn` (the left edge on a tie);
    // where vertical movement lands.
    int ColumnNearDisplay(int line, int displayColumn) const;
    int ColumnAtDisplay(int line, int displayColumn, bool nearest) const;
    // The bytes [first, second) of `line` inside the display columns [left, right) of a column
    // block: a character belongs to the block when its first cell does, so a tab or a wide
    // character straddling the left edge stays out and one straddling the right edge is in.
    std::pair<std::size_t, std::size_t> ColumnBlockBytes(int line, int leftDisplay, int rightDisplay) const;
    // The display columns [left, right) of the column block between the selection's ends.
    std::pair<int, int> ColumnBlockEdges() const;
    // Whether the character at `pos` (or the virtual cell there) belongs to the column block.
    bool InColumnBlock(TBufferCoord pos) const;
    // Cells of the character under the caret (1 past the end and on a tab).
    int CharCellsAtCaret() const;
    void MarkListChanged();
    // Pixel rows [top, bottom) of lines firstLine..lastLine within the window; false when none
    // of them shows.
    bool VisibleRowSpan(int firstLine, int lastLine, int& top, int& bottom) const;

    // --- painting (QuillEditPaint.cpp) ---
    struct TPaintContext;
    void PaintGutter(ICanvas& canvas, const TRect& clip, int firstLine, int lastLine);
    void PaintTextLines(ICanvas& canvas, const TRect& clip, int firstLine, int lastLine);
    void PaintLine(TPaintContext& pc, int line);
    void ComputeScrollDeltas(int x, int y);
    bool IsPointInSelection(TBufferCoord pos) const;

    // --- commands (QuillEditCommands.cpp) ---
    void ExecuteCommand(TQuillEditorCommand command, TQuillChar ch, const TQuillCommandData& data);
    void DoDeleteLastChar();
    void DoDeleteChar();
    void DoDeleteRange(TBufferCoord from, TBufferCoord to, TQuillChangeReason reason, bool caretToStart);
    void DoDeleteLine();
    void DoLineBreak(bool moveCaret);
    void DoTypeChar(TQuillChar ch);
    void DoTypeString(std::string_view bytes, bool asIme);
    void DoTab();
    void DoBlockIndent();
    void DoBlockUnindent();
    void DoMatchBracket();
    void DoScroll(int dLines, int dChars);
    void DoPageUpDown(int direction, bool selecting);
    void DoSetMarker(int bookmark);
    void ClearAll();
    int LeftSpaces(std::string_view line) const;
    int SmartTabWidth() const;

    // --- undo and redo (QuillEditHistory.cpp) ---
    void UndoItem();
    void RedoItem();
    std::string RegionText(TBufferCoord start, TBufferCoord end, TQuillSelectionMode mode);
    // Selects from anchor to end (or nothing) and puts the caret at `caret`, by default the end.
    void SelectAfterReplay(
        TBufferCoord anchor, TBufferCoord end, bool select, std::optional<TBufferCoord> caret = std::nullopt);
    // Records into `list` what replaying `item` changed, marked as the item was.
    void RecordReplayed(TQuillEditUndoList& list, const TQuillEditUndoItem& item, TBufferCoord start, TBufferCoord end,
        std::string text);
    // Where undo or redo leaves the caret: after a group, where its last item that was not a side
    // effect put it.
    struct TReplayCaret {
        TBufferCoord Caret, Anchor, End;
    };
    TReplayCaret ReplayCaret() const;
    void RestoreReplayCaret(const TReplayCaret& state);
    void ReplayGroup(TQuillEditUndoList& from, TQuillEditUndoList& into, bool undo);
    // Puts the rows of an indent item's text before the lines from `firstLine` on, or takes them
    // away; returns the rows.
    std::vector<std::string_view> ApplyRowPrefixes(int firstLine, std::string_view text, bool add);
    // Puts the rows of a column item's text back at their bytes in the lines from `firstLine` on,
    // or takes those bytes away and returns them as rows.
    void PlaceColumnRows(int firstLine, std::string_view text, const std::vector<TQuillRowRange>& ranges);
    std::string TakeColumnRows(int firstLine, const std::vector<TQuillRowRange>& ranges);

    // --- state ---
    IEditorHost* FHost = nullptr;
    std::unique_ptr<TQuillEditStringList> FLines;
    std::unique_ptr<TQuillEditUndoList> FUndoList;
    std::unique_ptr<TQuillEditUndoList> FRedoList;
    TQuillEditKeyStrokes FKeystrokes;
    TQuillEditKeyTranslator FKeyTranslator;
    TQuillGutter FGutter;
    TQuillBookMarkOpt FBookMarkOpt;
    TQuillSelectedColor FSelectedColor;
    TQuillEditMarkList FMarkList;
    std::array<TQuillEditMark*, 10> FBookMarks {};
    TQuillEditSearch FSearchEngine;
    TCustomHighlighter* FHighlighter = nullptr;
    TCharSet FWordChars;

    int FCaretX = 1;
    int FCaretY = 1;
    int FLastCaretX = 1;
    TBufferCoord FBlockBegin;
    TBufferCoord FBlockEnd;
    TQuillSelectionMode FSelectionMode = TQuillSelectionMode::smNormal;
    bool FInsertMode = true;
    bool FReadOnly = false;
    bool FModified = false;
    int FTopLine = 1;
    int FLeftChar = 1;
    int FLinesInWindow = 0;
    int FCharsInWindow = 0;
    int FPaintLock = 0;
    TQuillStatusChanges FStatusChanges = 0;
    int FImeCount = 0;
    bool FIgnoreNextChar = false;
    bool FLinesChanging = false;
    bool FRedoRunning = false;
    int FReplayDepth = 0; // undo or redo replaying items: no trimming, padding or implicit records
    int FAllowPastEol = 0;
    int FExactPositions = 0; // replaying: positions are bytes, not snapped to characters
    bool FInTrimPass = false;
    bool FEditSelects = false; // the running edit selects its result (block indent)

    TQuillEditorOptions FOptions = QuillDefaultOptions;
    int FTabWidth = 8;
    int FMaxLeftChar = 1024;
    int FRightEdge = 80;
    TColor FRightEdgeColor = clSilver;
    int FExtraLineSpacing = 0;
    bool FWantTabs = false;
    bool FHideSelection = false;
    TQuillEditCaretType FInsertCaret = TQuillEditCaretType::ctVerticalLine;
    TQuillEditCaretType FOverwriteCaret = TQuillEditCaretType::ctBlock;
    TScrollStyle FScrollBars = TScrollStyle::ssBoth;
    TColor FColor = clWindow;
    TFontSpec FFont;

    int FCharWidth = 8;
    int FLineHeight = 16;
    int FGutterWidth = 30;
    int FTextOffset = 32;
    TSize FClientSize { 200, 150 };
    bool FCaretChangedPending = false;
    bool FScrollBarsPending = false;
    bool FCaretCreated = false;
    bool FCaretShown = false;
    TPoint FCaretOffset { -1, 0 };
    int FCaretCells = 1; // cells the caret shape spans (a block over a wide character spans two)
    // What the last vertical move aimed at: the display column, valid while the caret and the
    // remembered column are still where that move left them.
    struct TVerticalGoal {
        TBufferCoord Caret { 0, 0 };
        int Remembered = 0;
        int Display = 0;
    };
    TVerticalGoal FVerticalGoal;
    bool FInGutterChange = false;
    TRect FInvalidRect;

    // Mouse state.
    TPoint FMouseDownPoint { -1, -1 };
    bool FWaitForDragging = false;
    bool FDragging = false; // selected text is being dragged within the control
    // Where the caret was when a drag came over the window; empty while none is over it.
    std::optional<TBufferCoord> FDragReturn;
    TDropEffect DropEffect(const TCustomQuillEdit* source, TShiftState shift) const;
    // Inserts dropped text at `at` as a stream, records it as `reason` and selects it with the
    // caret at its start; the caller holds the edit and past-line-end scopes.
    void InsertDropped(TBufferCoord at, std::string_view text, TQuillChangeReason reason);
    bool FDblClicked = false;
    bool FGutterPressed = false;
    int FScrollDeltaX = 0;
    int FScrollDeltaY = 0;
    bool FScrollTimerOn = false;
    TPoint FLastMouse;
    TShiftState FLastShift = 0;
    int FWheelAccumulator = 0;

    // Line count as of the last line event, so that the events (which carry only an index) tell
    // how many lines came or went.
    int FKnownLineCount = 0;

    // Outermost edit: its undo group, and the lines it wrote (0-based [first, last) runs) so that
    // trailing blanks are trimmed once at its end.
    int FEditDepth = 0;
    TTouchedLines FTouched;

    // Whether the oldest group of each list (0 undo, 1 redo) lost items to the limit.
    std::array<TUndoGroupTrack, 2> FUndoTrack {};
};

// The control as the shell creates it, one per document.
class TQuillEdit : public TCustomQuillEdit {
public:
    using TCustomQuillEdit::TCustomQuillEdit;
};

} // namespace quillan
