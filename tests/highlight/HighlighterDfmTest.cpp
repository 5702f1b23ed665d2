#include "highlight/HighlighterDfm.h"

#include "HighlighterTestUtil.h"
#include "highlight/HighlighterPas.h"
#include "support/HighlighterContract.h"

#include <array>
#include <random>

using namespace quillan;
using testutil::Kinds;
using testutil::ScanLine;

namespace {

using K = TDfmHighlighter::TTokenKind;
using TKinds = std::vector<std::pair<int, std::string>>;

constexpr std::array<TRangeState, 2> kRanges = { TDfmHighlighter::rsComment, TDfmHighlighter::rsUnknown };

TKinds Scan(TDfmHighlighter& hl, std::string_view line, TRangeState start = TDfmHighlighter::rsUnknown,
    TRangeState* end = nullptr)
{
    return Kinds(ScanLine(hl, line, start, end));
}

} // namespace

TEST(HighlighterDfm, KeywordsNeedTheWholeWord)
{
    TDfmHighlighter hl;
    EXPECT_EQ(Scan(hl, "object Form1: TForm1"),
        (TKinds { { K::tkKey, "object" }, { K::tkSpace, " " }, { K::tkIdentifier, "Form1" }, { K::tkUnknown, ":" },
            { K::tkSpace, " " }, { K::tkIdentifier, "TForm1" } }));
    for (const char* word : { "OBJECT", "End", "oBjEcT", "eNd" })
        EXPECT_EQ(Scan(hl, word), (TKinds { { K::tkKey, word } }));
    for (const char* word : { "ending", "objects", "en", "obj", "e", "o", "end_", "object1", "inherited" })
        EXPECT_EQ(Scan(hl, word), (TKinds { { K::tkIdentifier, word } }));
    EXPECT_EQ(Scan(hl, "end."), (TKinds { { K::tkKey, "end" }, { K::tkSymbol, "." } }));
}

TEST(HighlighterDfm, ValuesAndSymbols)
{
    TDfmHighlighter hl;
    EXPECT_EQ(Scan(hl, "Caption = 'It''s'"),
        (TKinds { { K::tkIdentifier, "Caption" }, { K::tkSpace, " " }, { K::tkSymbol, "=" }, { K::tkSpace, " " },
            { K::tkString, "'It''s'" } }));
    EXPECT_EQ(
        Scan(hl, "#13#10$00FF"), (TKinds { { K::tkString, "#13" }, { K::tkString, "#10" }, { K::tkNumber, "$00FF" } }));
    EXPECT_EQ(Scan(hl, "Left = -8"),
        (TKinds { { K::tkIdentifier, "Left" }, { K::tkSpace, " " }, { K::tkSymbol, "=" }, { K::tkSpace, " " },
            { K::tkUnknown, "-" }, { K::tkNumber, "8" } }));
    // A "." ends a number and belongs to it, unless a second "." follows.
    EXPECT_EQ(Scan(hl, "1.25 1..5 1e5E 0.75s"),
        (TKinds { { K::tkNumber, "1." }, { K::tkNumber, "25" }, { K::tkSpace, " " }, { K::tkNumber, "1" },
            { K::tkSymbol, "." }, { K::tkSymbol, "." }, { K::tkNumber, "5" }, { K::tkSpace, " " },
            { K::tkNumber, "1e5E" }, { K::tkSpace, " " }, { K::tkNumber, "0." }, { K::tkNumber, "75" },
            { K::tkIdentifier, "s" } }));
    EXPECT_EQ(Scan(hl, "()<>[],./:+@\x80"),
        (TKinds { { K::tkSymbol, "(" }, { K::tkSymbol, ")" }, { K::tkSymbol, "<" }, { K::tkSymbol, ">" },
            { K::tkSymbol, "[" }, { K::tkSymbol, "]" }, { K::tkSymbol, "," }, { K::tkSymbol, "." },
            { K::tkSymbol, "/" }, { K::tkUnknown, ":" }, { K::tkUnknown, "+" }, { K::tkUnknown, "@" },
            { K::tkUnknown, "\x80" } }));
    // An unclosed string ends with the line and does not carry over.
    TRangeState end = 0;
    EXPECT_EQ(Scan(hl, "'open", TDfmHighlighter::rsUnknown, &end), (TKinds { { K::tkString, "'open" } }));
    EXPECT_EQ(end, TDfmHighlighter::rsUnknown);
    EXPECT_EQ(Scan(hl, "\t \x01\r\n\r\n"),
        (TKinds { { K::tkSpace, "\t \x01" }, { K::tkSpace, "\r\n" }, { K::tkSpace, "\r\n" } }));
}

