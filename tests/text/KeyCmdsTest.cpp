#include "base/QuillEditStrConst.h"
#include "text/QuillEditKeyCmds.h"

#include <gtest/gtest.h>
#include <set>

namespace quillan {
namespace {

TEST(EditorCommandNames, HoldExactlyTheNinetyNamedCommandsBothWays)
{
    const auto& names = EditorCommandNames();
    EXPECT_EQ(names.size(), 90u);
    std::set<TQuillEditorCommand> numbers;
    std::set<std::string> texts;
    for (const auto& entry : names) {
        numbers.insert(entry.Command);
        texts.insert(entry.Name);
        EXPECT_EQ(EditorCommandToCodeString(entry.Command), entry.Name);
        EXPECT_EQ(IdentToEditorCommand(entry.Name), entry.Command) << entry.Name;
    }
    EXPECT_EQ(numbers.size(), 90u);
    EXPECT_EQ(texts.size(), 90u);

    EXPECT_EQ(EditorCommandToCodeString(360), "ecSetMarker9");
    EXPECT_EQ(EditorCommandToCodeString(603), "ecCut");
    EXPECT_EQ(EditorCommandToCodeString(700), "700");
    EXPECT_EQ(EditorCommandToCodeString(1002), "1002");
    EXPECT_EQ(IdentToEditorCommand("ecSelGotoXY"), 117);
}

TEST(EditorCommandNames, TextToNumberAcceptsOnlyTheNames)
{
    EXPECT_FALSE(IdentToEditorCommand("ecundo"));
    EXPECT_FALSE(IdentToEditorCommand("700"));
    EXPECT_FALSE(IdentToEditorCommand(""));
    // A stored table writes unnamed commands as numbers; those must read back, nothing else.
    EXPECT_EQ(CodeStringToEditorCommand("1005"), 1005);
    EXPECT_EQ(CodeStringToEditorCommand("ecRedo"), ecRedo);
    EXPECT_FALSE(CodeStringToEditorCommand("65536"));
    EXPECT_FALSE(CodeStringToEditorCommand("12x"));
    EXPECT_FALSE(CodeStringToEditorCommand("-1"));
}

TEST(ShortCutValues, CombineKeyAndModifiersAsStored)
{
    EXPECT_EQ(ShortCut(VK_UP, ssShift), 8230);
    EXPECT_EQ(ShortCut(VK_Z, ssCtrl), 16474);
    EXPECT_EQ(ShortCut(VK_BACK, ssShift | ssAlt), 0x2000 + 0x8000 + 8);
    EXPECT_EQ(ShortCut(0x141, ssCtrl), 0) << "a key beyond one byte must not alias another key";

    TVirtualKey key = 0;
    TShiftState shift = 0;
    ShortCutToKey(scShift | scCtrl | scAlt | VK_F5, key, shift);
    EXPECT_EQ(key, VK_F5);
    EXPECT_EQ(shift, ssShift | ssCtrl | ssAlt);
}

TEST(ShortCutText, ReadsLikeTheDesktopAndParsesBack)
{
    EXPECT_EQ(ShortCutToText(8230), "Shift+Up");
    EXPECT_EQ(ShortCutToText(ShortCut(VK_NEXT, ssShift | ssCtrl | ssAlt)), "Shift+Ctrl+Alt+Page Down");
    EXPECT_EQ(ShortCutToText(ShortCut(VK_BACK, ssAlt)), "Alt+Backspace");
    EXPECT_EQ(ShortCutToText(ShortCut(VK_NUMPAD7, 0)), "Num 7");
    EXPECT_EQ(ShortCutToText(ShortCut(0xE8, 0)), "Key 0xE8");
    EXPECT_EQ(ShortCutToText(0), "");

    // Every key with every modifier set survives text and back.
    for (int key = 1; key < 256; ++key) {
        for (TShiftState shift = 0; shift <= ssKeyboardMask; ++shift) {
            TShortCut value = ShortCut(static_cast<TVirtualKey>(key), shift);
            std::string text = ShortCutToText(value);
            EXPECT_EQ(TextToShortCut(text), value) << text;
        }
    }
}

TEST(ShortCutText, ParsesWhatScriptsWrite)
{
    EXPECT_EQ(TextToShortCut("Shift+Ctrl+Z"), ShortCut(VK_Z, ssShift | ssCtrl));
    EXPECT_EQ(TextToShortCut("ctrl+shift+z"), ShortCut(VK_Z, ssShift | ssCtrl));
    EXPECT_EQ(TextToShortCut("Alt+Shift+Backspace"), ShortCut(VK_BACK, ssShift | ssAlt));
    EXPECT_EQ(TextToShortCut("PageDown"), ShortCut(VK_NEXT, 0));
    EXPECT_EQ(TextToShortCut("PgUp"), ShortCut(VK_PRIOR, 0));
    EXPECT_EQ(TextToShortCut("Ctrl+F12"), ShortCut(VK_F12, ssCtrl));
    EXPECT_EQ(TextToShortCut("Control+7"), ShortCut(VK_7, ssCtrl));
    for (const char* name : { "Up", "Down", "Left", "Right", "Home", "End", "PageUp", "Insert", "Delete", "Backspace",
             "Enter", "Tab", "Escape", "Space", "F1", "A", "0" })
        EXPECT_TRUE(TextToShortCut(name)) << name;
    EXPECT_EQ(TextToShortCut("Ctrl+Shift"), ShortCut(VK_SHIFT, ssCtrl));
    EXPECT_EQ(TextToShortCut("Ctrl+Num +"), ShortCut(VK_ADD, ssCtrl));

    for (const char* bad : { "", "Ctrl+", "Ctrl+Ctrl+Z", "Hyper+Z", "F25", "ZZ", "Key 0x", "Key 0xG1", "+" })
        EXPECT_FALSE(TextToShortCut(bad)) << bad;
}

TEST(KeyStrokesDefaults, AppendTheBindingsInTheirFixedOrder)
{
    const std::vector<std::string> expected = {
        "Up - ecUp",
        "Shift+Up - ecSelUp",
        "Ctrl+Up - ecScrollUp",
        "Down - ecDown",
        "Shift+Down - ecSelDown",
        "Ctrl+Down - ecScrollDown",
        "Left - ecLeft",
        "Shift+Left - ecSelLeft",
        "Ctrl+Left - ecWordLeft",
        "Shift+Ctrl+Left - ecSelWordLeft",
        "Right - ecRight",
        "Shift+Right - ecSelRight",
        "Ctrl+Right - ecWordRight",
        "Shift+Ctrl+Right - ecSelWordRight",
        "Page Down - ecPageDown",
        "Shift+Page Down - ecSelPageDown",
        "Ctrl+Page Down - ecPageBottom",
        "Shift+Ctrl+Page Down - ecSelPageBottom",
        "Page Up - ecPageUp",
        "Shift+Page Up - ecSelPageUp",
        "Ctrl+Page Up - ecPageTop",
        "Shift+Ctrl+Page Up - ecSelPageTop",
        "Home - ecLineStart",
        "Shift+Home - ecSelLineStart",
        "Ctrl+Home - ecEditorTop",
        "Shift+Ctrl+Home - ecSelEditorTop",
        "End - ecLineEnd",
        "Shift+End - ecSelLineEnd",
        "Ctrl+End - ecEditorBottom",
        "Shift+Ctrl+End - ecSelEditorBottom",
        "Insert - ecToggleMode",
        "Ctrl+Insert - ecCopy",
        "Shift+Insert - ecPaste",
        "Delete - ecDeleteChar",
        "Shift+Delete - ecCut",
        "Backspace - ecDeleteLastChar",
        "Shift+Backspace - ecDeleteLastChar",
        "Ctrl+Backspace - ecDeleteLastWord",
        "Alt+Backspace - ecUndo",
        "Shift+Alt+Backspace - ecRedo",
        "Enter - ecLineBreak",
        "Ctrl+A - ecSelectAll",
        "Ctrl+C - ecCopy",
        "Shift+Ctrl+I - ecBlockIndent",
        "Ctrl+M - ecLineBreak",
        "Ctrl+N - ecInsertLine",
        "Ctrl+T - ecDeleteWord",
        "Shift+Ctrl+U - ecBlockUnindent",
        "Ctrl+V - ecPaste",
        "Ctrl+X - ecCut",
        "Ctrl+Y - ecDeleteLine",
        "Shift+Ctrl+Y - ecDeleteEOL",
        "Ctrl+Z - ecUndo",
        "Shift+Ctrl+Z - ecRedo",
    };
    TQuillEditKeyStrokes keys;
    keys.Add().SetCommand(ecUserFirst); // LoadDefaultKeys starts from an empty table
    keys.LoadDefaultKeys();
    ASSERT_EQ(keys.Count(), 80);
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(keys.Items(static_cast<int>(i)).DisplayName(), expected[i]) << "binding " << i;
    for (int digit = 0; digit < 10; ++digit) {
        const auto& go = keys.Items(54 + digit);
        const auto& set = keys.Items(64 + digit);
        EXPECT_EQ(go.ShortCut(), ShortCut(static_cast<TVirtualKey>('0' + digit), ssCtrl));
        EXPECT_EQ(go.Command(), ecGotoMarker0 + digit);
        EXPECT_EQ(set.ShortCut(), ShortCut(static_cast<TVirtualKey>('0' + digit), ssCtrl | ssShift));
        EXPECT_EQ(set.Command(), ecSetMarker0 + digit);
    }
    const std::vector<std::string> tail = { "Shift+Ctrl+N - ecNormalSelect", "Shift+Ctrl+C - ecColumnSelect",
        "Shift+Ctrl+L - ecLineSelect", "Tab - ecTab", "Shift+Tab - ecShiftTab", "Shift+Ctrl+B - ecMatchBracket" };
    for (std::size_t i = 0; i < tail.size(); ++i)
        EXPECT_EQ(keys.Items(74 + static_cast<int>(i)).DisplayName(), tail[i]);

    std::set<std::pair<TShortCut, TShortCut>> pairs;
    for (int i = 0; i < keys.Count(); ++i) {
        EXPECT_EQ(keys.Items(i).Key2(), 0) << "no default is a sequence";
        pairs.insert({ keys.Items(i).ShortCut(), keys.Items(i).ShortCut2() });
    }
    EXPECT_EQ(pairs.size(), 80u) << "no two defaults share a shortcut";
}

TEST(KeyStrokesLookup, FindsTheFirstMatchAndKeepsSinglesAndSequencesApart)
{
    TQuillEditKeyStrokes keys;
    auto& sequence = keys.Add();
    sequence.SetShortCut(ShortCut(VK_K, ssCtrl));
    sequence.SetShortCut2(ShortCut(VK_B, 0));
    sequence.SetCommand(ecUserFirst);
    auto& first = keys.Add();
    first.SetKey(VK_K);
    first.SetShift(ssCtrl);
    first.SetCommand(ecCopy);
    auto& duplicate = keys.Add(); // raw setters do not refuse duplicates
    duplicate.SetKey(VK_K);
    duplicate.SetShift(ssCtrl);
    duplicate.SetCommand(ecCut);

    EXPECT_EQ(keys.FindSingleKey(VK_K, ssCtrl), 1);
    EXPECT_EQ(keys.FindSingleKey(VK_K, 0), -1);
    EXPECT_EQ(keys.FindKeySequence(VK_K, ssCtrl, VK_B, 0), 0);
    EXPECT_EQ(keys.FindKeySequence(VK_K, ssCtrl, VK_B, ssCtrl), -1);
    EXPECT_EQ(keys.FindShortcutPair(ShortCut(VK_K, ssCtrl), 0), 1);
    EXPECT_EQ(keys.FindShortcutPair(ShortCut(VK_K, ssCtrl), VK_B), 0);
    EXPECT_EQ(sequence.DisplayName(), "Ctrl+K - ecUserFirst B");
    EXPECT_EQ(keys.Items(2).Index(), 2);

    // The duplicate already in the table still blocks giving the first binding its own pair anew.
    EXPECT_THROW(first.SetShortCut(ShortCut(VK_K, ssCtrl)), EQuillKeyError);
}

TEST(KeyStrokesShortCutSetters, RefuseAPairThatAnotherBindingHas)
{
    TQuillEditKeyStrokes keys;
    keys.LoadDefaultKeys();
    auto& mine = keys.Add();
    mine.SetShortCut(ShortCut(VK_F5, 0));
    mine.SetCommand(ecUserFirst);

    try {
        mine.SetShortCut(ShortCut(VK_Z, ssCtrl));
        FAIL() << "Ctrl+Z is taken";
    } catch (const EQuillKeyError& e) {
        EXPECT_STREQ(e.what(), "Shortcut already exists");
    }
    EXPECT_EQ(mine.ShortCut(), ShortCut(VK_F5, 0)) << "a refused value leaves the keys as they were";

    // Ctrl+Z followed by a second key is a different pair.
    mine.SetShortCut2(ShortCut(VK_Q, 0));
    mine.SetShortCut(ShortCut(VK_Z, ssCtrl));
    EXPECT_EQ(mine.Key(), VK_Z);
    EXPECT_EQ(mine.Shift(), ssCtrl);
    // Clearing is never refused; the earlier default then shadows this binding.
    EXPECT_NO_THROW(mine.SetShortCut2(0));
    EXPECT_EQ(keys.FindSingleKey(VK_Z, ssCtrl), keys.FindShortcutPair(ShortCut(VK_Z, ssCtrl), 0));
    EXPECT_LT(keys.FindSingleKey(VK_Z, ssCtrl), mine.Index());

    // A binding may be given the pair it already has.
    auto& undo = keys.Items(keys.FindSingleKey(VK_BACK, ssAlt));
    EXPECT_NO_THROW(undo.SetShortCut(ShortCut(VK_BACK, ssAlt)));
}

TEST(KeyStrokesAssign, CopiesInOrderIntoBindingsOfTheNewTable)
{
    TQuillEditKeyStrokes defaults;
    defaults.LoadDefaultKeys();
    TQuillEditKeyStrokes copy;
    copy.Assign(&defaults);
    ASSERT_EQ(copy.Count(), defaults.Count());
    for (int i = 0; i < copy.Count(); ++i)
        EXPECT_EQ(copy.Items(i).DisplayName(), defaults.Items(i).DisplayName());
    EXPECT_EQ(&copy.Items(3).Collection(), &copy);

    defaults.Clear();
    auto& extra = copy.Add();
    EXPECT_THROW(extra.SetShortCut(ShortCut(VK_Z, ssCtrl)), EQuillKeyError) << "checks run against the copy";

    copy.Assign(nullptr);
    EXPECT_EQ(copy.Count(), 0);
}

TEST(KeyTranslator, MapsDefaultKeys)
{
    TQuillEditKeyStrokes keys;
    keys.LoadDefaultKeys();
    TQuillEditKeyTranslator translator;
    EXPECT_EQ(translator.KeyToCommand(keys, VK_BACK, 0), ecDeleteLastChar);
    EXPECT_EQ(translator.KeyToCommand(keys, VK_BACK, ssShift), ecDeleteLastChar);
    EXPECT_EQ(translator.KeyToCommand(keys, VK_BACK, ssAlt), ecUndo);
    EXPECT_EQ(translator.KeyToCommand(keys, VK_BACK, ssAlt | ssShift), ecRedo);
    EXPECT_EQ(translator.KeyToCommand(keys, VK_TAB, ssShift), ecShiftTab);
    EXPECT_EQ(translator.KeyToCommand(keys, VK_Z, ssCtrl | ssLeft), ecUndo) << "mouse buttons are not modifiers";
    EXPECT_EQ(translator.KeyToCommand(keys, VK_A, 0), ecNone) << "typing keys are left to the character message";
}

TEST(KeyTranslator, RemembersAnUnmatchedKeyForATwoKeySequence)
{
    TQuillEditKeyStrokes keys;
    keys.LoadDefaultKeys();
    auto& sequence = keys.Add();
    sequence.SetShortCut(ShortCut(VK_K, ssCtrl));
    sequence.SetShortCut2(ShortCut(VK_B, 0));
    sequence.SetCommand(ecUserFirst + 4);
    auto& singleB = keys.Add();
    singleB.SetShortCut(ShortCut(VK_B, 0));
    singleB.SetCommand(ecUserFirst + 5);

    TQuillEditKeyTranslator t;
    EXPECT_EQ(t.KeyToCommand(keys, VK_K, ssCtrl), ecNone);
    EXPECT_EQ(t.LastKey(), VK_K);
    EXPECT_EQ(t.KeyToCommand(keys, VK_B, 0), ecUserFirst + 4) << "the sequence wins over B alone";
    EXPECT_EQ(t.LastKey(), 0);
    EXPECT_EQ(t.KeyToCommand(keys, VK_B, 0), ecUserFirst + 5);

    // A modifier pressed on its own in between forgets Ctrl+K.
    for (TVirtualKey modifier : { VK_SHIFT, VK_CONTROL, VK_MENU }) {
        EXPECT_EQ(t.KeyToCommand(keys, VK_K, ssCtrl), ecNone);
        EXPECT_EQ(t.KeyToCommand(keys, modifier, ssCtrl), ecNone);
        EXPECT_EQ(t.KeyToCommand(keys, VK_B, 0), ecUserFirst + 5);
    }

    // Keys above 145 never start a sequence; a bound key in between also breaks it.
    EXPECT_EQ(t.KeyToCommand(keys, VK_OEM_1, ssCtrl), ecNone);
    EXPECT_EQ(t.LastKey(), 0);
    EXPECT_EQ(t.KeyToCommand(keys, VK_K, ssCtrl), ecNone);
    EXPECT_EQ(t.KeyToCommand(keys, VK_UP, 0), ecUp);
    EXPECT_EQ(t.KeyToCommand(keys, VK_B, 0), ecUserFirst + 5);

    // Another unmatched key replaces the remembered one.
    EXPECT_EQ(t.KeyToCommand(keys, VK_K, ssCtrl), ecNone);
    EXPECT_EQ(t.KeyToCommand(keys, VK_J, ssCtrl), ecNone);
    EXPECT_EQ(t.LastKey(), VK_J);
    EXPECT_EQ(t.LastShift(), ssCtrl);
    EXPECT_EQ(t.KeyToCommand(keys, VK_B, 0), ecUserFirst + 5);
}

} // namespace
} // namespace quillan
