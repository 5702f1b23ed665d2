#include "text/QuillEditKeyCmds.h"

#include "base/QuillEditStrConst.h"

#include <charconv>
#include <stdexcept>

namespace quillan {

const std::vector<TQuillEditorCommandName>& EditorCommandNames()
{
    static const std::vector<TQuillEditorCommandName> names = {
        { ecNone, "ecNone" },
        { ecLeft, "ecLeft" },
        { ecRight, "ecRight" },
        { ecUp, "ecUp" },
        { ecDown, "ecDown" },
        { ecWordLeft, "ecWordLeft" },
        { ecWordRight, "ecWordRight" },
        { ecLineStart, "ecLineStart" },
        { ecLineEnd, "ecLineEnd" },
        { ecPageUp, "ecPageUp" },
        { ecPageDown, "ecPageDown" },
        { ecPageLeft, "ecPageLeft" },
        { ecPageRight, "ecPageRight" },
        { ecPageTop, "ecPageTop" },
        { ecPageBottom, "ecPageBottom" },
        { ecEditorTop, "ecEditorTop" },
        { ecEditorBottom, "ecEditorBottom" },
        { ecGotoXY, "ecGotoXY" },
        { ecSelLeft, "ecSelLeft" },
        { ecSelRight, "ecSelRight" },
        { ecSelUp, "ecSelUp" },
        { ecSelDown, "ecSelDown" },
        { ecSelWordLeft, "ecSelWordLeft" },
        { ecSelWordRight, "ecSelWordRight" },
        { ecSelLineStart, "ecSelLineStart" },
        { ecSelLineEnd, "ecSelLineEnd" },
        { ecSelPageUp, "ecSelPageUp" },
        { ecSelPageDown, "ecSelPageDown" },
        { ecSelPageLeft, "ecSelPageLeft" },
        { ecSelPageRight, "ecSelPageRight" },
        { ecSelPageTop, "ecSelPageTop" },
        { ecSelPageBottom, "ecSelPageBottom" },
        { ecSelEditorTop, "ecSelEditorTop" },
        { ecSelEditorBottom, "ecSelEditorBottom" },
        { ecSelGotoXY, "ecSelGotoXY" },
        { ecSelectAll, "ecSelectAll" },
        { ecCopy, "ecCopy" },
        { ecScrollUp, "ecScrollUp" },
        { ecScrollDown, "ecScrollDown" },
        { ecScrollLeft, "ecScrollLeft" },
        { ecScrollRight, "ecScrollRight" },
        { ecInsertMode, "ecInsertMode" },
        { ecOverwriteMode, "ecOverwriteMode" },
        { ecToggleMode, "ecToggleMode" },
        { ecNormalSelect, "ecNormalSelect" },
        { ecColumnSelect, "ecColumnSelect" },
        { ecLineSelect, "ecLineSelect" },
        { ecMatchBracket, "ecMatchBracket" },
        { ecGotoMarker0, "ecGotoMarker0" },
        { ecGotoMarker1, "ecGotoMarker1" },
        { ecGotoMarker2, "ecGotoMarker2" },
        { ecGotoMarker3, "ecGotoMarker3" },
        { ecGotoMarker4, "ecGotoMarker4" },
        { ecGotoMarker5, "ecGotoMarker5" },
        { ecGotoMarker6, "ecGotoMarker6" },
        { ecGotoMarker7, "ecGotoMarker7" },
        { ecGotoMarker8, "ecGotoMarker8" },
        { ecGotoMarker9, "ecGotoMarker9" },
        { ecSetMarker0, "ecSetMarker0" },
        { ecSetMarker1, "ecSetMarker1" },
        { ecSetMarker2, "ecSetMarker2" },
        { ecSetMarker3, "ecSetMarker3" },
        { ecSetMarker4, "ecSetMarker4" },
        { ecSetMarker5, "ecSetMarker5" },
        { ecSetMarker6, "ecSetMarker6" },
        { ecSetMarker7, "ecSetMarker7" },
        { ecSetMarker8, "ecSetMarker8" },
        { ecSetMarker9, "ecSetMarker9" },
        { ecDeleteLastChar, "ecDeleteLastChar" },
        { ecDeleteChar, "ecDeleteChar" },
        { ecDeleteWord, "ecDeleteWord" },
        { ecDeleteLastWord, "ecDeleteLastWord" },
        { ecDeleteBOL, "ecDeleteBOL" },
        { ecDeleteEOL, "ecDeleteEOL" },
        { ecDeleteLine, "ecDeleteLine" },
        { ecClearAll, "ecClearAll" },
        { ecLineBreak, "ecLineBreak" },
        { ecInsertLine, "ecInsertLine" },
        { ecChar, "ecChar" },
        { ecImeStr, "ecImeStr" },
        { ecUndo, "ecUndo" },
        { ecRedo, "ecRedo" },
        { ecCut, "ecCut" },
        { ecPaste, "ecPaste" },
        { ecBlockIndent, "ecBlockIndent" },
        { ecBlockUnindent, "ecBlockUnindent" },
        { ecTab, "ecTab" },
        { ecShiftTab, "ecShiftTab" },
        { ecAutoCompletion, "ecAutoCompletion" },
        { ecUserFirst, "ecUserFirst" },
    };
    return names;
}

std::string EditorCommandToCodeString(TQuillEditorCommand command)
{
    for (const TQuillEditorCommandName& entry : EditorCommandNames())
        if (entry.Command == command)
            return entry.Name;
    return std::to_string(command);
}

std::optional<TQuillEditorCommand> IdentToEditorCommand(std::string_view ident)
{
    for (const TQuillEditorCommandName& entry : EditorCommandNames())
        if (ident == entry.Name)
            return entry.Command;
    return std::nullopt;
}

std::optional<TQuillEditorCommand> CodeStringToEditorCommand(std::string_view text)
{
    if (auto named = IdentToEditorCommand(text))
        return named;
    unsigned value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || value > 0xFFFF)
        return std::nullopt;
    return static_cast<TQuillEditorCommand>(value);
}

