#include "highlight/HighlighterCpp.h"

#include "HighlighterTestUtil.h"

#include <cctype>

using namespace quillan;
using testutil::Kinds;
using testutil::ScanLine;

namespace {

using H = TCppHighlighter;
using TKinds = std::vector<std::pair<int, std::string>>;

TKinds Scan(std::string_view text, TRangeState start = H::rsNormal, TRangeState* end = nullptr)
{
    H hl;
    return Kinds(ScanLine(hl, text, start, end));
}

TRangeState EndRange(std::string_view text, TRangeState start = H::rsNormal)
{
    TRangeState end = 0;
    Scan(text, start, &end);
    return end;
}

const char* const kKeywords[] = { "__asm", "__automated", "__cdecl", "__classid", "__closure", "__declspec", "__dispid",
    "__except", "__export", "__fastcall", "__finally", "__import", "__int16", "__int32", "__int64", "__int8",
    "__pascal", "__property", "__published", "__rtti", "__stdcall", "__thread", "__try", "_asm", "_cdecl", "_export",
    "_fastcall", "_import", "_pascal", "_stdcall", "asm", "auto", "bool", "break", "case", "catch", "cdecl", "char",
    "class", "const", "const_cast", "continue", "default", "delete", "do", "double", "dynamic_cast", "else", "enum",
    "explicit", "extern", "false", "float", "for", "friend", "goto", "if", "inline", "int", "long", "mutable",
    "namespace", "new", "operator", "pascal", "private", "protected", "public", "register", "reinterpret_cast",
    "return", "short", "signed", "sizeof", "static", "static_cast", "struct", "switch", "template", "this", "throw",
    "true", "try", "typedef", "typeid", "typename", "union", "unsigned", "using", "virtual", "void", "volatile",
    "wchar_t", "while" };

} // namespace

TEST(HighlighterCppKeywords, EveryKeywordExactlyAsWritten)
{
    ASSERT_EQ(std::size(kKeywords), 94u);
    for (std::string_view word : kKeywords) {
        EXPECT_EQ(Scan(word), (TKinds { { H::tkKey, std::string(word) } })) << word;
        EXPECT_TRUE(H::IsKeyword(word)) << word;
        // In upper case, or with one more character, it is a plain identifier.
        std::string upper(word);
        for (char& c : upper)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        EXPECT_EQ(Scan(upper), (TKinds { { H::tkIdentifier, upper } })) << upper;
        EXPECT_EQ(Scan(std::string(word) + "x"), (TKinds { { H::tkIdentifier, std::string(word) + "x" } }));
    }
}

TEST(HighlighterCppKeywords, LookalikesAreIdentifiers)
{
    // Same hash as a keyword, some even with the same length: only an exact match counts.
    for (const char* word : { "fi", "nit", "__int46", "__int61", "gtoo", "Int", "IF", "NULL", "If", "tni", "_int64" })
        EXPECT_EQ(Scan(word), (TKinds { { H::tkIdentifier, word } })) << word;
    // Far beyond the table: the hash alone rules it out.
    std::string longWord(5000, 'z');
    EXPECT_EQ(Scan(longWord), (TKinds { { H::tkIdentifier, longWord } }));
    EXPECT_FALSE(H::IsKeyword("in t"));
    EXPECT_FALSE(H::IsKeyword(""));
    // Digits and underscores extend a word but add nothing to its hash.
    EXPECT_EQ(Scan("int0 _if if_ x1y2"),
        (TKinds { { H::tkIdentifier, "int0" }, { H::tkSpace, " " }, { H::tkIdentifier, "_if" }, { H::tkSpace, " " },
            { H::tkIdentifier, "if_" }, { H::tkSpace, " " }, { H::tkIdentifier, "x1y2" } }));
    H hl;
    EXPECT_FALSE(hl.KnowsKeyword("int"));
}

// The golden file with NUL bytes shows the common cases; these are the ones where a NUL sits next
// to a byte whose meaning depends on its neighbour.
TEST(HighlighterCppScanner, NulNextToAnEscapeOrACommentMarkSeparatesThem)
{
    using namespace std::string_literals;
    EXPECT_EQ(Scan("\"a\0\0\\\"\" x"s),
        (TKinds { { H::tkString, "\"a" }, { H::tkUnknown, "\0"s }, { H::tkUnknown, "\0"s }, { H::tkString, "\\\"\"" },
            { H::tkSpace, " " }, { H::tkIdentifier, "x" } }));
    EXPECT_EQ(
        Scan("\"\\\0\\\""s), (TKinds { { H::tkString, "\"\\" }, { H::tkUnknown, "\0"s }, { H::tkString, "\\\"" } }));
    TRangeState end = 0;
    EXPECT_EQ(Scan("*\0/"s, H::rsComment, &end),
        (TKinds { { H::tkComment, "*" }, { H::tkUnknown, "\0"s }, { H::tkComment, "/" } }));
    EXPECT_EQ(end, H::rsComment);
    EXPECT_EQ(Scan("/\0/"s), (TKinds { { H::tkSymbol, "/" }, { H::tkUnknown, "\0"s }, { H::tkSymbol, "/" } }));
    // A NUL after the backslash means the backslash was not last: the directive ends.
    EXPECT_EQ(EndRange("#define A \\\0"s), H::rsNormal);
    EXPECT_EQ(EndRange("#define A \0\\"s), H::rsDirective);
    EXPECT_EQ(Scan("x\0"s, H::rsAsm, &end), (TKinds { { H::tkAsm, "x" }, { H::tkAsm, "\0"s } }));
    EXPECT_EQ(end, H::rsAsm);
}

