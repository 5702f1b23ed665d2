#include "backends/headless/MemoryRegistry.h"
#include "highlight/HighlighterPas.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace quillan;
using P = TPasHighlighter;

TEST(HighlighterPasAttributes, ConstructedStateAndFixedValues)
{
    P hl;
    std::vector<std::string> names;
    for (int i = 0; i < hl.AttributeCount(); ++i)
        names.push_back(hl.AttributeByIndex(i)->AttributeName());
    EXPECT_EQ(names,
        (std::vector<std::string> {
            "Assembler", "Comment", "Identifier", "Number", "Reserved word", "Space", "String", "Symbol" }));

    EXPECT_EQ(hl.CommentAttri()->Style(), fsItalic);
    EXPECT_EQ(hl.KeyAttri()->Style(), fsBold);
    for (int i = 0; i < hl.AttributeCount(); ++i) {
        const THighlighterAttributes* a = hl.AttributeByIndex(i);
        EXPECT_EQ(a->Foreground(), clNone) << a->AttributeName();
        EXPECT_EQ(a->Background(), clNone) << a->AttributeName();
        EXPECT_FALSE(a->StyleStored()) << a->AttributeName();
    }

    EXPECT_EQ(hl.StandardAttribute(sakComment), hl.CommentAttri());
    EXPECT_EQ(hl.StandardAttribute(sakIdentifier), hl.IdentifierAttri());
    EXPECT_EQ(hl.StandardAttribute(sakKeyword), hl.KeyAttri());
    EXPECT_EQ(hl.StandardAttribute(sakString), hl.StringAttri());
    EXPECT_EQ(hl.StandardAttribute(sakWhitespace), hl.SpaceAttri());
    EXPECT_EQ(hl.StandardAttribute(5), nullptr);

    EXPECT_EQ(hl.LanguageTitle(), "ObjectPascal");
    EXPECT_EQ(hl.FeatureFlags(), 3u);
    EXPECT_EQ(hl.WordChars(), TCharSet::Alphanumeric(true));
    EXPECT_EQ(hl.CurrentRange(), P::rsNormal);

    EXPECT_EQ(hl.DefaultFilter(), "Pascal files (*.pas,*.dpr,*.dpk,*.inc)|*.pas;*.dpr;*.dpk;*.inc");
    EXPECT_FALSE(hl.DefaultFilterStored());
    hl.SetDefaultFilter("Pascal|*.pas");
    EXPECT_TRUE(hl.DefaultFilterStored());
    hl.SetDefaultFilter(SPasDefaultFilter);
    EXPECT_FALSE(hl.DefaultFilterStored());
}

TEST(HighlighterPasAttributes, DesignValuesAreStoredOverTheConstructorDefaults)
{
    P hl;
    THighlighterAttributes* comment = hl.CommentAttri();
    int notified = 0;
    hl.HookAttributeChange(&notified, [&](TCustomHighlighter&) { ++notified; });
    hl.ApplyDesignValues();
    EXPECT_GT(notified, 0);
    hl.UnhookAttributeChange(&notified);

    EXPECT_EQ(hl.CommentAttri(), comment);
    EXPECT_EQ(hl.AsmAttri()->Foreground(), 0x008000);
    EXPECT_EQ(hl.CommentAttri()->Foreground(), 0x800000);
    EXPECT_EQ(hl.CommentAttri()->Style(), fsItalic);
    EXPECT_EQ(hl.IdentifierAttri()->Foreground(), 0x808000);
    EXPECT_EQ(hl.KeyAttri()->Foreground(), 0x000000);
    EXPECT_EQ(hl.KeyAttri()->Style(), fsBold);
    EXPECT_EQ(hl.NumberAttri()->Foreground(), 0x800080);
    EXPECT_EQ(hl.SpaceAttri()->Foreground(), clNone);
    EXPECT_EQ(hl.StringAttri()->Foreground(), 0xFF0000);
    EXPECT_EQ(hl.SymbolAttri()->Foreground(), 0x0000FF);
    // Written out with the window because they differ from what construction left.
    EXPECT_TRUE(hl.KeyAttri()->ForegroundStored());
    EXPECT_FALSE(hl.KeyAttri()->StyleStored());
    EXPECT_FALSE(hl.SpaceAttri()->ForegroundStored());
}

TEST(HighlighterPasAttributes, RepointedAttributeIsDrawnWithButNotOwned)
{
    P pas;
    P other;
    other.CommentAttri()->SetForeground(0x123456);
    pas.SetCommentAttri(other.CommentAttri());

    pas.StartLine("{ x }", 0);
    EXPECT_EQ(pas.AttributeOfToken(), other.CommentAttri());
    EXPECT_EQ(pas.StandardAttribute(sakComment), other.CommentAttri());
    // Its own attribute is still the one that the list and Assign see.
    EXPECT_EQ(pas.AttributeByIndex(1)->Foreground(), clNone);
    EXPECT_NE(pas.AttributeByIndex(1), other.CommentAttri());
    // Design values go to its own attributes, never through to the other highlighter's.
    pas.ApplyDesignValues();
    EXPECT_EQ(other.CommentAttri()->Foreground(), 0x123456);

    pas.SetCommentAttri(nullptr);
    pas.StartLine("{ x }", 0);
    EXPECT_EQ(pas.AttributeOfToken(), pas.AttributeByIndex(1));
}

TEST(HighlighterPasAttributes, IdeSchemeImportTakesOlderLayoutForVersionsTwoAndThree)
{
    TMemoryRegistry reg;
    const std::string ide = "Software\\Pascal IDE\\";
    ASSERT_TRUE(reg.CreateKey(TRootKey::HKEY_LOCAL_MACHINE, ide + "3.0"));
    ASSERT_TRUE(reg.CreateKey(TRootKey::HKEY_LOCAL_MACHINE, ide + "5.0"));
    // The same one-value-per-element records under both versions: only 3.0 may read them.
    for (const char* version : { "3.0", "5.0" }) {
        const std::string key = ide + version + "\\Highlight";
        ASSERT_TRUE(reg.CreateKey(TRootKey::HKEY_CURRENT_USER, key));
        for (const char* e : { "Assembler", "Comment", "Identifier", "Number", "Whitespace", "string", "Symbol" })
            reg.WriteString(TRootKey::HKEY_CURRENT_USER, key, e, "0,0,,1,1,0,0");
        reg.WriteString(TRootKey::HKEY_CURRENT_USER, key, "Reserved_word", "0,0,BU,0,1,9,0");
    }

    P hl;
    std::vector<std::string> versions;
    hl.ListIdeVersions(reg, versions);
    EXPECT_EQ(versions, (std::vector<std::string> { "3.0", "5.0" }));
    ASSERT_TRUE(hl.ImportIdeScheme(reg, 0));
    EXPECT_EQ(hl.KeyAttri()->Foreground(), 0x0000FF);
    EXPECT_EQ(hl.KeyAttri()->Background(), clWindow);
    EXPECT_EQ(hl.KeyAttri()->Style(), fsBold | fsUnderline);
    EXPECT_EQ(hl.CommentAttri()->Foreground(), clWindowText);
    EXPECT_EQ(hl.CommentAttri()->Style(), 0);

    EXPECT_FALSE(hl.ImportIdeScheme(reg, 1));
    EXPECT_EQ(hl.KeyAttri()->Foreground(), 0x0000FF);
    EXPECT_FALSE(hl.ImportIdeScheme(reg, -1));
    EXPECT_FALSE(hl.ImportIdeScheme(reg, 2));
}
