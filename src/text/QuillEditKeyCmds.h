#pragma once

#include "base/VirtualKeys.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillan {

// Every editor action is a numbered command. 0 is no command; from ecUserFirst up the editor
// hands the command to its OnProcessUserCommand event instead of running it.
using TQuillEditorCommand = std::uint16_t;

inline constexpr TQuillEditorCommand ecNone = 0;

inline constexpr TQuillEditorCommand ecLeft = 1;
inline constexpr TQuillEditorCommand ecRight = 2;
inline constexpr TQuillEditorCommand ecUp = 3;
inline constexpr TQuillEditorCommand ecDown = 4;
inline constexpr TQuillEditorCommand ecWordLeft = 5;
inline constexpr TQuillEditorCommand ecWordRight = 6;
inline constexpr TQuillEditorCommand ecLineStart = 7;
inline constexpr TQuillEditorCommand ecLineEnd = 8;
inline constexpr TQuillEditorCommand ecPageUp = 9;
inline constexpr TQuillEditorCommand ecPageDown = 10;
inline constexpr TQuillEditorCommand ecPageLeft = 11;
inline constexpr TQuillEditorCommand ecPageRight = 12;
inline constexpr TQuillEditorCommand ecPageTop = 13;
inline constexpr TQuillEditorCommand ecPageBottom = 14;
inline constexpr TQuillEditorCommand ecEditorTop = 15;
inline constexpr TQuillEditorCommand ecEditorBottom = 16;
inline constexpr TQuillEditorCommand ecGotoXY = 17; // data: the position

// Each selecting movement is its movement plus ecSelection.
inline constexpr TQuillEditorCommand ecSelection = 100;
inline constexpr TQuillEditorCommand ecSelLeft = ecLeft + ecSelection;
inline constexpr TQuillEditorCommand ecSelRight = ecRight + ecSelection;
inline constexpr TQuillEditorCommand ecSelUp = ecUp + ecSelection;
inline constexpr TQuillEditorCommand ecSelDown = ecDown + ecSelection;
inline constexpr TQuillEditorCommand ecSelWordLeft = ecWordLeft + ecSelection;
inline constexpr TQuillEditorCommand ecSelWordRight = ecWordRight + ecSelection;
inline constexpr TQuillEditorCommand ecSelLineStart = ecLineStart + ecSelection;
inline constexpr TQuillEditorCommand ecSelLineEnd = ecLineEnd + ecSelection;
inline constexpr TQuillEditorCommand ecSelPageUp = ecPageUp + ecSelection;
inline constexpr TQuillEditorCommand ecSelPageDown = ecPageDown + ecSelection;
inline constexpr TQuillEditorCommand ecSelPageLeft = ecPageLeft + ecSelection;
inline constexpr TQuillEditorCommand ecSelPageRight = ecPageRight + ecSelection;
inline constexpr TQuillEditorCommand ecSelPageTop = ecPageTop + ecSelection;
inline constexpr TQuillEditorCommand ecSelPageBottom = ecPageBottom + ecSelection;
inline constexpr TQuillEditorCommand ecSelEditorTop = ecEditorTop + ecSelection;
inline constexpr TQuillEditorCommand ecSelEditorBottom = ecEditorBottom + ecSelection;
inline constexpr TQuillEditorCommand ecSelGotoXY = ecGotoXY + ecSelection; // data: the position

inline constexpr TQuillEditorCommand ecSelectAll = 199;
inline constexpr TQuillEditorCommand ecCopy = 201;

inline constexpr TQuillEditorCommand ecScrollUp = 211;
inline constexpr TQuillEditorCommand ecScrollDown = 212;
inline constexpr TQuillEditorCommand ecScrollLeft = 213;
inline constexpr TQuillEditorCommand ecScrollRight = 214;

inline constexpr TQuillEditorCommand ecInsertMode = 221;
inline constexpr TQuillEditorCommand ecOverwriteMode = 222;
inline constexpr TQuillEditorCommand ecToggleMode = 223;

inline constexpr TQuillEditorCommand ecNormalSelect = 231;
inline constexpr TQuillEditorCommand ecColumnSelect = 232;
inline constexpr TQuillEditorCommand ecLineSelect = 233;

inline constexpr TQuillEditorCommand ecMatchBracket = 250;

