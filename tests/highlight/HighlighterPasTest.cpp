#include "highlight/HighlighterPas.h"

#include "HighlighterTestUtil.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace quillan;
using P = TPasHighlighter;

namespace {

struct Tok {
    std::string Text;
    int Kind;
    friend bool operator==(const Tok&, const Tok&) = default;
};

std::ostream& operator<<(std::ostream& os, const Tok& t)
{
    return os << "{\"" << t.Text << "\", " << t.Kind << "}";
}

struct Scanned {
    std::vector<Tok> Tokens;
    TRangeState End;
};

Scanned Scan(P& hl, std::string_view text, TRangeState start = P::rsNormal)
{
    Scanned s;
    for (const testutil::TToken& t : testutil::ScanLine(hl, text, start, &s.End))
        s.Tokens.push_back({ t.Text, t.Kind });
    return s;
}

// Kinds of the non-space tokens only, which is what most rules are about.
std::vector<Tok> Words(P& hl, std::string_view text, TRangeState start = P::rsNormal)
{
    std::vector<Tok> out;
    for (Tok& t : Scan(hl, text, start).Tokens)
        if (t.Kind != P::tkSpace)
            out.push_back(std::move(t));
    return out;
}

} // namespace

TEST(HighlighterPas, KeywordsIgnoreCaseButNotTrailingDigitsOrUnderscores)
{
    P hl;
    for (const char* w : { "begin", "BEGIN", "Begin", "bEgIn", "resourcestring", "Stringresource", "Implementation",
             "constructor", "if", "xor" })
        EXPECT_EQ(Scan(hl, w).Tokens, (std::vector<Tok> { { w, P::tkKey } })) << w;
    for (const char* w : { "Begin1", "begin_", "End1", "_begin", "beginx", "Integer", "ifs", "i", "Q", "x1y2" })
        EXPECT_EQ(Scan(hl, w).Tokens, (std::vector<Tok> { { w, P::tkIdentifier } })) << w;
    // Words sharing a keyword's hash and length but not its letters.
    EXPECT_EQ(Scan(hl, "Fi").Tokens, (std::vector<Tok> { { "Fi", P::tkIdentifier } }));
    EXPECT_EQ(Scan(hl, "ne").Tokens, (std::vector<Tok> { { "ne", P::tkIdentifier } }));
}

TEST(HighlighterPas, PropertyDeclarationKeywordsLastUntilSemicolonEndOrComment)
{
    P hl;
    EXPECT_EQ(Words(hl, "property X: Integer read FX write FX; read write"),
        (std::vector<Tok> { { "property", P::tkKey }, { "X", P::tkIdentifier }, { ":", P::tkSymbol },
            { "Integer", P::tkIdentifier }, { "read", P::tkKey }, { "FX", P::tkIdentifier }, { "write", P::tkKey },
            { "FX", P::tkIdentifier }, { ";", P::tkSymbol }, { "read", P::tkIdentifier },
            { "write", P::tkIdentifier } }));

    // A declaration spread over lines keeps the rule on the next line.
    const Scanned first = Scan(hl, "property Items[Index: Integer]: TItem");
    EXPECT_EQ(first.End, P::rsProperty);
    for (const Tok& t : Words(hl, "index stored nodefault readonly writeonly", first.End))
        EXPECT_EQ(t.Kind, P::tkKey) << t.Text;
    for (const Tok& t : Words(hl, "index stored nodefault readonly writeonly"))
        EXPECT_EQ(t.Kind, P::tkIdentifier) << t.Text;

    EXPECT_EQ(Scan(hl, "property end read").Tokens.back(), (Tok { "read", P::tkIdentifier }));
    // Closing a comment always returns to the normal range, so it ends the declaration too.
    EXPECT_EQ(Words(hl, "property X {c} read"),
        (std::vector<Tok> { { "property", P::tkKey }, { "X", P::tkIdentifier }, { "{c}", P::tkComment },
            { "read", P::tkIdentifier } }));
    const Scanned open = Scan(hl, "property X (* note");
    EXPECT_EQ(open.End, P::rsAnsi);
    EXPECT_EQ(Words(hl, "*) read", open.End).back(), (Tok { "read", P::tkIdentifier }));
}