TEST(HighlighterCppScanner, ALineLeftHalfwayLeavesNothingForTheNext)
{
    using namespace std::string_literals;
    // Painting may stop partway along a line; a NUL-interrupted literal or comment must not
    // reach into the next line scanned.
    H hl;
    const std::string first = "\"a\0b\"// x\0y"s;
    for (std::size_t stop = 1; stop <= 7; ++stop) {
        hl.ClearRange();
        hl.StartLine(first, 0);
        for (std::size_t i = 1; i < stop && !hl.AtLineEnd(); ++i)
            hl.Advance();
        hl.ClearRange();
        hl.StartLine("x", 1);
        EXPECT_EQ(hl.KindOfToken(), H::tkIdentifier) << "left after " << stop << " tokens";
        EXPECT_EQ(hl.TokenText(), "x");
    }
}

TEST(HighlighterCppScanner, LineBreakBytesInsideALineAreSpaceAndEndConstructs)
{
    EXPECT_EQ(Scan("a\r\nb\rc\n"),
        (TKinds { { H::tkIdentifier, "a" }, { H::tkSpace, "\r\n" }, { H::tkIdentifier, "b" }, { H::tkSpace, "\r" },
            { H::tkIdentifier, "c" }, { H::tkSpace, "\n" } }));
    EXPECT_EQ(Scan("\"ab\rcd\""),
        (TKinds { { H::tkString, "\"ab" }, { H::tkSpace, "\r" }, { H::tkIdentifier, "cd" }, { H::tkString, "\"" } }));
    EXPECT_EQ(Scan("// a\rb"), (TKinds { { H::tkComment, "// a" }, { H::tkSpace, "\r" }, { H::tkIdentifier, "b" } }));
    EXPECT_EQ(
        Scan("#if A\rb"), (TKinds { { H::tkDirective, "#if A" }, { H::tkSpace, "\r" }, { H::tkIdentifier, "b" } }));
    TRangeState end = 0;
    EXPECT_EQ(
        Scan("#if A\\\rb"), (TKinds { { H::tkDirective, "#if A\\" }, { H::tkSpace, "\r" }, { H::tkDirective, "b" } }));
    EXPECT_EQ(Scan("/* a\rb */", H::rsNormal, &end),
        (TKinds { { H::tkComment, "/* a" }, { H::tkSpace, "\r" }, { H::tkComment, "b */" } }));
    EXPECT_EQ(end, H::rsNormal);
    // Whitespace runs stop at a line break byte but take every other control byte.
    EXPECT_EQ(Scan(" \t\x01\x1F\x0B\x0C\n "),
        (TKinds { { H::tkSpace, " \t\x01\x1F\x0B\x0C" }, { H::tkSpace, "\n" }, { H::tkSpace, " " } }));
}

TEST(HighlighterCppScanner, EmptyLineKeepsOpenConstructsButEndsADirective)
{
    H hl;
    for (TRangeState r = 0; r <= 7; ++r) {
        hl.RestoreRange(r);
        hl.StartLine("", 0);
        EXPECT_TRUE(hl.AtLineEnd());
        EXPECT_EQ(hl.TokenText(), "");
        EXPECT_EQ(hl.AttributeOfToken(), nullptr);
        EXPECT_EQ(hl.KindOfToken(), H::tkNull);
        hl.ScanToLineEnd();
        EXPECT_EQ(hl.CurrentRange(), r == H::rsDirective ? TRangeState(H::rsNormal) : r) << r;
    }
}

TEST(HighlighterCppScanner, RangesItNeverProducesStartAsNormalCode)
{
    H hl;
    hl.RestoreRange(8);
    EXPECT_EQ(hl.CurrentRange(), H::rsNormal);
    hl.RestoreRange(RangeUnknown);
    hl.StartLine("*/ asm", 0);
    EXPECT_EQ(hl.KindOfToken(), H::tkSymbol);
    hl.ScanToLineEnd();
    EXPECT_EQ(hl.CurrentRange(), H::rsAsm);
    hl.RestoreRange(H::rsAsmBlock);
    hl.ClearRange();
    EXPECT_EQ(hl.CurrentRange(), H::rsNormal);
}

TEST(HighlighterCppScanner, VeryLongLinesScanInFewTokens)
{
    const std::string code
        = std::string(200000, 'a') + " " + std::string(200000, '1') + "/*" + std::string(100000, '*');
    H hl;
    auto tokens = ScanLine(hl, code, H::rsNormal);
    ASSERT_EQ(tokens.size(), 4u);
    EXPECT_EQ(tokens[3].Kind, H::tkComment);
    EXPECT_EQ(hl.CurrentRange(), H::rsComment);
}