// --- bindings --------------------------------------------------------------------------------

void TQuillEditKeyStroke::CheckPairIsFree(TShortCut shortCut, TShortCut shortCut2) const
{
    if (!FCollection)
        return;
    // Every other binding is checked, not only the first match: a table read from a form may
    // already hold a duplicate, and this binding must not become another copy of it.
    for (const auto& other : FCollection->FItems)
        if (other.get() != this && other->ShortCut() == shortCut && other->ShortCut2() == shortCut2)
            throw EQuillKeyError();
}

void TQuillEditKeyStroke::SetShortCut(TShortCut value)
{
    if (value != 0)
        CheckPairIsFree(value, ShortCut2());
    ShortCutToKey(value, FKey, FShift);
}

void TQuillEditKeyStroke::SetShortCut2(TShortCut value)
{
    if (value != 0)
        CheckPairIsFree(ShortCut(), value);
    ShortCutToKey(value, FKey2, FShift2);
}

std::string TQuillEditKeyStroke::DisplayName() const
{
    std::string text = ShortCutToText(ShortCut());
    text += " - ";
    text += EditorCommandToCodeString(FCommand);
    if (FKey2 != 0) {
        text += ' ';
        text += ShortCutToText(ShortCut2());
    }
    return text;
}

int TQuillEditKeyStroke::Index() const
{
    if (!FCollection)
        return -1;
    for (std::size_t i = 0; i < FCollection->FItems.size(); ++i)
        if (FCollection->FItems[i].get() == this)
            return static_cast<int>(i);
    return -1;
}

// --- the table -------------------------------------------------------------------------------

TQuillEditKeyStroke& TQuillEditKeyStrokes::Add()
{
    FItems.push_back(std::unique_ptr<TQuillEditKeyStroke>(new TQuillEditKeyStroke(this)));
    return *FItems.back();
}

void TQuillEditKeyStrokes::Delete(int index)
{
    if (index < 0 || index >= Count())
        throw std::out_of_range("keystroke index out of range");
    FItems.erase(FItems.begin() + index);
}