TEST(HighlighterPas, D4syntaxControlsTheNewerWords)
{
    P hl;
    EXPECT_TRUE(hl.D4syntax());
    EXPECT_EQ(Words(hl, "overload Reintroduce implements")[0].Kind, P::tkKey);
    EXPECT_EQ(Words(hl, "overload Reintroduce implements")[1].Kind, P::tkKey);
    EXPECT_EQ(Words(hl, "overload Reintroduce implements")[2].Kind, P::tkIdentifier);
    EXPECT_EQ(Words(hl, "implements", P::rsProperty)[0].Kind, P::tkKey);

    int notified = 0;
    hl.HookAttributeChange(&notified, [&](TCustomHighlighter&) { ++notified; });
    hl.SetD4syntax(false);
    hl.SetD4syntax(false);
    EXPECT_EQ(notified, 1);
    for (const Tok& t : Words(hl, "overload Reintroduce"))
        EXPECT_EQ(t.Kind, P::tkIdentifier) << t.Text;
    EXPECT_EQ(Words(hl, "implements", P::rsProperty)[0].Kind, P::tkIdentifier);
    EXPECT_EQ(Words(hl, "read", P::rsProperty)[0].Kind, P::tkKey);
    hl.UnhookAttributeChange(&notified);
}

TEST(HighlighterPas, AsmBlockMapsTokensToAssemblerUntilEnd)
{
    P hl;
    const Scanned line = Scan(hl, "asm mov eax, 1 end;");
    EXPECT_EQ(line.Tokens,
        (std::vector<Tok> { { "asm", P::tkKey }, { " ", P::tkSpace }, { "mov", P::tkAsm }, { " ", P::tkSpace },
            { "eax", P::tkAsm }, { ",", P::tkAsm }, { " ", P::tkSpace }, { "1", P::tkAsm }, { " ", P::tkSpace },
            { "end", P::tkKey }, { ";", P::tkSymbol } }));
    EXPECT_EQ(line.End, P::rsNormal);
    const auto drawn = testutil::ScanLine(hl, "asm mov eax, 1 end;", P::rsNormal);
    EXPECT_EQ(drawn[0].Attr, "Reserved word");
    EXPECT_EQ(drawn[2].Attr, "Assembler");
    EXPECT_EQ(drawn[5].Attr, "Assembler");
    EXPECT_EQ(drawn[6].Attr, "Space");
    EXPECT_EQ(drawn[9].Attr, "Reserved word");

    // The block spans lines; comments inside it return to it and are not drawn as assembler.
    EXPECT_EQ(Scan(hl, "asm").End, P::rsAsm);
    EXPECT_EQ(Words(hl, "push ebx { save", P::rsAsm),
        (std::vector<Tok> { { "push", P::tkAsm }, { "ebx", P::tkAsm }, { "{ save", P::tkComment } }));
    EXPECT_EQ(Scan(hl, "{ save", P::rsAsm).End, P::rsBorAsm);
    const Scanned closed = Scan(hl, "it } pop ebx", P::rsBorAsm);
    EXPECT_EQ(closed.End, P::rsAsm);
    EXPECT_EQ(closed.Tokens[0], (Tok { "it }", P::tkComment }));
    EXPECT_EQ(closed.Tokens[2], (Tok { "pop", P::tkAsm }));
    EXPECT_EQ(Scan(hl, "(* x", P::rsAsm).End, P::rsAnsiAsm);
    EXPECT_EQ(Words(hl, "y *) ret // done", P::rsAnsiAsm),
        (std::vector<Tok> { { "y *)", P::tkComment }, { "ret", P::tkAsm }, { "// done", P::tkComment } }));
    EXPECT_EQ(Words(hl, "| 'x' $F", P::rsAsm),
        (std::vector<Tok> { { "|", P::tkAsm }, { "'x'", P::tkAsm }, { "$F", P::tkAsm } }));
    const Scanned ended = Scan(hl, "  END", P::rsAsm);
    EXPECT_EQ(ended.Tokens.back(), (Tok { "END", P::tkKey }));
    EXPECT_EQ(ended.End, P::rsNormal);
}

