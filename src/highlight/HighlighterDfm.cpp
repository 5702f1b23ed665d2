#include "highlight/HighlighterDfm.h"

#include "highlight/FormStream.h"
#include "text/QuillEditTextBuffer.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace quillan {

namespace {

enum : std::uint8_t {
    cIdent = 1 << 0, // 0-9 A-Z a-z _
    cSpace = 1 << 1, // 1-9, 11, 12, 14-32: not NUL, LF or CR
    cHex = 1 << 2,
    cDigit = 1 << 3,
    cNumber = 1 << 4, // what a number runs over before its "."
};

enum TDispatch : std::uint8_t {
    dUnknown,
    dLF,
    dCR,
    dSpace,
    dIdent,
    dE,
    dO,
    dNumber,
    dHex,
    dCharCode,
    dString,
    dSymbol,
    dBraceOpen,
    dBraceClose,
};

struct TTables {
    std::uint8_t Class[256] {};
    std::uint8_t Dispatch[256] {};
};

constexpr TTables MakeTables()
{
    TTables t;
    for (int c = 0; c < 256; ++c) {
        std::uint8_t k = 0;
        const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        const bool digit = c >= '0' && c <= '9';
        if (letter || digit || c == '_')
            k |= cIdent;
        if (c >= 1 && c <= 32 && c != 10 && c != 13)
            k |= cSpace;
        if (digit || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'))
            k |= cHex;
        if (digit)
            k |= cDigit;
        if (digit || c == 'E' || c == 'e')
            k |= cNumber;
        t.Class[c] = k;

        TDispatch d = dUnknown;
        if (c == 10)
            d = dLF;
        else if (c == 13)
            d = dCR;
        else if (k & cSpace)
            d = dSpace;
        else if (c == 'E' || c == 'e')
            d = dE;
        else if (c == 'O' || c == 'o')
            d = dO;
        else if (letter || c == '_')
            d = dIdent;
        else if (digit)
            d = dNumber;
        else if (c == '$')
            d = dHex;
        else if (c == '#')
            d = dCharCode;
        else if (c == '\'')
            d = dString;
        else if (c == '{')
            d = dBraceOpen;
        else if (c == '}')
            d = dBraceClose;
        else if (c == '(' || c == ')' || c == ',' || c == '.' || c == '/' || c == '<' || c == '=' || c == '>'
            || c == '[' || c == ']')
            d = dSymbol;
        t.Dispatch[c] = d;
    }
    return t;
}

constexpr TTables kTables = MakeTables();

bool Is(unsigned char c, std::uint8_t mask)
{
    return kTables.Class[c] & mask;
}

unsigned char Lower(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') ? c + 32 : c;
}

} // namespace

TDfmHighlighter::TDfmHighlighter()
{
    FCommentAttri.Bind(AddAttribute("Comment"));
    FCommentAttri->SetStyle(fsItalic);
    FIdentifierAttri.Bind(AddAttribute("Identifier"));
    FKeyAttri.Bind(AddAttribute("Key"));
    FKeyAttri->SetStyle(fsBold);
    FNumberAttri.Bind(AddAttribute("Number"));
    FSpaceAttri.Bind(AddAttribute("Space"));
    FStringAttri.Bind(AddAttribute("String"));
    FSymbolAttri = AddAttribute("Symbol");
    BindAttributeChanges();
    FRange = rsUnknown;
    TCustomHighlighter::SetDefaultFilter(SDfmDefaultFilter);
}

THighlighterAttributes* TDfmHighlighter::StandardAttribute(int kind) const
{
    return PickStandardAttribute(kind, FCommentAttri, FIdentifierAttri, FKeyAttri, FStringAttri, FSpaceAttri);
}

TCharSet TDfmHighlighter::WordChars() const
{
    return TCharSet::Alphanumeric(true);
}

unsigned TDfmHighlighter::FeatureFlags() const
{
    return hcRegistry;
}

std::string_view TDfmHighlighter::LanguageTitle() const
{
    return SDfmLanguageTitle;
}

// The window's stored design gives this highlighter no colours of its own (the main window shares
// the Pascal ones instead), only the filter text it was constructed with.
void TDfmHighlighter::ApplyDesignValues()
{
    SetDefaultFilter(SDfmDefaultFilter);
}

THighlighterAttributes* TDfmHighlighter::AttributeOfToken() const
{
    switch (FTokenKind) {
    case tkComment:
        return FCommentAttri;
    case tkIdentifier:
    case tkUnknown:
        return FIdentifierAttri;
    case tkKey:
        return FKeyAttri;
    case tkNumber:
        return FNumberAttri;
    case tkSpace:
        return FSpaceAttri;
    case tkString:
        return FStringAttri;
    case tkSymbol:
        return FSymbolAttri;
    default:
        return nullptr;
    }
}

void TDfmHighlighter::RestoreRange(TRangeState value)
{
    FRange = value == rsComment ? std::uint8_t(rsComment) : std::uint8_t(rsUnknown);
}

void TDfmHighlighter::StartLine(std::string_view text, int lineIndex)
{
    SetLine(text, lineIndex);
    FResumeString = false;
    Next();
}

void TDfmHighlighter::Advance()
{
    Next();
}

// Overridden so that a full rescan costs no virtual call per token.
void TDfmHighlighter::ScanToLineEnd()
{
    while (FTokenKind != tkNull)
        Next();
}

// The block runs to the first "}", which it includes, or to the end of the line, which keeps it
// open. A NUL stops it short; the NUL is a token of its own and the block goes on after it.
void TDfmHighlighter::BlockBody(std::size_t from)
{
    const unsigned char* p = Text();
    std::size_t i = from;
    while (i < FLineLen && p[i] != '}' && p[i] != 0)
        ++i;
    if (i < FLineLen && p[i] == '}') {
        ++i;
        FRange = rsUnknown;
    }
    FRun = i;
    FTokenKind = tkComment;
}

// Up to the closing quote; a doubled quote does not close. The line end leaves the string open,
// and it does not carry over to the next line.
void TDfmHighlighter::StringBody(std::size_t from)
{
    const unsigned char* p = Text();
    std::size_t i = from;
    FResumeString = false;
    for (;;) {
        while (i < FLineLen && p[i] != '\'' && p[i] != 0)
            ++i;
        if (i >= FLineLen)
            break;
        if (p[i] == 0) {
            FResumeString = true;
            break;
        }
        if (i + 1 < FLineLen && p[i + 1] == '\'') {
            i += 2;
            continue;
        }
        ++i;
        break;
    }
    FRun = i;
    FTokenKind = tkString;
}

void TDfmHighlighter::Next()
{
    FTokenPos = FRun;
    const std::size_t n = FLineLen;
    if (FRun >= n) {
        FTokenKind = tkNull;
        return;
    }
    const unsigned char* p = Text();
    const unsigned char c = p[FRun];
    // Lines are byte strings that may hold NULs; each is an illegal character of its own rather
    // than an early line end, so that the rest of the line is still drawn.
    if (c == 0) {
        ++FRun;
        FTokenKind = tkUnknown;
        return;
    }
    if (FResumeString) {
        StringBody(FRun);
        return;
    }
    if (FRange == rsComment) {
        BlockBody(FRun);
        return;
    }
    std::size_t i = FRun + 1;
    switch (kTables.Dispatch[c]) {
    case dLF:
        FTokenKind = tkSpace;
        break;
    case dCR:
        if (i < n && p[i] == 10)
            ++i;
        FTokenKind = tkSpace;
        break;
    case dSpace:
        while (i < n && Is(p[i], cSpace))
            ++i;
        FTokenKind = tkSpace;
        break;
    case dE:
    case dO:
    case dIdent: {
        // "end" and "object" in any letter case, when no identifier character follows.
        const std::string_view rest = kTables.Dispatch[c] == dE ? "nd" : kTables.Dispatch[c] == dO ? "bject" : "";
        std::size_t k = 0;
        while (k < rest.size() && i + k < n && Lower(p[i + k]) == static_cast<unsigned char>(rest[k]))
            ++k;
        if (!rest.empty() && k == rest.size() && (i + k >= n || !Is(p[i + k], cIdent))) {
            i += k;
            FTokenKind = tkKey;
            break;
        }
        while (i < n && Is(p[i], cIdent))
            ++i;
        FTokenKind = tkIdentifier;
        break;
    }
    case dNumber:
        while (i < n) {
            if (Is(p[i], cNumber)) {
                ++i;
            } else {
                // "1..5" is a range, not a fraction: a "." before another "." stays outside.
                if (p[i] == '.' && !(i + 1 < n && p[i + 1] == '.'))
                    ++i;
                break;
            }
        }
        FTokenKind = tkNumber;
        break;
    case dHex:
        while (i < n && Is(p[i], cHex))
            ++i;
        FTokenKind = tkNumber;
        break;
    case dCharCode:
        while (i < n && Is(p[i], cDigit))
            ++i;
        FTokenKind = tkString;
        break;
    case dString:
        StringBody(i);
        return;
    case dSymbol:
        FTokenKind = tkSymbol;
        break;
    case dBraceOpen:
        FRange = rsComment;
        BlockBody(i);
        return;
    case dBraceClose:
        FRange = rsUnknown;
        FTokenKind = tkIdentifier;
        break;
    default:
        FTokenKind = tkUnknown;
        break;
    }
    FRun = i;
}

} // namespace quillan