inline constexpr TQuillEditorCommand ecGotoMarker0 = 301; // ... ecGotoMarker9 = 310
inline constexpr TQuillEditorCommand ecGotoMarker1 = 302;
inline constexpr TQuillEditorCommand ecGotoMarker2 = 303;
inline constexpr TQuillEditorCommand ecGotoMarker3 = 304;
inline constexpr TQuillEditorCommand ecGotoMarker4 = 305;
inline constexpr TQuillEditorCommand ecGotoMarker5 = 306;
inline constexpr TQuillEditorCommand ecGotoMarker6 = 307;
inline constexpr TQuillEditorCommand ecGotoMarker7 = 308;
inline constexpr TQuillEditorCommand ecGotoMarker8 = 309;
inline constexpr TQuillEditorCommand ecGotoMarker9 = 310;
inline constexpr TQuillEditorCommand ecSetMarker0 = 351; // ... ecSetMarker9 = 360
inline constexpr TQuillEditorCommand ecSetMarker1 = 352;
inline constexpr TQuillEditorCommand ecSetMarker2 = 353;
inline constexpr TQuillEditorCommand ecSetMarker3 = 354;
inline constexpr TQuillEditorCommand ecSetMarker4 = 355;
inline constexpr TQuillEditorCommand ecSetMarker5 = 356;
inline constexpr TQuillEditorCommand ecSetMarker6 = 357;
inline constexpr TQuillEditorCommand ecSetMarker7 = 358;
inline constexpr TQuillEditorCommand ecSetMarker8 = 359;
inline constexpr TQuillEditorCommand ecSetMarker9 = 360;

inline constexpr TQuillEditorCommand ecDeleteLastChar = 501;
inline constexpr TQuillEditorCommand ecDeleteChar = 502;
inline constexpr TQuillEditorCommand ecDeleteWord = 503;
inline constexpr TQuillEditorCommand ecDeleteLastWord = 504;
inline constexpr TQuillEditorCommand ecDeleteBOL = 505;
inline constexpr TQuillEditorCommand ecDeleteEOL = 506;
inline constexpr TQuillEditorCommand ecDeleteLine = 507;
inline constexpr TQuillEditorCommand ecClearAll = 508;
inline constexpr TQuillEditorCommand ecLineBreak = 509;
inline constexpr TQuillEditorCommand ecInsertLine = 510;
inline constexpr TQuillEditorCommand ecChar = 511; // data: the typed character
inline constexpr TQuillEditorCommand ecImeStr = 550; // data: a zero-terminated string

inline constexpr TQuillEditorCommand ecUndo = 601;
inline constexpr TQuillEditorCommand ecRedo = 602;
inline constexpr TQuillEditorCommand ecCut = 603;
inline constexpr TQuillEditorCommand ecPaste = 604;
inline constexpr TQuillEditorCommand ecBlockIndent = 610;
inline constexpr TQuillEditorCommand ecBlockUnindent = 611;
inline constexpr TQuillEditorCommand ecTab = 612;
inline constexpr TQuillEditorCommand ecShiftTab = 613;

inline constexpr TQuillEditorCommand ecAutoCompletion = 650; // named, but the editor has no action for it

inline constexpr TQuillEditorCommand ecUserFirst = 1001;

// The names stored in form descriptions. The table holds exactly the named commands above.
struct TQuillEditorCommandName {
    TQuillEditorCommand Command;
    const char* Name;
};
const std::vector<TQuillEditorCommandName>& EditorCommandNames();

// The command's name, or its number in decimal when it has none (user commands).
std::string EditorCommandToCodeString(TQuillEditorCommand command);
// Accepts exactly the names, case included.
std::optional<TQuillEditorCommand> IdentToEditorCommand(std::string_view ident);
// What a stored table may hold for a command: a name, or a decimal number that fits 16 bits.
std::optional<TQuillEditorCommand> CodeStringToEditorCommand(std::string_view text);

class TQuillEditKeyStrokes;

// One binding of a key, or of a two-key sequence, to a command. Bindings live in and are owned by
// a TQuillEditKeyStrokes; the shortcut setters check the pair against the other bindings there.
class TQuillEditKeyStroke {
public:
    TQuillEditKeyStroke(const TQuillEditKeyStroke&) = delete;
    TQuillEditKeyStroke& operator=(const TQuillEditKeyStroke&) = delete;

