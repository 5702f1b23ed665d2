#include "highlight/HighlighterHTML.h"

#include "base/AsciiCase.h"
#include "highlight/HighlighterHTMLTables.h"

#include <algorithm>
#include <array>

namespace quillan {

namespace {

using namespace htmltables;

// How a byte starts a token inside a tag (ranges other than text, comment and script).
enum TByteClass : std::uint8_t { bcWord, bcNull, bcLF, bcCR, bcSpace, bcLower, bcGreater, bcEqual, bcQuote, bcAmp };

constexpr std::array<std::uint8_t, 256> MakeByteClass()
{
    std::array<std::uint8_t, 256> t {};
    for (unsigned c = 1; c <= 32; ++c)
        t[c] = bcSpace;
    t[0] = bcNull;
    t['\n'] = bcLF;
    t['\r'] = bcCR;
    t['<'] = bcLower;
    t['>'] = bcGreater;
    t['='] = bcEqual;
    t['"'] = bcQuote;
    t['&'] = bcAmp;
    return t;
}
constexpr auto ByteClass = MakeByteClass();

// Bytes that continue a Space token: a tab starts one but does not continue it.
constexpr std::array<bool, 256> MakeSpaceContinues()
{
    std::array<bool, 256> t {};
    for (unsigned c = 1; c <= 32; ++c)
        t[c] = c != 9 && c != 10 && c != 13;
    return t;
}
constexpr auto SpaceContinues = MakeSpaceContinues();

// Bytes that end a run of text or need a closer look ("&").
constexpr std::array<bool, 256> MakeTextStop()
{
    std::array<bool, 256> t {};
    for (unsigned c = 0; c < 32; ++c)
        t[c] = true;
    t['<'] = true;
    t['&'] = true;
    return t;
}
constexpr auto TextStop = MakeTextStop();

// Ends of an attribute name or other word inside a tag.
constexpr std::array<bool, 256> MakeIdentStop()
{
    std::array<bool, 256> t {};
    for (unsigned c = 0; c <= 32; ++c)
        t[c] = true;
    t['"'] = true;
    t['='] = true;
    t['>'] = true;
    return t;
}
constexpr auto IdentStop = MakeIdentStop();

// Bytes at which comments, server script and quoted strings stop: the old line terminators.
constexpr bool EndsBlockToken(unsigned char c)
{
    return c == 0 || c == '\n' || c == '\r';
}

inline unsigned char At(const char* line, std::size_t i)
{
    return static_cast<unsigned char>(line[i]);
}

} // namespace

unsigned THTMLHighlighter::TagHash(std::string_view name, std::size_t& length)
{
    std::size_t i = 0;
    unsigned long long hash = 0;
    while (i < name.size() && TagCharValue[static_cast<unsigned char>(name[i])] != 0) {
        hash += TagCharValue[static_cast<unsigned char>(name[i])];
        ++i;
    }
    while (i < name.size() && IsDigit(static_cast<unsigned char>(name[i]))) {
        hash += static_cast<unsigned>(name[i] - '0');
        ++i;
    }
    length = i;
    return hash >= TagSlots ? TagSlots : static_cast<unsigned>(hash);
}

bool THTMLHighlighter::IsKnownTag(std::string_view name)
{
    std::size_t length = 0;
    const unsigned hash = TagHash(name, length);
    return length == name.size() && hash < TagSlots && TagInSlot(hash, name.data(), length);
}

int THTMLHighlighter::MatchEntity(std::string_view text)
{
    if (text.size() < 2 || text[0] != '&')
        return -1;
    const unsigned char c = AsciiLower(static_cast<unsigned char>(text[1]));
    for (unsigned k = EntityGroups.Start[c]; k < EntityGroups.Start[c + 1]; ++k)
        if (EntityAt(text, Entities[EntityGroups.Index[k]]))
            return EntityGroups.Index[k];
    return -1;
}

std::string_view THTMLHighlighter::EntityText(int index)
{
    return index >= 0 && index < EntityCount() ? Entities[static_cast<std::size_t>(index)] : std::string_view();
}

int THTMLHighlighter::EntityCount()
{
    return static_cast<int>(Entities.size());
}

THTMLHighlighter::THTMLHighlighter()
{
    FASPAttri.Bind(AddAttribute("Asp"));
    FASPAttri->SetColors(0x000000, 0x00FFFF, 0);
    FCommentAttri.Bind(AddAttribute("Comment"));
    FIdentifierAttri.Bind(AddAttribute("Identifier"));
    FIdentifierAttri->SetStyle(fsBold);
    FKeyAttri.Bind(AddAttribute("Reserved word"));
    FKeyAttri->SetColors(0xFF0080, clNone, fsBold);
    FSpaceAttri.Bind(AddAttribute("Space"));
    FSymbolAttri.Bind(AddAttribute("Symbol"));
    FSymbolAttri->SetStyle(fsBold);
    FTextAttri.Bind(AddAttribute("Text"));
    FUndefKeyAttri.Bind(AddAttribute("Unknown word"));
    FUndefKeyAttri->SetColors(0x0000FF, clNone, fsBold);
    FValueAttri.Bind(AddAttribute("Value"));
    FValueAttri->SetForeground(0xFF8000);
    FAndAttri.Bind(AddAttribute("Escape ampersand"));
    FAndAttri->SetColors(0x00FF00, clNone, fsBold);
    BindAttributeChanges();
    FRange = rsText;
    FTokenKind = tkNull;
    SetDefaultFilter(SHTMLDefaultFilter);
}

void THTMLHighlighter::ApplyDesignValues()
{
    FAndAttri->SetColors(0x0080FF, clNone, fsBold);
    FCommentAttri->SetColors(0x800000, clNone, fsItalic);
    FIdentifierAttri->SetColors(0x000000, clNone, fsBold);
    FSymbolAttri->SetColors(0x0000FF, clNone, fsBold);
    FTextAttri->SetForeground(0x000000);
}

THighlighterAttributes* THTMLHighlighter::StandardAttribute(int kind) const
{
    return PickStandardAttribute(kind, FCommentAttri, FIdentifierAttri, FKeyAttri, nullptr, FSpaceAttri);
}

TCharSet THTMLHighlighter::WordChars() const
{
    return TCharSet::Alphanumeric(false);
}

std::string_view THTMLHighlighter::LanguageTitle() const
{
    return SHTMLLanguageTitle;
}

THighlighterAttributes* THTMLHighlighter::AttributeOfToken() const
{
    switch (FTokenKind) {
    case tkAmpersand:
        return FAndAttri;
    case tkASP:
        return FASPAttri;
    case tkComment:
        return FCommentAttri;
    case tkIdentifier:
        return FIdentifierAttri;
    case tkKey:
        return FKeyAttri;
    case tkSpace:
        return FSpaceAttri;
    case tkString:
    case tkValue:
        return FValueAttri;
    case tkSymbol:
        return FSymbolAttri;
    case tkText:
        return FTextAttri;
    case tkUndefKey:
        return FUndefKeyAttri;
    default:
        return nullptr;
    }
}

void THTMLHighlighter::RestoreRange(TRangeState value)
{
    switch (value) {
    case rsAmpersand:
    case rsASP:
    case rsComment:
    case rsKey:
    case rsParam:
    case rsText:
    case rsValue:
        FRange = static_cast<TRange>(value);
        break;
    default:
        // Never produced by this scanner; treat it as the start of a page.
        FRange = rsText;
        break;
    }
}

void THTMLHighlighter::StartLine(std::string_view text, int lineIndex)
{
    SetLine(text, lineIndex);
    // An entity found on an abandoned line must not leak into this one, and the first token has
    // no previous kind to keep.
    FEntityIndex = -1;
    FTokenKind = tkNull;
    Next();
}

void THTMLHighlighter::ScanToLineEnd()
{
    while (FTokenKind != tkNull)
        Next();
}

void THTMLHighlighter::Next()
{
    FTokenPos = FRun;
    if (FRun >= FLineLen) {
        FTokenKind = tkNull;
        return;
    }
    switch (FRange) {
    case rsText:
        TextProc();
        break;
    case rsASP:
        ASPProc();
        break;
    case rsComment:
        CommentProc();
        break;
    default:
        ByteProc();
        break;
    }
}

void THTMLHighlighter::ByteProc()
{
    switch (ByteClass[At(FLine, FRun)]) {
    case bcNull:
        // A NUL is an ordinary byte of the line, not its end.
        ++FRun;
        FTokenKind = tkText;
        break;
    case bcLF:
        ++FRun;
        FTokenKind = tkSpace;
        break;
    case bcCR:
        ++FRun;
        if (FRun < FLineLen && FLine[FRun] == '\n')
            ++FRun;
        FTokenKind = tkSpace;
        break;
    case bcSpace:
        SpaceProc();
        break;
    case bcLower:
        LowerProc();
        break;
    case bcGreater:
        ++FRun;
        FTokenKind = tkSymbol;
        FRange = rsText;
        break;
    case bcEqual:
        ++FRun;
        FTokenKind = tkSymbol;
        FRange = rsValue;
        break;
    case bcQuote:
        StringProc();
        break;
    case bcAmp:
        AmpersandProc();
        break;
    default:
        WordProc();
        break;
    }
}

void THTMLHighlighter::SpaceProc()
{
    const char* line = FLine;
    std::size_t run = FRun + 1;
    while (run < FLineLen && SpaceContinues[At(line, run)])
        ++run;
    FRun = run;
    FTokenKind = tkSpace;
}

void THTMLHighlighter::LowerProc()
{
    const std::size_t rest = FLineLen - FRun;
    if (rest >= 4 && FLine[FRun + 1] == '!' && FLine[FRun + 2] == '-' && FLine[FRun + 3] == '-') {
        FRun += 4;
        FTokenKind = tkComment;
        FRange = rsComment;
    } else if (rest >= 2 && FLine[FRun + 1] == '%') {
        FRun += 2;
        FTokenKind = tkASP;
        FRange = rsASP;
    } else {
        ++FRun;
        FTokenKind = tkSymbol;
        FRange = rsKey;
    }
}

void THTMLHighlighter::StringProc()
{
    if (FRange == rsValue) {
        FTokenKind = tkValue;
        FRange = rsParam;
    } else {
        FTokenKind = tkString;
    }
    const char* line = FLine;
    const std::size_t len = FLineLen;
    std::size_t run = FRun + 1;
    while (run < len) {
        const unsigned char c = At(line, run);
        if (EndsBlockToken(c))
            break;
        ++run;
        if (c == '"')
            break;
    }
    FRun = run;
}

void THTMLHighlighter::AmpersandProc()
{
    if (FEntityIndex >= 0) {
        FTokenKind = tkAmpersand;
        FRun = std::min(FLineLen, FRun + Entities[static_cast<std::size_t>(FEntityIndex)].size());
    } else if (FTokenKind == tkNull) {
        // The empty token keeps the previous token's kind, but at the start of a line that kind
        // is Line end, which would end the line here and hide the rest of it.
        FTokenKind = tkText;
    }
    FEntityIndex = -1;
    FRange = rsText;
}

void THTMLHighlighter::WordProc()
{
    if (FRange == rsKey) {
        TagNameProc();
        return;
    }
    const char* line = FLine;
    const std::size_t len = FLineLen;
    std::size_t run = FRun + 1;
    if (FRange == rsValue) {
        FRange = rsParam;
        FTokenKind = tkValue;
        while (run < len && At(line, run) > 32 && line[run] != '>')
            ++run;
    } else {
        FTokenKind = tkIdentifier;
        while (run < len && !IdentStop[At(line, run)])
            ++run;
    }
    FRun = run;
}

void THTMLHighlighter::TagNameProc()
{
    std::size_t length = 0;
    const unsigned hash = TagHash(std::string_view(FLine + FRun, FLineLen - FRun), length);
    FRange = rsParam;
    if (hash >= TagSlots)
        FTokenKind = tkIdentifier;
    else
        FTokenKind = TagInSlot(hash, FLine + FRun, length) ? tkKey : tkUndefKey;
    FRun += length;
}

void THTMLHighlighter::TextProc()
{
    const unsigned char first = At(FLine, FRun);
    if (first < 32 || first == '<') {
        ByteProc();
        return;
    }
    FTokenKind = tkText;
    const char* line = FLine;
    const std::size_t len = FLineLen;
    std::size_t run = FRun;
    for (;;) {
        while (run < len && !TextStop[At(line, run)])
            ++run;
        if (run >= len || line[run] != '&')
            break;
        const int entity = MatchEntity(std::string_view(line + run, len - run));
        if (entity >= 0) {
            // The text ends before the entity (possibly empty); the entity is the next token.
            FEntityIndex = entity;
            FRange = rsAmpersand;
            break;
        }
        ++run;
    }
    FRun = run;
}

void THTMLHighlighter::ASPProc()
{
    if (EndsBlockToken(At(FLine, FRun))) {
        ByteProc();
        return;
    }
    FTokenKind = tkASP;
    const char* line = FLine;
    const std::size_t len = FLineLen;
    std::size_t run = FRun;
    for (; run < len; ++run) {
        const unsigned char c = At(line, run);
        if (EndsBlockToken(c))
            break;
        if (c == '>' && run >= 1 && line[run - 1] == '%') {
            ++run;
            FRange = rsText;
            break;
        }
    }
    FRun = run;
}

void THTMLHighlighter::CommentProc()
{
    if (EndsBlockToken(At(FLine, FRun))) {
        ByteProc();
        return;
    }
    FTokenKind = tkComment;
    const char* line = FLine;
    const std::size_t len = FLineLen;
    std::size_t run = FRun;
    for (; run < len; ++run) {
        const unsigned char c = At(line, run);
        if (EndsBlockToken(c))
            break;
        if (c == '>' && run >= 2 && line[run - 1] == '-' && line[run - 2] == '-') {
            ++run;
            FRange = rsText;
            break;
        }
    }
    FRun = run;
}

} // namespace quillan