TEST(HighlighterPas, CommentsOfEachFormAcrossLines)
{
    P hl;
    Scanned s = Scan(hl, "x := 1; { comment");
    EXPECT_EQ(s.Tokens.back(), (Tok { "{ comment", P::tkComment }));
    EXPECT_EQ(s.End, P::rsBor);
    EXPECT_EQ(Scan(hl, "", P::rsBor).End, P::rsBor);
    EXPECT_EQ(Scan(hl, "  still (* here *) ", P::rsBor).End, P::rsBor);
    s = Scan(hl, "done } y", P::rsBor);
    EXPECT_EQ(
        s.Tokens, (std::vector<Tok> { { "done }", P::tkComment }, { " ", P::tkSpace }, { "y", P::tkIdentifier } }));
    EXPECT_EQ(s.End, P::rsNormal);

    EXPECT_EQ(
        Words(hl, "(* a { b *) c"), (std::vector<Tok> { { "(* a { b *)", P::tkComment }, { "c", P::tkIdentifier } }));
    EXPECT_EQ(
        Words(hl, "{ a (* b } c"), (std::vector<Tok> { { "{ a (* b }", P::tkComment }, { "c", P::tkIdentifier } }));
    s = Scan(hl, "(*");
    EXPECT_EQ(s.Tokens, (std::vector<Tok> { { "(*", P::tkComment } }));
    EXPECT_EQ(s.End, P::rsAnsi);
    // The closing "*)" cannot reuse the opening star.
    EXPECT_EQ(Scan(hl, "(*)").End, P::rsAnsi);
    EXPECT_EQ(Scan(hl, "**)", P::rsAnsi).Tokens, (std::vector<Tok> { { "**)", P::tkComment } }));
    EXPECT_EQ(Scan(hl, "* )", P::rsAnsi).End, P::rsAnsi);
    EXPECT_EQ(Scan(hl, "{}").End, P::rsNormal);

    s = Scan(hl, "a // b { c");
    EXPECT_EQ(s.Tokens.back(), (Tok { "// b { c", P::tkComment }));
    EXPECT_EQ(s.End, P::rsNormal);
    EXPECT_EQ(Words(hl, "a / b (. c .) @@d"),
        (std::vector<Tok> { { "a", P::tkIdentifier }, { "/", P::tkSymbol }, { "b", P::tkIdentifier },
            { "(.", P::tkSymbol }, { "c", P::tkIdentifier }, { ".)", P::tkSymbol }, { "@@", P::tkSymbol },
            { "d", P::tkIdentifier } }));
}

TEST(HighlighterPas, StringsNumbersAndCharacterCodes)
{
    P hl;
    EXPECT_EQ(Words(hl, "'It''s' ''''"), (std::vector<Tok> { { "'It''s'", P::tkString }, { "''''", P::tkString } }));
    const Scanned open = Scan(hl, "s := 'open");
    EXPECT_EQ(open.Tokens.back(), (Tok { "'open", P::tkString }));
    EXPECT_EQ(open.End, P::rsNormal);
    EXPECT_EQ(Scan(hl, "'a''").Tokens, (std::vector<Tok> { { "'a''", P::tkString } }));

    EXPECT_EQ(Words(hl, "#13#10 #$0D $FF $fG"),
        (std::vector<Tok> { { "#13", P::tkString }, { "#10", P::tkString }, { "#", P::tkString },
            { "$0D", P::tkNumber }, { "$FF", P::tkNumber }, { "$f", P::tkNumber }, { "G", P::tkIdentifier } }));
    EXPECT_EQ(Words(hl, "1..10 1.5E3 1E-5 3."),
        (std::vector<Tok> { { "1", P::tkNumber }, { "..", P::tkSymbol }, { "10", P::tkNumber },
            { "1.5E3", P::tkNumber }, { "1E", P::tkNumber }, { "-", P::tkSymbol }, { "5", P::tkNumber },
            { "3.", P::tkNumber } }));
}