TEST(HighlighterDfm, BinaryBlocksSpanLines)
{
    TDfmHighlighter hl;
    TRangeState end = 0;
    EXPECT_EQ(Scan(hl, "Data = {0001", TDfmHighlighter::rsUnknown, &end),
        (TKinds { { K::tkIdentifier, "Data" }, { K::tkSpace, " " }, { K::tkSymbol, "=" }, { K::tkSpace, " " },
            { K::tkComment, "{0001" } }));
    EXPECT_EQ(end, TDfmHighlighter::rsComment);
    EXPECT_EQ(Scan(hl, "  0A0B 'x' end", end, &end), (TKinds { { K::tkComment, "  0A0B 'x' end" } }));
    EXPECT_EQ(end, TDfmHighlighter::rsComment);
    EXPECT_EQ(Scan(hl, "", end, &end), TKinds {});
    EXPECT_EQ(end, TDfmHighlighter::rsComment);
    EXPECT_EQ(Scan(hl, "}end", end, &end), (TKinds { { K::tkComment, "}" }, { K::tkKey, "end" } }));
    EXPECT_EQ(end, TDfmHighlighter::rsUnknown);
    EXPECT_EQ(Scan(hl, "{01} } {", end, &end),
        (TKinds { { K::tkComment, "{01}" }, { K::tkSpace, " " }, { K::tkIdentifier, "}" }, { K::tkSpace, " " },
            { K::tkComment, "{" } }));
    EXPECT_EQ(end, TDfmHighlighter::rsComment);
    // Values the scanner never produces start the line outside a block.
    EXPECT_EQ(Scan(hl, "end", 0), (TKinds { { K::tkKey, "end" } }));
    EXPECT_EQ(Scan(hl, "end", 77), (TKinds { { K::tkKey, "end" } }));
}

TEST(HighlighterDfm, NulBytesAreTokensOfTheirOwn)
{
    TDfmHighlighter hl;
    const std::string nul(1, '\0');
    TRangeState end = 0;
    EXPECT_EQ(Scan(hl, "'a" + nul + "b''c' x"),
        (TKinds { { K::tkString, "'a" }, { K::tkUnknown, nul }, { K::tkString, "b''c'" }, { K::tkSpace, " " },
            { K::tkIdentifier, "x" } }));
    EXPECT_EQ(Scan(hl, "{a" + nul + "b", TDfmHighlighter::rsUnknown, &end),
        (TKinds { { K::tkComment, "{a" }, { K::tkUnknown, nul }, { K::tkComment, "b" } }));
    EXPECT_EQ(end, TDfmHighlighter::rsComment);
    EXPECT_EQ(Scan(hl, nul + "}" + nul, TDfmHighlighter::rsComment, &end),
        (TKinds { { K::tkUnknown, nul }, { K::tkComment, "}" }, { K::tkUnknown, nul } }));
    EXPECT_EQ(end, TDfmHighlighter::rsUnknown);
    EXPECT_EQ(Scan(hl, "end" + nul + "object"),
        (TKinds { { K::tkKey, "end" }, { K::tkUnknown, nul }, { K::tkKey, "object" } }));
}