void TQuillEditKeyStrokes::Assign(const TQuillEditKeyStrokes* source)
{
    if (source == this)
        return;
    FItems.clear();
    if (!source)
        return;
    FItems.reserve(source->FItems.size());
    for (const auto& from : source->FItems) {
        TQuillEditKeyStroke& to = Add();
        to.FKey = from->FKey;
        to.FShift = from->FShift;
        to.FKey2 = from->FKey2;
        to.FShift2 = from->FShift2;
        to.FCommand = from->FCommand;
    }
}

void TQuillEditKeyStrokes::LoadDefaultKeys()
{
    struct Binding {
        TVirtualKey key;
        TShiftState shift;
        TQuillEditorCommand command;
    };
    constexpr TShiftState none = 0;
    constexpr TShiftState shiftCtrl = ssShift | ssCtrl;
    constexpr TShiftState shiftAlt = ssShift | ssAlt;
    static const Binding defaults[] = {
        { VK_UP, none, ecUp },
        { VK_UP, ssShift, ecSelUp },
        { VK_UP, ssCtrl, ecScrollUp },
        { VK_DOWN, none, ecDown },
        { VK_DOWN, ssShift, ecSelDown },
        { VK_DOWN, ssCtrl, ecScrollDown },
        { VK_LEFT, none, ecLeft },
        { VK_LEFT, ssShift, ecSelLeft },
        { VK_LEFT, ssCtrl, ecWordLeft },
        { VK_LEFT, shiftCtrl, ecSelWordLeft },
        { VK_RIGHT, none, ecRight },
        { VK_RIGHT, ssShift, ecSelRight },
        { VK_RIGHT, ssCtrl, ecWordRight },
        { VK_RIGHT, shiftCtrl, ecSelWordRight },
        { VK_NEXT, none, ecPageDown },
        { VK_NEXT, ssShift, ecSelPageDown },
        { VK_NEXT, ssCtrl, ecPageBottom },
        { VK_NEXT, shiftCtrl, ecSelPageBottom },
        { VK_PRIOR, none, ecPageUp },
        { VK_PRIOR, ssShift, ecSelPageUp },
        { VK_PRIOR, ssCtrl, ecPageTop },
        { VK_PRIOR, shiftCtrl, ecSelPageTop },
        { VK_HOME, none, ecLineStart },
        { VK_HOME, ssShift, ecSelLineStart },
        { VK_HOME, ssCtrl, ecEditorTop },
        { VK_HOME, shiftCtrl, ecSelEditorTop },
        { VK_END, none, ecLineEnd },
        { VK_END, ssShift, ecSelLineEnd },
        { VK_END, ssCtrl, ecEditorBottom },
        { VK_END, shiftCtrl, ecSelEditorBottom },
        { VK_INSERT, none, ecToggleMode },
        { VK_INSERT, ssCtrl, ecCopy },
        { VK_INSERT, ssShift, ecPaste },
        { VK_DELETE, none, ecDeleteChar },
        { VK_DELETE, ssShift, ecCut },
        { VK_BACK, none, ecDeleteLastChar },
        { VK_BACK, ssShift, ecDeleteLastChar },
        { VK_BACK, ssCtrl, ecDeleteLastWord },
        { VK_BACK, ssAlt, ecUndo },
        { VK_BACK, shiftAlt, ecRedo },
        { VK_RETURN, none, ecLineBreak },
        { VK_A, ssCtrl, ecSelectAll },
        { VK_C, ssCtrl, ecCopy },
        { VK_I, shiftCtrl, ecBlockIndent },
        { VK_M, ssCtrl, ecLineBreak },
        { VK_N, ssCtrl, ecInsertLine },
        { VK_T, ssCtrl, ecDeleteWord },
        { VK_U, shiftCtrl, ecBlockUnindent },
        { VK_V, ssCtrl, ecPaste },
        { VK_X, ssCtrl, ecCut },
        { VK_Y, ssCtrl, ecDeleteLine },
        { VK_Y, shiftCtrl, ecDeleteEOL },
        { VK_Z, ssCtrl, ecUndo },
        { VK_Z, shiftCtrl, ecRedo },
        { VK_0, ssCtrl, ecGotoMarker0 },
        { VK_1, ssCtrl, ecGotoMarker1 },
        { VK_2, ssCtrl, ecGotoMarker2 },
        { VK_3, ssCtrl, ecGotoMarker3 },
        { VK_4, ssCtrl, ecGotoMarker4 },
        { VK_5, ssCtrl, ecGotoMarker5 },
        { VK_6, ssCtrl, ecGotoMarker6 },
        { VK_7, ssCtrl, ecGotoMarker7 },
        { VK_8, ssCtrl, ecGotoMarker8 },
        { VK_9, ssCtrl, ecGotoMarker9 },
        { VK_0, shiftCtrl, ecSetMarker0 },
        { VK_1, shiftCtrl, ecSetMarker1 },
        { VK_2, shiftCtrl, ecSetMarker2 },
        { VK_3, shiftCtrl, ecSetMarker3 },
        { VK_4, shiftCtrl, ecSetMarker4 },
        { VK_5, shiftCtrl, ecSetMarker5 },
        { VK_6, shiftCtrl, ecSetMarker6 },
        { VK_7, shiftCtrl, ecSetMarker7 },
        { VK_8, shiftCtrl, ecSetMarker8 },
        { VK_9, shiftCtrl, ecSetMarker9 },
        { VK_N, shiftCtrl, ecNormalSelect },
        { VK_C, shiftCtrl, ecColumnSelect },
        { VK_L, shiftCtrl, ecLineSelect },
        { VK_TAB, none, ecTab },
        { VK_TAB, ssShift, ecShiftTab },
        { VK_B, shiftCtrl, ecMatchBracket },
    };
    FItems.clear();
    FItems.reserve(std::size(defaults));
    for (const Binding& b : defaults) {
        TQuillEditKeyStroke& stroke = Add();
        stroke.FKey = b.key;
        stroke.FShift = b.shift;
        stroke.FCommand = b.command;
    }
}

