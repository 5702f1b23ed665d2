#include "highlight/HighlighterHTML.h"

#include "highlight/HighlighterTestUtil.h"
#include "support/HighlighterContract.h"

#include <array>
#include <random>

namespace quillan {
namespace {

using testutil::Kinds;
using testutil::ScanLine;
using H = THTMLHighlighter;
using KT = std::vector<std::pair<int, std::string>>;

constexpr std::array<TRangeState, 7> ValidRanges = { 0, 1, 2, 3, 4, 5, 7 };

KT Scan(H& hl, std::string_view line, TRangeState start = H::rsText, TRangeState* end = nullptr)
{
    return Kinds(ScanLine(hl, line, start, end));
}

TEST(HTMLHighlighterTags, TagNamesAttributesAndValues)
{
    H hl;
    EXPECT_EQ(Scan(hl, "<table border=1>"),
        (KT { { H::tkSymbol, "<" }, { H::tkKey, "table" }, { H::tkSpace, " " }, { H::tkIdentifier, "border" },
            { H::tkSymbol, "=" }, { H::tkValue, "1" }, { H::tkSymbol, ">" } }));
    EXPECT_EQ(Scan(hl, "<TaBlE>")[1], (std::pair<int, std::string>(H::tkKey, "TaBlE")));
    EXPECT_EQ(Scan(hl, "<foo>")[1], (std::pair<int, std::string>(H::tkUndefKey, "foo")));
    EXPECT_EQ(Scan(hl, "</p>")[1], (std::pair<int, std::string>(H::tkKey, "/p")));
    EXPECT_EQ(Scan(hl, "<!DOCTYPE html>")[1], (std::pair<int, std::string>(H::tkKey, "!DOCTYPE")));
    // Single quotes do not delimit values; a double-quoted value after "=" is a Value, elsewhere a String.
    EXPECT_EQ(Scan(hl, "<a href='x y'>"),
        (KT { { H::tkSymbol, "<" }, { H::tkKey, "a" }, { H::tkSpace, " " }, { H::tkIdentifier, "href" },
            { H::tkSymbol, "=" }, { H::tkValue, "'x" }, { H::tkSpace, " " }, { H::tkIdentifier, "y'" },
            { H::tkSymbol, ">" } }));
    EXPECT_EQ(Scan(hl, "<a b=\"x y\" \"z>")[5], (std::pair<int, std::string>(H::tkValue, "\"x y\"")));
    EXPECT_EQ(Scan(hl, "<a b=\"x y\" \"z>")[7], (std::pair<int, std::string>(H::tkString, "\"z>")));
    // A name starting with another byte is an empty unknown tag; the rest is an identifier.
    EXPECT_EQ(Scan(hl, "<?xml v>"),
        (KT { { H::tkSymbol, "<" }, { H::tkUndefKey, "" }, { H::tkIdentifier, "?xml" }, { H::tkSpace, " " },
            { H::tkIdentifier, "v" }, { H::tkSymbol, ">" } }));
}

TEST(HTMLHighlighterTags, HashSlotsTellDigitsApartByHashAlone)
{
    std::size_t len = 0;
    EXPECT_EQ(H::TagHash("A", len), 1u);
    EXPECT_EQ(H::TagHash("H1", len), 9u);
    EXPECT_EQ(H::TagHash("TABLE", len), 40u);
    EXPECT_EQ(H::TagHash("/A", len), 123u);
    EXPECT_EQ(H::TagHash("!DOCTYPE", len), 211u);
    EXPECT_EQ(H::TagHash("/BLOCKQUOTE", len), 243u);
    EXPECT_EQ(H::TagHash("h12x", len), 11u);
    EXPECT_EQ(len, 3u) << "letters, then digits, then the name ends";

    for (const char* tag : { "h1", "H6", "/h3", "blockquote", "/Blockquote", "wbr", "!doctype", "xmp", "/xmp" })
        EXPECT_TRUE(H::IsKnownTag(tag)) << tag;
    // Names of a known tag's hash and length but other letters; H7 and friends are not in the table.
    for (const char* tag : { "H7", "I1", "H01", "/br", "doctype", "tablex", "" })
        EXPECT_FALSE(H::IsKnownTag(tag)) << tag;

    H hl;
    EXPECT_EQ(Scan(hl, "<h1>")[1].first, H::tkKey);
    EXPECT_EQ(Scan(hl, "<h7>")[1].first, H::tkUndefKey);
    // Hash 244 or more: an identifier without looking at the table.
    EXPECT_EQ(Scan(hl, "<abcdefghijklmnopqrstuvwxyz>")[1].first, H::tkIdentifier);
    EXPECT_EQ(Scan(hl, "<h1x>"),
        (KT { { H::tkSymbol, "<" }, { H::tkKey, "h1" }, { H::tkIdentifier, "x" }, { H::tkSymbol, ">" } }));
}

TEST(HTMLHighlighterText, EntitiesSpacesAndTabs)
{
    H hl;
    EXPECT_EQ(Scan(hl, "Tom &amp; Jerry"),
        (KT { { H::tkText, "Tom " }, { H::tkAmpersand, "&amp;" }, { H::tkText, " Jerry" } }));
    EXPECT_EQ(Scan(hl, "&amp;x"), (KT { { H::tkText, "" }, { H::tkAmpersand, "&amp;" }, { H::tkText, "x" } }));
    EXPECT_EQ(Scan(hl, "&foo; & &AMP &divide;"),
        (KT { { H::tkText, "&foo; & &AMP " }, { H::tkAmpersand, "&divide" }, { H::tkText, ";" } }));
    EXPECT_EQ(Scan(hl, "a&#9;&#215;"),
        (KT { { H::tkText, "a" }, { H::tkAmpersand, "&#9;" }, { H::tkText, "" }, { H::tkAmpersand, "&#215;" } }));
    // Spaces belong to text; a tab starts a Space token that takes following blanks up to the next tab.
    EXPECT_EQ(Scan(hl, "a b\t \x01\t c"),
        (KT { { H::tkText, "a b" }, { H::tkSpace, "\t \x01" }, { H::tkSpace, "\t " }, { H::tkText, "c" } }));

    EXPECT_EQ(H::EntityCount(), 151);
    EXPECT_EQ(H::EntityText(0), "&amp;");
    EXPECT_EQ(H::EntityText(150), "&#215;");
    // Case is ignored, so the lower-case form is found as its earlier upper-case twin.
    EXPECT_EQ(H::MatchEntity("&agrave;"), 8);
    EXPECT_EQ(H::EntityText(8), "&Agrave;");
    EXPECT_EQ(H::MatchEntity("&amp"), -1);
}

TEST(HTMLHighlighterText, AmpersandInsideATagTurnsTheRestIntoText)
{
    H hl;
    EXPECT_EQ(Scan(hl, "<p a &amp; b>c"),
        (KT { { H::tkSymbol, "<" }, { H::tkKey, "p" }, { H::tkSpace, " " }, { H::tkIdentifier, "a" },
            { H::tkSpace, " " }, { H::tkSpace, "" }, { H::tkText, "" }, { H::tkAmpersand, "&amp;" },
            { H::tkText, " b>c" } }));
}

TEST(HTMLHighlighterBlocks, CommentsAndServerScriptSpanLines)
{
    H hl;
    TRangeState end = 0;
    EXPECT_EQ(Scan(hl, "<!-->", H::rsText, &end), (KT { { H::tkComment, "<!--" }, { H::tkComment, ">" } }));
    EXPECT_EQ(end, H::rsText);
    EXPECT_EQ(Scan(hl, "<%>", H::rsText, &end), (KT { { H::tkASP, "<%" }, { H::tkASP, ">" } }));
    EXPECT_EQ(end, H::rsText);

    EXPECT_EQ(
        Scan(hl, "x <!-- a -> b", H::rsText, &end).back(), (std::pair<int, std::string>(H::tkComment, " a -> b")));
    EXPECT_EQ(end, H::rsComment);
    EXPECT_EQ(Scan(hl, "", end, &end), KT {});
    EXPECT_EQ(end, H::rsComment) << "an empty line keeps the open comment";
    EXPECT_EQ(Scan(hl, ">-- -->y", end, &end), (KT { { H::tkComment, ">-- -->" }, { H::tkText, "y" } }));
    EXPECT_EQ(end, H::rsText);

    EXPECT_EQ(Scan(hl, "<% a", H::rsText, &end), (KT { { H::tkASP, "<%" }, { H::tkASP, " a" } }));
    EXPECT_EQ(end, H::rsASP);
    // ">" right at the start of a line has no preceding "%" on that line.
    EXPECT_EQ(Scan(hl, ">x %><b>", end, &end),
        (KT { { H::tkASP, ">x %>" }, { H::tkSymbol, "<" }, { H::tkKey, "b" }, { H::tkSymbol, ">" } }));
    EXPECT_EQ(end, H::rsText);
}

TEST(HTMLHighlighterRanges, EveryRangeCarriesToTheNextLine)
{
    H hl;
    TRangeState end = 0;
    Scan(hl, "<", H::rsText, &end);
    EXPECT_EQ(end, H::rsKey);
    EXPECT_EQ(Scan(hl, "td>", end, &end)[0], (std::pair<int, std::string>(H::tkKey, "td")));
    Scan(hl, "<a", H::rsText, &end);
    EXPECT_EQ(end, H::rsParam);
    Scan(hl, "<a href=", H::rsText, &end);
    EXPECT_EQ(end, H::rsValue);
    EXPECT_EQ(Scan(hl, "\"v\">", end, &end), (KT { { H::tkValue, "\"v\"" }, { H::tkSymbol, ">" } }));
    EXPECT_EQ(end, H::rsText);
    // A string never continues on the next line.
    Scan(hl, "<a t=\"open", H::rsText, &end);
    EXPECT_EQ(end, H::rsParam);

    hl.ClearRange();
    EXPECT_EQ(hl.CurrentRange(), H::rsText);
    // Values the scanner never produces behave as the start of a page.
    for (TRangeState bogus : { TRangeState(6), TRangeState(8), RangeUnknown }) {
        EXPECT_EQ(Scan(hl, "a<b>", bogus, &end), Scan(hl, "a<b>")) << bogus;
        EXPECT_EQ(end, H::rsText);
    }
}

TEST(HTMLHighlighterSoundness, NulBytesAndLineEndsInsideALine)
{
    H hl;
    using namespace std::string_literals;
    EXPECT_EQ(Scan(hl, "a\0b"s), (KT { { H::tkText, "a" }, { H::tkText, "\0"s }, { H::tkText, "b" } }));
    EXPECT_EQ(Scan(hl, "<b\0c>"s),
        (KT { { H::tkSymbol, "<" }, { H::tkKey, "b" }, { H::tkText, "\0"s }, { H::tkIdentifier, "c" },
            { H::tkSymbol, ">" } }));
    TRangeState end = 0;
    EXPECT_EQ(Scan(hl, "<!-- x\0y -->z"s, H::rsText, &end),
        (KT { { H::tkComment, "<!--" }, { H::tkComment, " x" }, { H::tkText, "\0"s }, { H::tkComment, "y -->" },
            { H::tkText, "z" } }));
    EXPECT_EQ(Scan(hl, "\0"s, H::rsASP, &end), (KT { { H::tkText, "\0"s } }));
    EXPECT_EQ(end, H::rsASP);
    // CR and LF stay in the line: a CR-only break between two pieces of text.
    EXPECT_EQ(Scan(hl, "a\rb"), (KT { { H::tkText, "a" }, { H::tkSpace, "\r" }, { H::tkText, "b" } }));
    EXPECT_EQ(Scan(hl, "<b\r\nc"),
        (KT { { H::tkSymbol, "<" }, { H::tkKey, "b" }, { H::tkSpace, "\r\n" }, { H::tkIdentifier, "c" } }));
    EXPECT_EQ(Scan(hl, "\xC3\xA9t\xC3\xA9 <\xC3\xA9>"),
        (KT { { H::tkText, "\xC3\xA9t\xC3\xA9 " }, { H::tkSymbol, "<" }, { H::tkUndefKey, "" },
            { H::tkIdentifier, "\xC3\xA9" }, { H::tkSymbol, ">" } }));
}

// A line that starts with "&" inside a tag: the empty "&" token keeps the previous kind, which at the
// start of a line would be line end and would hide the rest of the line.
TEST(HTMLHighlighterSoundness, AmpersandAtLineStartInsideATagDoesNotEndTheLine)
{
    H hl;
    for (TRangeState r : { H::rsKey, H::rsParam, H::rsValue, H::rsAmpersand }) {
        TRangeState end = 0;
        EXPECT_EQ(Scan(hl, "&x>y", r, &end), (KT { { H::tkText, "" }, { H::tkText, "&x>y" } })) << r;
        EXPECT_EQ(end, H::rsText);
    }
    // The same after a line that was abandoned halfway with an entity pending.
    hl.StartLine("&amp;", 0);
    EXPECT_EQ(Scan(hl, "&x", H::rsParam), (KT { { H::tkText, "" }, { H::tkText, "&x" } }));
}

TEST(HTMLHighlighterSoundness, ContractHoldsOnRandomBytes)
{
    H hl;
    std::mt19937 rng(7);
    const std::string alphabet = std::string("<>=\"&!-%/ \t\r\nabAB19;#?\x80\xFF") + std::string(1, '\0');
    for (int round = 0; round < 3000; ++round) {
        std::vector<std::uint8_t> bytes(rng() % 200);
        for (auto& b : bytes)
            b = (rng() % 4) ? static_cast<std::uint8_t>(alphabet[rng() % alphabet.size()])
                            : static_cast<std::uint8_t>(rng());
        TRangeState start = 0;
        auto lines = contract::SplitFuzzInput(bytes.data(), bytes.size(), ValidRanges, start);
        ASSERT_EQ(contract::CheckHighlighterContract(hl, lines, start, ValidRanges), "") << "round " << round;
    }
}

TEST(HTMLHighlighterAttributes, DefaultsDesignValuesAndFixedValues)
{
    H hl;
    EXPECT_EQ(hl.AndAttri()->AttributeName(), "Escape ampersand");
    EXPECT_EQ(hl.AndAttri()->Foreground(), 0x00FF00);
    EXPECT_EQ(hl.ASPAttri()->Background(), 0x00FFFF);
    EXPECT_EQ(hl.ASPAttri()->Foreground(), 0x000000);
    EXPECT_EQ(hl.CommentAttri()->Foreground(), clNone);
    EXPECT_EQ(hl.KeyAttri()->Foreground(), 0xFF0080);
    EXPECT_EQ(hl.KeyAttri()->Style(), fsBold);
    EXPECT_EQ(hl.UndefKeyAttri()->Foreground(), 0x0000FF);
    EXPECT_EQ(hl.ValueAttri()->Foreground(), 0xFF8000);
    EXPECT_EQ(hl.ValueAttri()->Style(), 0);
    EXPECT_EQ(hl.SymbolAttri()->Style(), fsBold);
    EXPECT_EQ(hl.SymbolAttri()->Foreground(), clNone);

    hl.ApplyDesignValues();
    EXPECT_EQ(hl.AndAttri()->Foreground(), 0x0080FF);
    EXPECT_EQ(hl.CommentAttri()->Foreground(), 0x800000);
    EXPECT_EQ(hl.CommentAttri()->Style(), fsItalic);
    EXPECT_EQ(hl.IdentifierAttri()->Foreground(), 0x000000);
    EXPECT_EQ(hl.SymbolAttri()->Foreground(), 0x0000FF);
    EXPECT_EQ(hl.TextAttri()->Foreground(), 0x000000);
    EXPECT_EQ(hl.KeyAttri()->Foreground(), 0xFF0080) << "not part of the design";
    // Design values differ from the constructor snapshot, so they count as stored.
    EXPECT_TRUE(hl.CommentAttri()->ForegroundStored());
    EXPECT_FALSE(hl.KeyAttri()->ForegroundStored());

    EXPECT_EQ(hl.StandardAttribute(sakComment), hl.CommentAttri());
    EXPECT_EQ(hl.StandardAttribute(sakIdentifier), hl.IdentifierAttri());
    EXPECT_EQ(hl.StandardAttribute(sakKeyword), hl.KeyAttri());
    EXPECT_EQ(hl.StandardAttribute(sakString), nullptr);
    EXPECT_EQ(hl.StandardAttribute(sakWhitespace), hl.SpaceAttri());
    EXPECT_EQ(hl.StandardAttribute(5), nullptr);
    EXPECT_EQ(hl.LanguageTitle(), "HTML Document");
    EXPECT_EQ(hl.DefaultFilter(), "HTML Document (*.htm,*.html)|*.htm;*.html");
    EXPECT_EQ(hl.FeatureFlags(), 2u);
    const TCharSet w = hl.WordChars();
    EXPECT_TRUE(w.Contains('z') && w.Contains('Q') && w.Contains('5'));
    EXPECT_FALSE(w.Contains('_') || w.Contains('-') || w.Contains(static_cast<unsigned char>(0xE9)));

    // Every token of a line of each kind reports its kind's attribute.
    auto tokens = ScanLine(hl, "<a b=\"c\" \"d\">&amp;<x>", H::rsText);
    std::vector<std::string> attrs;
    for (const auto& t : tokens)
        attrs.push_back(t.Attr);
    EXPECT_EQ(attrs,
        (std::vector<std::string> { "Symbol", "Reserved word", "Space", "Identifier", "Symbol", "Value", "Space",
            "Value", "Symbol", "Text", "Escape ampersand", "Symbol", "Unknown word", "Symbol" }));
}

TEST(HTMLHighlighterGolden, PageWholeAndAfterRandomEdits)
{
    H hl;
    testutil::ExpectGolden(hl, "highlight/html/page.html",
        { "<!--", "-->", "<%", "%>", "<", ">", "=", "\"", "&amp;", "&", "<a ", "\t", std::string(1, '\0') });
}

} // namespace
} // namespace quillan
