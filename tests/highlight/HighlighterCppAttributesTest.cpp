#include "backends/headless/MemoryRegistry.h"
#include "highlight/HighlighterCpp.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace quillan;
using H = TCppHighlighter;

namespace {

struct TExpected {
    THighlighterAttributes* Attribute;
    TColor Foreground;
    TFontStyles Style;
};

void ExpectColours(std::initializer_list<TExpected> expected)
{
    for (const TExpected& e : expected) {
        EXPECT_EQ(e.Attribute->Foreground(), e.Foreground) << e.Attribute->AttributeName();
        EXPECT_EQ(e.Attribute->Style(), e.Style) << e.Attribute->AttributeName();
        EXPECT_EQ(e.Attribute->Background(), clNone) << e.Attribute->AttributeName();
    }
}

} // namespace

TEST(HighlighterCppAttributes, ConstructedStateAndFixedValues)
{
    H hl;
    std::vector<std::string> names;
    for (int i = 0; i < hl.AttributeCount(); ++i) {
        names.push_back(hl.AttributeByIndex(i)->AttributeName());
        // Construction is the reference point for what gets written out with the window.
        EXPECT_FALSE(hl.AttributeByIndex(i)->ForegroundStored() || hl.AttributeByIndex(i)->StyleStored());
    }
    EXPECT_EQ(names,
        (std::vector<std::string> { "Assembler", "Comment", "Identifier", "Illegal char", "Number", "Preprocessor",
            "Reserved word", "Space", "String", "Symbol" }));
    ExpectColours({ { hl.AsmAttri(), clNone, 0 }, { hl.CommentAttri(), clNone, fsItalic },
        { hl.DirecAttri(), clNone, 0 }, { hl.IdentifierAttri(), clNone, 0 }, { hl.InvalidAttri(), clNone, 0 },
        { hl.KeyAttri(), clNone, fsBold }, { hl.NumberAttri(), clNone, 0 }, { hl.SpaceAttri(), clWindow, 0 },
        { hl.StringAttri(), clNone, 0 }, { hl.SymbolAttri(), clNone, 0 } });

    EXPECT_EQ(hl.StandardAttribute(sakComment), hl.CommentAttri());
    EXPECT_EQ(hl.StandardAttribute(sakIdentifier), hl.IdentifierAttri());
    EXPECT_EQ(hl.StandardAttribute(sakKeyword), hl.KeyAttri());
    EXPECT_EQ(hl.StandardAttribute(sakString), hl.StringAttri());
    EXPECT_EQ(hl.StandardAttribute(sakWhitespace), hl.SpaceAttri());
    EXPECT_EQ(hl.StandardAttribute(5), nullptr);

    EXPECT_EQ(hl.LanguageTitle(), "C++");
    EXPECT_EQ(hl.FeatureFlags(), 3u);
    EXPECT_EQ(hl.WordChars(), TCharSet::Alphanumeric(true));
    EXPECT_EQ(hl.DefaultFilter(), "C++ files (*.cpp,*.h,*.hpp)|*.cpp;*.h;*.hpp");
    EXPECT_EQ(hl.CurrentRange(), H::rsNormal);
}

TEST(HighlighterCppAttributes, DesignValuesAreStoredOverTheConstructorDefaults)
{
    H hl;
    THighlighterAttributes* comment = hl.CommentAttri();
    int notified = 0;
    hl.HookAttributeChange(&notified, [&](TCustomHighlighter&) { ++notified; });
    hl.ApplyDesignValues();
    EXPECT_GT(notified, 0);

    EXPECT_EQ(hl.CommentAttri(), comment);
    ExpectColours({ { hl.AsmAttri(), 0x000000, 0 }, { hl.CommentAttri(), 0x800000, fsItalic },
        { hl.DirecAttri(), 0x008000, fsBold }, { hl.IdentifierAttri(), 0x000000, 0 },
        { hl.InvalidAttri(), 0xFF00FF, 0 }, { hl.KeyAttri(), 0x000000, fsBold }, { hl.NumberAttri(), 0x000000, 0 },
        { hl.SpaceAttri(), clWindow, 0 }, { hl.StringAttri(), 0xFF0000, 0 }, { hl.SymbolAttri(), 0x0000FF, 0 } });
    EXPECT_TRUE(hl.KeyAttri()->ForegroundStored());
    EXPECT_FALSE(hl.KeyAttri()->StyleStored());
    EXPECT_TRUE(hl.DirecAttri()->StyleStored());
    EXPECT_FALSE(hl.SpaceAttri()->ForegroundStored());
    EXPECT_EQ(hl.DefaultFilter(), "C++ files (*.cpp,*.c,*.h,*.hpp)|*.cpp;*.c;*.h;*.hpp");

    // Applying them twice changes nothing and so tells nobody.
    notified = 0;
    hl.ApplyDesignValues();
    EXPECT_EQ(notified, 0);
    hl.UnhookAttributeChange(&notified);
}

