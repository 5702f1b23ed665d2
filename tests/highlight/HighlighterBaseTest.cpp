#include "highlight/HighlighterBase.h"

#include "backends/headless/MemoryRegistry.h"
#include "highlight/HighlighterHTML.h"

#include <gtest/gtest.h>

namespace quillan {
namespace {

// The smallest highlighter: the whole line is one token. It leaves every optional operation to
// the base so that the base behaviour shows.
class TOneTokenHighlighter final : public TCustomHighlighter {
public:
    explicit TOneTokenHighlighter(std::vector<std::string> names = { "Zeta", "alpha", "Beta" })
    {
        for (const auto& n : names)
            AddAttribute(n);
        BindAttributeChanges();
    }
    const char* ClassName() const override { return "TOneTokenHighlighter"; }
    THighlighterAttributes* StandardAttribute(int) const override { return nullptr; }
    bool AtLineEnd() const override { return FTokenKind == 1; }
    THighlighterAttributes* AttributeOfToken() const override { return FTokenKind ? nullptr : AttributeByIndex(0); }
    void Advance() override
    {
        FTokenPos = FRun;
        FTokenKind = FRun < FLineLen ? 0 : 1;
        FRun = FLineLen;
    }
    void StartLine(std::string_view text, int lineIndex) override
    {
        SetLine(text, lineIndex);
        Advance();
    }
};

struct TChangeCounter {
    int Count = 0;
    void Hook(TCustomHighlighter& hl)
    {
        hl.HookAttributeChange(this, [this](TCustomHighlighter&) { ++Count; });
    }
};

TEST(HighlighterAttributes, ChangesNotifyOnlyWhenAValueChanges)
{
    THighlighterAttributes a("Comment");
    int calls = 0;
    a.SetChangeHandler([&](THighlighterAttributes& who) {
        EXPECT_EQ(&who, &a);
        ++calls;
    });
    EXPECT_EQ(a.Foreground(), clNone);
    EXPECT_EQ(a.Background(), clNone);
    EXPECT_EQ(a.Style(), 0);
    a.SetForeground(clNone);
    a.SetBackground(clNone);
    a.SetStyle(0);
    EXPECT_EQ(calls, 0);
    a.SetForeground(0x123456);
    a.SetStyle(fsBold | fsStrikeOut);
    EXPECT_EQ(calls, 2);

    THighlighterAttributes same("Other");
    same.SetColors(0x123456, clNone, fsBold | fsStrikeOut);
    a.Assign(same);
    EXPECT_EQ(calls, 2) << "assigning equal values is silent";
    EXPECT_EQ(a.AttributeName(), "Other") << "Assign copies the name too";
    same.SetColors(1, 2, fsItalic);
    a.Assign(same);
    EXPECT_EQ(calls, 3) << "one notification for three changed values";
    EXPECT_EQ(a.Background(), 2);
}

TEST(HighlighterAttributes, StoredMeansDifferentFromTheConstructionSnapshot)
{
    TOneTokenHighlighter hl;
    THighlighterAttributes* a = hl.AttributeByName("Beta");
    EXPECT_FALSE(a->ForegroundStored() || a->BackgroundStored() || a->StyleStored());
    a->SetForeground(0xFF);
    a->SetStyle(fsUnderline);
    EXPECT_TRUE(a->ForegroundStored());
    EXPECT_TRUE(a->StyleStored());
    EXPECT_FALSE(a->BackgroundStored());
    a->SetForeground(clNone);
    EXPECT_FALSE(a->ForegroundStored()) << "back at its default";
}

TEST(HighlighterAttributes, AssignBetweenUnrelatedKindsFailsWithTheClassNames)
{
    THighlighterAttributes a("A");
    TOneTokenHighlighter hl;
    try {
        a.Assign(hl);
        FAIL() << "no exception";
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "Cannot assign a TOneTokenHighlighter to a THighlighterAttributes");
    }
    EXPECT_THROW(hl.Assign(a), EConvertError);
}

TEST(HighlighterAttributeList, SortedByNameIgnoringCaseDuplicatesRejected)
{
    TOneTokenHighlighter hl;
    ASSERT_EQ(hl.AttributeCount(), 3);
    EXPECT_EQ(hl.AttributeByIndex(0)->AttributeName(), "alpha");
    EXPECT_EQ(hl.AttributeByIndex(1)->AttributeName(), "Beta");
    EXPECT_EQ(hl.AttributeByIndex(2)->AttributeName(), "Zeta");
    EXPECT_EQ(hl.AttributeByIndex(-1), nullptr);
    EXPECT_EQ(hl.AttributeByIndex(3), nullptr);
    EXPECT_THROW(hl.AddAttribute("BETA"), EQuillException);
    EXPECT_EQ(hl.AttributeCount(), 3);

    THTMLHighlighter html;
    std::vector<std::string> names;
    for (int i = 0; i < html.AttributeCount(); ++i)
        names.push_back(html.AttributeByIndex(i)->AttributeName());
    EXPECT_EQ(names,
        (std::vector<std::string> { "Asp", "Comment", "Escape ampersand", "Identifier", "Reserved word", "Space",
            "Symbol", "Text", "Unknown word", "Value" }));
}

TEST(HighlighterAttributeList, BaseDefaults)
{
    TOneTokenHighlighter hl;
    EXPECT_EQ(hl.LanguageTitle(), "<Unknown>");
    EXPECT_EQ(hl.FeatureFlags(), unsigned(hcRegistry));
    EXPECT_EQ(hl.CurrentRange(), 0u);
    EXPECT_TRUE(hl.DefaultFilterStored());
    EXPECT_FALSE(hl.KnowsKeyword("begin"));
    hl.SetExampleText("x");
    EXPECT_EQ(hl.ExampleText(), "");
    const TCharSet w = hl.WordChars();
    EXPECT_FALSE(w.Contains(' '));
    EXPECT_TRUE(w.Contains('!') && w.Contains(static_cast<unsigned char>(255)));
    TMemoryRegistry reg;
    std::vector<std::string> versions { "stale" };
    hl.ListIdeVersions(reg, versions);
    EXPECT_TRUE(versions.empty());
    EXPECT_FALSE(hl.ImportIdeScheme(reg, 0));
}

TEST(HighlighterScanner, EmptyLineAndScanToLineEndAtTheEnd)
{
    THTMLHighlighter hl;
    hl.RestoreRange(THTMLHighlighter::rsComment);
    hl.StartLine("", 0);
    EXPECT_TRUE(hl.AtLineEnd());
    EXPECT_EQ(hl.TokenText(), "");
    EXPECT_EQ(hl.AttributeOfToken(), nullptr);
    EXPECT_EQ(hl.CurrentRange(), THTMLHighlighter::rsComment);
    hl.ScanToLineEnd();
    EXPECT_TRUE(hl.AtLineEnd());
    EXPECT_EQ(hl.CurrentRange(), THTMLHighlighter::rsComment);
}

TEST(HighlighterChangeChain, EverySubscriberHearsEveryChangeUntilUnhooked)
{
    THTMLHighlighter hl;
    TChangeCounter first, second;
    first.Hook(hl);
    second.Hook(hl);
    second.Hook(hl); // hooking twice must not mean two calls
    hl.KeyAttri()->SetForeground(1);
    EXPECT_EQ(first.Count, 1);
    EXPECT_EQ(second.Count, 1);
    hl.UnhookAttributeChange(&first);
    EXPECT_FALSE(hl.IsAttributeChangeHooked(&first));
    hl.TextAttri()->SetStyle(fsBold);
    EXPECT_EQ(first.Count, 1);
    EXPECT_EQ(second.Count, 2);

    // An editor that unbinds another one while being notified (or itself) must not be called after.
    TChangeCounter third;
    hl.HookAttributeChange(&first, [&](TCustomHighlighter& h) {
        ++first.Count;
        h.UnhookAttributeChange(&first);
        h.UnhookAttributeChange(&third);
    });
    third.Hook(hl);
    hl.TextAttri()->SetStyle(0);
    EXPECT_EQ(first.Count, 2);
    EXPECT_EQ(third.Count, 0);
    hl.TextAttri()->SetStyle(fsItalic);
    EXPECT_EQ(first.Count, 2);
    EXPECT_EQ(second.Count, 4);
}

TEST(HighlighterSharing, RepointedAttributesDrawWithTheOtherObject)
{
    THTMLHighlighter owner, borrower;
    THighlighterAttributes* own = borrower.CommentAttri();
    borrower.SetCommentAttri(owner.CommentAttri());
    EXPECT_EQ(borrower.CommentAttri(), owner.CommentAttri());
    owner.CommentAttri()->SetForeground(0x112233);
    auto line = std::string_view("<!-- c -->");
    borrower.RestoreRange(THTMLHighlighter::rsText);
    borrower.StartLine(line, 0);
    EXPECT_EQ(borrower.AttributeOfToken()->Foreground(), 0x112233);
    EXPECT_EQ(borrower.StandardAttribute(sakComment), owner.CommentAttri());
    // The own attribute stays in the list, so registry and Assign still see it.
    EXPECT_EQ(borrower.AttributeByName("Comment"), own);
    EXPECT_EQ(own->Foreground(), clNone);
    borrower.SetCommentAttri(nullptr);
    EXPECT_EQ(borrower.CommentAttri(), own);
}

TEST(HighlighterAssign, CopiesAttributesByExactName)
{
    TOneTokenHighlighter source({ "Comment", "Space", "Extra" });
    source.AttributeByName("Comment")->SetColors(7, 8, fsBold);
    source.AttributeByName("Space")->SetBackground(9);
    THTMLHighlighter target;
    TChangeCounter counter;
    counter.Hook(target);
    target.Assign(source);
    EXPECT_EQ(target.CommentAttri()->Foreground(), 7);
    EXPECT_EQ(target.CommentAttri()->Style(), fsBold);
    EXPECT_EQ(target.SpaceAttri()->Background(), 9);
    EXPECT_EQ(target.KeyAttri()->Foreground(), 0xFF0080) << "no source attribute of that name";
    EXPECT_EQ(counter.Count, 2);

    TOneTokenHighlighter lower({ "comment" });
    lower.AttributeByIndex(0)->SetForeground(99);
    target.Assign(lower);
    EXPECT_EQ(target.CommentAttri()->Foreground(), 7) << "names compare with case";
}

TEST(HighlighterRegistry, WriteThenReadRestoresEveryAttribute)
{
    TMemoryRegistry reg;
    THTMLHighlighter a;
    a.ApplyDesignValues();
    a.ValueAttri()->SetStyle(fsBold | fsItalic | fsUnderline | fsStrikeOut);
    ASSERT_TRUE(a.WriteAttributesToRegistry(reg, TRootKey::HKEY_CURRENT_USER, "Software\\Quillan\\HTML"));
    EXPECT_EQ(reg.ReadInteger(TRootKey::HKEY_CURRENT_USER, "Software\\Quillan\\HTML\\Comment", "Foreground"), 0x800000);
    EXPECT_EQ(reg.ReadInteger(TRootKey::HKEY_CURRENT_USER, "Software\\Quillan\\HTML\\Value", "Style"), 15);

    THTMLHighlighter b;
    ASSERT_TRUE(b.ReadAttributesFromRegistry(reg, TRootKey::HKEY_CURRENT_USER, "\\software\\quillan\\html"));
    for (int i = 0; i < a.AttributeCount(); ++i) {
        EXPECT_EQ(b.AttributeByIndex(i)->Foreground(), a.AttributeByIndex(i)->Foreground()) << i;
        EXPECT_EQ(b.AttributeByIndex(i)->Background(), a.AttributeByIndex(i)->Background()) << i;
        EXPECT_EQ(b.AttributeByIndex(i)->Style(), a.AttributeByIndex(i)->Style()) << i;
    }
}

TEST(HighlighterRegistry, ReadingStopsAtTheFirstMissingAttribute)
{
    TMemoryRegistry reg;
    const std::string key = "Software\\Q";
    EXPECT_FALSE(THTMLHighlighter().ReadAttributesFromRegistry(reg, TRootKey::HKEY_CURRENT_USER, key));
    // "Asp" and "Escape ampersand" exist (the first and third in list order), "Comment" does not.
    reg.CreateKey(TRootKey::HKEY_CURRENT_USER, key + "\\Asp");
    reg.WriteInteger(TRootKey::HKEY_CURRENT_USER, key + "\\Asp", "Foreground", 5);
    reg.CreateKey(TRootKey::HKEY_CURRENT_USER, key + "\\Escape ampersand");
    reg.WriteInteger(TRootKey::HKEY_CURRENT_USER, key + "\\Escape ampersand", "Foreground", 6);
    THTMLHighlighter hl;
    EXPECT_FALSE(hl.ReadAttributesFromRegistry(reg, TRootKey::HKEY_CURRENT_USER, key));
    EXPECT_EQ(hl.ASPAttri()->Foreground(), 5);
    EXPECT_EQ(hl.ASPAttri()->Background(), 0x00FFFF) << "absent values stay as they were";
    EXPECT_EQ(hl.AndAttri()->Foreground(), 0x00FF00) << "skipped after the failure";
}

// A highlighter with an IDE import over the shared helper, for the two record layouts.
class TImportingHighlighter final : public TCustomHighlighter {
public:
    TImportingHighlighter()
    {
        FComment = AddAttribute("Comment");
        FKey = AddAttribute("Reserved word");
        BindAttributeChanges();
    }
    const char* ClassName() const override { return "TImportingHighlighter"; }
    THighlighterAttributes* StandardAttribute(int) const override { return nullptr; }
    bool AtLineEnd() const override { return true; }
    THighlighterAttributes* AttributeOfToken() const override { return nullptr; }
    void Advance() override { }
    void StartLine(std::string_view text, int index) override { SetLine(text, index); }
    void ListIdeVersions(IRegistryStore& reg, std::vector<std::string>& list) override
    {
        ListIdeVersionsUnder(reg, "Software\\Ide", list);
    }
    bool ImportIdeScheme(IRegistryStore& reg, int index) override
    {
        return ImportIdeSchemeUnder(reg, "Software\\Ide", index, [this](std::string_view v, auto& elements) {
            elements = { { FComment, "Comment" }, { FKey, "Reserved word" } };
            return v.starts_with("1");
        });
    }
    THighlighterAttributes* FComment;
    THighlighterAttributes* FKey;
};

TEST(HighlighterIdeImport, OldAndNewLayoutsAndRollbackOnFailure)
{
    TMemoryRegistry reg;
    constexpr auto M = TRootKey::HKEY_LOCAL_MACHINE;
    constexpr auto U = TRootKey::HKEY_CURRENT_USER;
    reg.CreateKey(M, "Software\\Ide\\1.0");
    reg.CreateKey(M, "Software\\Ide\\5.0");
    reg.CreateKey(U, "Software\\Ide\\1.0\\Highlight");
    reg.WriteString(U, "Software\\Ide\\1.0\\Highlight", "Comment", "0,0,IB,0,1,12,3");
    reg.WriteString(U, "Software\\Ide\\1.0\\Highlight", "Reserved_word", "x,y,,1,0,0,9");
    const std::string el = "Software\\Ide\\5.0\\Highlight\\Comment";
    reg.CreateKey(U, el);
    reg.WriteInteger(U, el, "Foreground Color", 4);
    reg.WriteInteger(U, el, "Background Color", 15);
    reg.WriteString(U, el, "Bold", "False");
    reg.WriteString(U, el, "Italic", "0");
    reg.WriteString(U, el, "Underline", "True");
    reg.WriteString(U, el, "Default Foreground", "FALSE");
    reg.WriteString(U, el, "Default Background", "-1");

    TImportingHighlighter hl;
    std::vector<std::string> versions;
    hl.ListIdeVersions(reg, versions);
    EXPECT_EQ(versions, (std::vector<std::string> { "1.0", "5.0" }));
    EXPECT_FALSE(hl.ImportIdeScheme(reg, 2));
    EXPECT_FALSE(hl.ImportIdeScheme(reg, -1));

    ASSERT_TRUE(hl.ImportIdeScheme(reg, 0));
    EXPECT_EQ(hl.FComment->Foreground(), 0xFF0000);
    EXPECT_EQ(hl.FComment->Background(), clWindow);
    EXPECT_EQ(hl.FComment->Style(), fsBold | fsItalic);
    EXPECT_EQ(hl.FKey->Foreground(), clWindowText);
    EXPECT_EQ(hl.FKey->Background(), 0x0000FF);

    // Version 5.0 has "Comment" but no "Reserved word": everything returns to what it was.
    hl.FComment->SetColors(1, 2, fsStrikeOut);
    EXPECT_FALSE(hl.ImportIdeScheme(reg, 1));
    EXPECT_EQ(hl.FComment->Foreground(), 1);
    EXPECT_EQ(hl.FComment->Style(), fsStrikeOut);

    const std::string kw = "Software\\Ide\\5.0\\Highlight\\Reserved word";
    reg.CreateKey(U, kw);
    for (const char* n : { "Bold", "Italic", "Underline", "Default Foreground", "Default Background" })
        reg.WriteString(U, kw, n, "1");
    reg.WriteInteger(U, kw, "Foreground Color", 0);
    reg.WriteInteger(U, kw, "Background Color", 0);
    ASSERT_TRUE(hl.ImportIdeScheme(reg, 1));
    EXPECT_EQ(hl.FComment->Foreground(), 0x800000);
    EXPECT_EQ(hl.FComment->Background(), clWindow) << "\"-1\" counts as true";
    EXPECT_EQ(hl.FComment->Style(), fsUnderline);
    EXPECT_EQ(hl.FKey->Style(), fsBold | fsItalic | fsUnderline);
}

} // namespace
} // namespace quillan