TEST(HighlighterPas, IllegalBytesAreUnknownTokensDrawnAsSymbols)
{
    P hl;
    hl.StartLine("a|\x7F\x80\xFF", 0);
    ASSERT_EQ(hl.KindOfToken(), P::tkIdentifier);
    for (int i = 0; i < 4; ++i) {
        hl.Advance();
        EXPECT_EQ(hl.KindOfToken(), P::tkUnknown);
        EXPECT_EQ(hl.TokenText().size(), 1u);
        EXPECT_EQ(hl.AttributeOfToken(), hl.SymbolAttri());
    }
}

// A NUL is an illegal byte in the middle of the line, not its end: it is a token of its own and
// whatever it interrupted goes on after it.
TEST(HighlighterPas, NulBytesInterruptButDoNotEndTheLine)
{
    using namespace std::string_view_literals;
    P hl;
    EXPECT_EQ(Scan(hl, "a\0b"sv).Tokens,
        (std::vector<Tok> {
            { "a", P::tkIdentifier }, { std::string(1, '\0'), P::tkUnknown }, { "b", P::tkIdentifier } }));
    EXPECT_EQ(Scan(hl, "'a\0\0b' c"sv).Tokens,
        (std::vector<Tok> { { "'a", P::tkString }, { std::string(1, '\0'), P::tkUnknown },
            { std::string(1, '\0'), P::tkUnknown }, { "b'", P::tkString }, { " ", P::tkSpace },
            { "c", P::tkIdentifier } }));
    EXPECT_EQ(Scan(hl, "// x\0y"sv).Tokens,
        (std::vector<Tok> { { "// x", P::tkComment }, { std::string(1, '\0'), P::tkUnknown }, { "y", P::tkComment } }));
    const Scanned bor = Scan(hl, "{ x\0y"sv);
    EXPECT_EQ(bor.Tokens.back(), (Tok { "y", P::tkComment }));
    EXPECT_EQ(bor.End, P::rsBor);
    EXPECT_EQ(Scan(hl, "\0} z"sv, P::rsBor).End, P::rsNormal);
    // A line break byte after the NUL ends the string for good.
    EXPECT_EQ(Scan(hl, "'a\0\nb"sv).Tokens.back(), (Tok { "b", P::tkIdentifier }));
    EXPECT_EQ(Scan(hl, "\0"sv).Tokens, (std::vector<Tok> { { std::string(1, '\0'), P::tkUnknown } }));
}

TEST(HighlighterPas, LineBreakBytesInsideALineAreSpace)
{
    P hl;
    EXPECT_EQ(Scan(hl, "a\r\nb\rc\n\n").Tokens,
        (std::vector<Tok> { { "a", P::tkIdentifier }, { "\r\n", P::tkSpace }, { "b", P::tkIdentifier },
            { "\r", P::tkSpace }, { "c", P::tkIdentifier }, { "\n", P::tkSpace }, { "\n", P::tkSpace } }));
    // They end a string or a line comment but not a comment that carries a range.
    EXPECT_EQ(Scan(hl, "'s\rx").Tokens.back(), (Tok { "x", P::tkIdentifier }));
    EXPECT_EQ(Scan(hl, "// s\rx").Tokens.back(), (Tok { "x", P::tkIdentifier }));
    const Scanned bor = Scan(hl, "{ s\rx");
    EXPECT_EQ(bor.Tokens.back(), (Tok { "x", P::tkComment }));
    EXPECT_EQ(bor.End, P::rsBor);
    EXPECT_EQ(Scan(hl, "\t \x01\x1F x").Tokens[0], (Tok { "\t \x01\x1F ", P::tkSpace }));
}

TEST(HighlighterPas, ForeignRangeValuesScanAsNormal)
{
    P hl;
    for (TRangeState r : { TRangeState(0), TRangeState(8), TRangeState(255), RangeUnknown }) {
        const Scanned s = Scan(hl, "read x", r);
        EXPECT_EQ(s.Tokens[0].Kind, P::tkIdentifier);
        EXPECT_EQ(s.End, P::rsNormal);
        EXPECT_EQ(Scan(hl, "", r).End, P::rsNormal);
    }
    hl.RestoreRange(P::rsAsm);
    hl.ClearRange();
    EXPECT_EQ(hl.CurrentRange(), P::rsNormal);
}