TEST(HighlighterCppAttributes, RepointedAttributeIsDrawnWithButNotOwned)
{
    H cpp;
    H other;
    other.DirecAttri()->SetForeground(0x123456);
    cpp.SetDirecAttri(other.DirecAttri());

    cpp.StartLine("#if X", 0);
    EXPECT_EQ(cpp.AttributeOfToken(), other.DirecAttri());
    THighlighterAttributes* own = cpp.AttributeByName("Preprocessor");
    ASSERT_NE(own, nullptr);
    EXPECT_NE(own, other.DirecAttri());
    EXPECT_EQ(own->Foreground(), clNone);
    // Design values go to the own attributes, never through to the other highlighter's.
    cpp.ApplyDesignValues();
    EXPECT_EQ(other.DirecAttri()->Foreground(), 0x123456);
    EXPECT_EQ(own->Foreground(), 0x008000);

    cpp.SetDirecAttri(nullptr);
    cpp.StartLine("#if X", 0);
    EXPECT_EQ(cpp.AttributeOfToken(), own);
}

TEST(HighlighterCppAttributes, IdeSchemeImportPicksLayoutAndElementsByVersion)
{
    TMemoryRegistry reg;
    const std::string ide = "Software\\C++ IDE\\";
    ASSERT_TRUE(reg.CreateKey(TRootKey::HKEY_LOCAL_MACHINE, ide + "1.0"));
    ASSERT_TRUE(reg.CreateKey(TRootKey::HKEY_LOCAL_MACHINE, ide + "4.0"));

    // The older layout reads the assembler colours from "Plain text".
    const std::string old = ide + "1.0\\Highlight";
    ASSERT_TRUE(reg.CreateKey(TRootKey::HKEY_CURRENT_USER, old));
    for (const char* e : { "Comment", "Identifier", "Illegal_Char", "Reserved_word", "Integer", "Whitespace", "String",
             "Symbol", "Preprocessor" })
        reg.WriteString(TRootKey::HKEY_CURRENT_USER, old, e, "0,0,,1,1,0,0");
    reg.WriteString(TRootKey::HKEY_CURRENT_USER, old, "Plain_text", "0,0,I,0,1,12,0");

    // The newer layout reads it from "Assembler", one subkey per element.
    const std::string now = ide + "4.0\\Highlight\\";
    for (const char* e : { "Assembler", "Comment", "Identifier", "Illegal Char", "Reserved word", "Integer",
             "Whitespace", "String", "Symbol", "Preprocessor" }) {
        const std::string key = now + e;
        ASSERT_TRUE(reg.CreateKey(TRootKey::HKEY_CURRENT_USER, key));
        reg.WriteInteger(
            TRootKey::HKEY_CURRENT_USER, key, "Foreground Color", std::string_view(e) == "Assembler" ? 9 : 0);
        reg.WriteInteger(TRootKey::HKEY_CURRENT_USER, key, "Background Color", 15);
        for (const char* flag : { "Bold", "Italic", "Underline", "Default Foreground" })
            reg.WriteString(TRootKey::HKEY_CURRENT_USER, key, flag, "False");
        reg.WriteString(TRootKey::HKEY_CURRENT_USER, key, "Default Background", "True");
    }

    H hl;
    std::vector<std::string> versions;
    hl.ListIdeVersions(reg, versions);
    EXPECT_EQ(versions, (std::vector<std::string> { "1.0", "4.0" }));

    ASSERT_TRUE(hl.ImportIdeScheme(reg, 0));
    EXPECT_EQ(hl.AsmAttri()->Foreground(), 0xFF0000);
    EXPECT_EQ(hl.AsmAttri()->Style(), fsItalic);
    EXPECT_EQ(hl.DirecAttri()->Foreground(), clWindowText);

    ASSERT_TRUE(hl.ImportIdeScheme(reg, 1));
    EXPECT_EQ(hl.AsmAttri()->Foreground(), 0x0000FF);
    EXPECT_EQ(hl.AsmAttri()->Style(), 0);
    EXPECT_EQ(hl.CommentAttri()->Style(), 0);
    EXPECT_EQ(hl.SymbolAttri()->Background(), clWindow);

    EXPECT_FALSE(hl.ImportIdeScheme(reg, 2));
}