int TQuillEditKeyStrokes::FindSingleKey(TVirtualKey key, TShiftState shift) const
{
    for (std::size_t i = 0; i < FItems.size(); ++i) {
        const TQuillEditKeyStroke& k = *FItems[i];
        if (k.FKey == key && k.FShift == shift && k.FKey2 == 0)
            return static_cast<int>(i);
    }
    return -1;
}

int TQuillEditKeyStrokes::FindKeySequence(
    TVirtualKey key, TShiftState shift, TVirtualKey key2, TShiftState shift2) const
{
    for (std::size_t i = 0; i < FItems.size(); ++i) {
        const TQuillEditKeyStroke& k = *FItems[i];
        if (k.FKey == key && k.FShift == shift && k.FKey2 == key2 && k.FShift2 == shift2)
            return static_cast<int>(i);
    }
    return -1;
}

int TQuillEditKeyStrokes::FindShortcutPair(TShortCut shortCut, TShortCut shortCut2) const
{
    for (std::size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i]->ShortCut() == shortCut && FItems[i]->ShortCut2() == shortCut2)
            return static_cast<int>(i);
    return -1;
}

// --- key presses -----------------------------------------------------------------------------

TQuillEditorCommand TQuillEditKeyTranslator::KeyToCommand(
    const TQuillEditKeyStrokes& keyStrokes, TVirtualKey key, TShiftState shift)
{
    // Mouse buttons held during a key press must not make Ctrl+Z unrecognisable.
    shift &= ssKeyboardMask;
    int index = keyStrokes.FindKeySequence(FLastKey, FLastShift, key, shift);
    if (index < 0)
        index = keyStrokes.FindSingleKey(key, shift);
    TQuillEditorCommand command = index >= 0 ? keyStrokes.Items(index).Command() : ecNone;
    // Only ordinary keys may start a sequence; modifier presses (16..18) and the like fall below
    // 30 and so also break a pending one.
    if (command != ecNone || key < 30 || key > 145) {
        FLastKey = 0;
        FLastShift = 0;
    } else {
        FLastKey = key;
        FLastShift = shift;
    }
    return command;
}

} // namespace quillan