    TVirtualKey Key() const { return FKey; }
    TShiftState Shift() const { return FShift; }
    TVirtualKey Key2() const { return FKey2; }
    TShiftState Shift2() const { return FShift2; }
    TQuillEditorCommand Command() const { return FCommand; }

    // The raw setters do not check for duplicates; the shortcut setters do.
    void SetKey(TVirtualKey key) { FKey = key; }
    void SetShift(TShiftState shift) { FShift = shift; }
    void SetKey2(TVirtualKey key) { FKey2 = key; }
    void SetShift2(TShiftState shift) { FShift2 = shift; }
    void SetCommand(TQuillEditorCommand command) { FCommand = command; }

    TShortCut ShortCut() const { return quillan::ShortCut(FKey, FShift); }
    TShortCut ShortCut2() const { return quillan::ShortCut(FKey2, FShift2); }
    // A non-zero value that would give this binding the same pair of shortcuts as another binding
    // raises EQuillKeyError and leaves the binding as it was.
    void SetShortCut(TShortCut value);
    void SetShortCut2(TShortCut value);

    // "Ctrl+Z - ecUndo"; a sequence adds " " and its second key: "Ctrl+K - ecUserFirst B".
    std::string DisplayName() const;

    int Index() const;
    TQuillEditKeyStrokes& Collection() const { return *FCollection; }

private:
    friend class TQuillEditKeyStrokes;
    explicit TQuillEditKeyStroke(TQuillEditKeyStrokes* collection)
        : FCollection(collection)
    {
    }
    void CheckPairIsFree(TShortCut shortCut, TShortCut shortCut2) const;

    TQuillEditKeyStrokes* FCollection;
    TVirtualKey FKey = 0;
    TShiftState FShift = 0;
    TVirtualKey FKey2 = 0;
    TShiftState FShift2 = 0;
    TQuillEditorCommand FCommand = ecNone;
};

// The ordered keystroke table of one editor. Order matters: the first matching binding wins.
class TQuillEditKeyStrokes {
public:
    TQuillEditKeyStrokes() = default;
    TQuillEditKeyStrokes(const TQuillEditKeyStrokes&) = delete;
    TQuillEditKeyStrokes& operator=(const TQuillEditKeyStrokes&) = delete;

    // Appends a binding with every field 0.
    TQuillEditKeyStroke& Add();
    void Delete(int index);
    void Clear() { FItems.clear(); }
    int Count() const { return static_cast<int>(FItems.size()); }
    TQuillEditKeyStroke& Items(int index) { return *FItems.at(static_cast<std::size_t>(index)); }
    const TQuillEditKeyStroke& Items(int index) const { return *FItems.at(static_cast<std::size_t>(index)); }

    // Replaces this table by a copy of the other, in order; null clears it.
    void Assign(const TQuillEditKeyStrokes* source);
    // Replaces the table by the editor's default bindings.
    void LoadDefaultKeys();

    // Each returns the index of the first match, or -1.
    int FindSingleKey(TVirtualKey key, TShiftState shift) const;
    int FindKeySequence(TVirtualKey key, TShiftState shift, TVirtualKey key2, TShiftState shift2) const;
    int FindShortcutPair(TShortCut shortCut, TShortCut shortCut2) const;

private:
    friend class TQuillEditKeyStroke;
    // Owned through pointers so that a binding handed out by Add stays put while the table grows.
    std::vector<std::unique_ptr<TQuillEditKeyStroke>> FItems;
};

// Turns key presses into commands for one editor, remembering an unmatched key as the possible
// first key of a two-key sequence. The editor owns one and passes its current table on each call.
class TQuillEditKeyTranslator {
public:
    TQuillEditorCommand KeyToCommand(const TQuillEditKeyStrokes& keyStrokes, TVirtualKey key, TShiftState shift);
    void Reset()
    {
        FLastKey = 0;
        FLastShift = 0;
    }
    TVirtualKey LastKey() const { return FLastKey; }
    TShiftState LastShift() const { return FLastShift; }

private:
    TVirtualKey FLastKey = 0;
    TShiftState FLastShift = 0;
};

} // namespace quillan