TEST(HighlighterDfm, AttributesAndTheirSharing)
{
    TDfmHighlighter hl;
    ASSERT_EQ(hl.AttributeCount(), 7);
    std::vector<std::string> names;
    for (int i = 0; i < hl.AttributeCount(); ++i)
        names.push_back(hl.AttributeByIndex(i)->AttributeName());
    EXPECT_EQ(
        names, (std::vector<std::string> { "Comment", "Identifier", "Key", "Number", "Space", "String", "Symbol" }));
    EXPECT_EQ(hl.CommentAttri()->Style(), fsItalic);
    EXPECT_EQ(hl.KeyAttri()->Style(), fsBold);
    EXPECT_EQ(hl.AttributeByName("Symbol")->Style(), 0);
    EXPECT_EQ(hl.StandardAttribute(sakWhitespace), hl.SpaceAttri());
    EXPECT_EQ(hl.StandardAttribute(sakKeyword), hl.KeyAttri());
    EXPECT_EQ(hl.StandardAttribute(5), nullptr);

    hl.ApplyDesignValues();
    for (int i = 0; i < hl.AttributeCount(); ++i) {
        const THighlighterAttributes* a = hl.AttributeByIndex(i);
        EXPECT_FALSE(a->ForegroundStored() || a->BackgroundStored() || a->StyleStored()) << a->AttributeName();
    }

    // The main window draws forms in the Pascal colours for five kinds; the form highlighter's
    // own attributes stay listed, and a Pascal colour change repaints form editors too.
    TPasHighlighter pas;
    hl.SetCommentAttri(pas.CommentAttri());
    hl.SetIdentifierAttri(pas.IdentifierAttri());
    hl.SetKeyAttri(pas.KeyAttri());
    hl.SetNumberAttri(pas.NumberAttri());
    hl.SetStringAttri(pas.StringAttri());
    EXPECT_EQ(ScanLine(hl, "end", TDfmHighlighter::rsUnknown)[0].Attr, "Reserved word");
    hl.StartLine("-", 0);
    EXPECT_EQ(hl.AttributeOfToken(), pas.IdentifierAttri());
    hl.StartLine("=", 0);
    EXPECT_EQ(hl.AttributeOfToken(), hl.AttributeByName("Symbol"));
    EXPECT_EQ(hl.AttributeByName("Key"), hl.AttributeByIndex(2));
    EXPECT_EQ(hl.StandardAttribute(sakString), pas.StringAttri());
    EXPECT_EQ(hl.SpaceAttri(), hl.AttributeByName("Space"));
    int pasNotifications = 0;
    pas.HookAttributeChange(&pasNotifications, [&](TCustomHighlighter&) { ++pasNotifications; });
    hl.KeyAttri()->SetForeground(0x0000FF);
    EXPECT_EQ(pasNotifications, 1);
    EXPECT_EQ(hl.AttributeByName("Key")->Foreground(), clNone);
    hl.SetKeyAttri(nullptr);
    EXPECT_EQ(hl.KeyAttri(), hl.AttributeByName("Key"));
}

TEST(HighlighterDfm, GoldenFormText)
{
    TDfmHighlighter hl;
    const std::string nul(1, '\0');
    testutil::ExpectGolden(hl, "highlight/dfm/form.txt", { "{", "}", "'", " end ", "object ", nul, "\r", "1..", "#" });
}

TEST(HighlighterDfm, ContractHoldsOnRandomLines)
{
    static const char alphabet[] = "{}'#$.=()<>[],:-endobjectEND0123456789eE_ \t\r\n\x80\xff";
    std::mt19937 rng(17);
    TDfmHighlighter hl;
    for (int round = 0; round < 500; ++round) {
        std::vector<std::string> lines(1 + rng() % 8);
        for (std::string& line : lines)
            for (std::size_t n = rng() % 40; n-- > 0;)
                line += rng() % 16 == 0 ? static_cast<char>(rng() % 256) : alphabet[rng() % (sizeof alphabet - 1)];
        ASSERT_EQ(contract::CheckHighlighterContract(hl, lines, kRanges[round % 2], kRanges), "") << "round " << round;
    }
}
