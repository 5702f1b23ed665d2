#include "highlight/HighlighterPas.h"

#include <string_view>

namespace quillan {

namespace {

// Byte classes, one table lookup per byte in every run loop.
enum : std::uint16_t {
    cIdent = 1 << 0, // 0-9 A-Z a-z _
    cDigit = 1 << 1,
    cHex = 1 << 2,
    cSpace = 1 << 3, // control bytes and blank, except NUL, LF and CR
    cNumber = 1 << 4, // 0-9 E e .
    cStop = 1 << 5, // NUL, LF, CR: a comment or string token never runs over them
    cBorStop = 1 << 6, // cStop and '}'
    cAnsiStop = 1 << 7, // cStop and '*'
    cStringStop = 1 << 8, // cStop and the quote
    cDigitOrUnderscore = 1 << 9,
};

enum TDispatch : std::uint8_t {
    dSymbol,
    dUnknown,
    dLF,
    dCR,
    dSpace,
    dIdent,
    dNumber,
    dHex,
    dCharCode,
    dString,
    dBrace,
    dRoundOpen,
    dSlash,
    dColonOrGreater,
    dLower,
    dPoint,
    dAt,
    dSemicolon,
};

struct TTables {
    std::uint16_t Class[256] {};
    std::uint8_t Dispatch[256] {};
    // 1-26 for letters of either case, 0 otherwise: the keyword hash sums these.
    std::uint8_t LetterValue[256] {};
};

constexpr TTables MakeTables()
{
    TTables t;
    for (int c = 0; c < 256; ++c) {
        std::uint16_t k = 0;
        const bool upper = c >= 'A' && c <= 'Z';
        const bool lower = c >= 'a' && c <= 'z';
        const bool digit = c >= '0' && c <= '9';
        if (upper || lower || digit || c == '_')
            k |= cIdent;
        if (digit)
            k |= cDigit | cNumber;
        if (digit || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'))
            k |= cHex;
        if (c == 'E' || c == 'e' || c == '.')
            k |= cNumber;
        if (digit || c == '_')
            k |= cDigitOrUnderscore;
        const bool stop = c == 0 || c == 10 || c == 13;
        if (c >= 1 && c <= 32 && !stop)
            k |= cSpace;
        if (stop)
            k |= cStop | cBorStop | cAnsiStop | cStringStop;
        if (c == '}')
            k |= cBorStop;
        if (c == '*')
            k |= cAnsiStop;
        if (c == '\'')
            k |= cStringStop;
        t.Class[c] = k;
        t.LetterValue[c] = upper ? c - 'A' + 1 : lower ? c - 'a' + 1 : 0;

        TDispatch d = dSymbol;
        if (c == 0 || c == '|' || c >= 127)
            d = dUnknown;
        else if (c == 10)
            d = dLF;
        else if (c == 13)
            d = dCR;
        else if (k & cSpace)
            d = dSpace;
        else if (upper || lower || c == '_')
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
            d = dBrace;
        else if (c == '(')
            d = dRoundOpen;
        else if (c == '/')
            d = dSlash;
        else if (c == ':' || c == '>')
            d = dColonOrGreater;
        else if (c == '<')
            d = dLower;
        else if (c == '.')
            d = dPoint;
        else if (c == '@')
            d = dAt;
        else if (c == ';')
            d = dSemicolon;
        t.Dispatch[c] = d;
    }
    return t;
}

constexpr TTables kTables = MakeTables();

enum : std::uint8_t {
    kfPropertyOnly = 1, // a keyword only inside a property declaration
    kfD4 = 2, // a keyword only while D4syntax is on
    kfAsm = 4,
    kfEnd = 8,
    kfProperty = 16,
};

struct TKeyword {
    std::string_view Lower;
    std::uint8_t Flags;
};

constexpr TKeyword kKeywords[] = {
    { "absolute", 0 },
    { "abstract", 0 },
    { "and", 0 },
    { "array", 0 },
    { "as", 0 },
    { "asm", kfAsm },
    { "assembler", 0 },
    { "automated", 0 },
    { "begin", 0 },
    { "case", 0 },
    { "cdecl", 0 },
    { "class", 0 },
    { "const", 0 },
    { "constructor", 0 },
    { "default", 0 },
    { "destructor", 0 },
    { "dispid", 0 },
    { "dispinterface", 0 },
    { "div", 0 },
    { "do", 0 },
    { "downto", 0 },
    { "dynamic", 0 },
    { "else", 0 },
    { "end", kfEnd },
    { "except", 0 },
    { "export", 0 },
    { "exports", 0 },
    { "external", 0 },
    { "far", 0 },
    { "file", 0 },
    { "finalization", 0 },
    { "finally", 0 },
    { "for", 0 },
    { "forward", 0 },
    { "function", 0 },
    { "goto", 0 },
    { "if", 0 },
    { "implementation", 0 },
    { "in", 0 },
    { "inherited", 0 },
    { "initialization", 0 },
    { "inline", 0 },
    { "interface", 0 },
    { "is", 0 },
    { "label", 0 },
    { "library", 0 },
    { "message", 0 },
    { "mod", 0 },
    { "near", 0 },
    { "nil", 0 },
    { "not", 0 },
    { "object", 0 },
    { "of", 0 },
    { "or", 0 },
    { "out", 0 },
    { "override", 0 },
    { "packed", 0 },
    { "pascal", 0 },
    { "private", 0 },
    { "procedure", 0 },
    { "program", 0 },
    { "property", kfProperty },
    { "protected", 0 },
    { "public", 0 },
    { "published", 0 },
    { "raise", 0 },
    { "record", 0 },
    { "register", 0 },
    { "repeat", 0 },
    { "resourcestring", 0 },
    { "safecall", 0 },
    { "set", 0 },
    { "shl", 0 },
    { "shr", 0 },
    { "stdcall", 0 },
    { "string", 0 },
    { "stringresource", 0 },
    { "then", 0 },
    { "threadvar", 0 },
    { "to", 0 },
    { "try", 0 },
    { "type", 0 },
    { "unit", 0 },
    { "until", 0 },
    { "uses", 0 },
    { "var", 0 },
    { "virtual", 0 },
    { "while", 0 },
    { "with", 0 },
    { "xor", 0 },
    { "read", kfPropertyOnly },
    { "write", kfPropertyOnly },
    { "index", kfPropertyOnly },
    { "stored", kfPropertyOnly },
    { "readonly", kfPropertyOnly },
    { "writeonly", kfPropertyOnly },
    { "nodefault", kfPropertyOnly },
    { "implements", kfPropertyOnly | kfD4 },
    { "overload", kfD4 },
    { "reintroduce", kfD4 },
};

constexpr std::size_t kKeywordCount = std::size(kKeywords);
// Every keyword hashes below this; a word at or above it is an identifier without a look-up.
constexpr unsigned kHashLimit = 192;

constexpr unsigned KeywordHash(std::string_view lower)
{
    unsigned h = 0;
    for (char c : lower)
        h += kTables.LetterValue[static_cast<unsigned char>(c)];
    return h;
}

// Keywords grouped by hash: bucket h is Order[Start[h] .. Start[h + 1]).
struct TKeywordIndex {
    std::uint8_t Start[kHashLimit + 1] {};
    std::uint8_t Order[kKeywordCount] {};
};

constexpr TKeywordIndex MakeKeywordIndex()
{
    TKeywordIndex index;
    std::size_t n = 0;
    for (unsigned h = 0; h < kHashLimit; ++h) {
        index.Start[h] = static_cast<std::uint8_t>(n);
        for (std::size_t i = 0; i < kKeywordCount; ++i)
            if (KeywordHash(kKeywords[i].Lower) == h)
                index.Order[n++] = static_cast<std::uint8_t>(i);
    }
    index.Start[kHashLimit] = static_cast<std::uint8_t>(n);
    // Fails the build when a keyword would hash out of the table and silently never match.
    if (n != kKeywordCount)
        throw "keyword hash out of range";
    return index;
}

constexpr TKeywordIndex kKeywordIndex = MakeKeywordIndex();

inline bool HasClass(unsigned char c, std::uint16_t mask)
{
    return (kTables.Class[c] & mask) != 0;
}

// The compared bytes of a word are letters, or one trailing digit or underscore; OR-ing 0x20
// folds only the letters onto lower case and never turns a digit or '_' into a letter.
inline bool EqualsLower(const unsigned char* word, std::string_view lower)
{
    for (std::size_t i = 0; i < lower.size(); ++i)
        if ((word[i] | 0x20) != static_cast<unsigned char>(lower[i]))
            return false;
    return true;
}

constexpr std::string_view kIdeKey = "Software\\Pascal IDE";

} // namespace

TPasHighlighter::TPasHighlighter()
{
    FAsmAttri.Bind(AddAttribute("Assembler"));
    FCommentAttri.Bind(AddAttribute("Comment"));
    FCommentAttri->SetStyle(fsItalic);
    FIdentifierAttri.Bind(AddAttribute("Identifier"));
    FKeyAttri.Bind(AddAttribute("Reserved word"));
    FKeyAttri->SetStyle(fsBold);
    FNumberAttri.Bind(AddAttribute("Number"));
    FSpaceAttri.Bind(AddAttribute("Space"));
    FStringAttri.Bind(AddAttribute("String"));
    FSymbolAttri.Bind(AddAttribute("Symbol"));
    BindAttributeChanges();
    TCustomHighlighter::SetDefaultFilter(SPasDefaultFilter);
}

THighlighterAttributes* TPasHighlighter::StandardAttribute(int kind) const
{
    return PickStandardAttribute(kind, FCommentAttri, FIdentifierAttri, FKeyAttri, FStringAttri, FSpaceAttri);
}

TCharSet TPasHighlighter::WordChars() const
{
    return TCharSet::Alphanumeric(true);
}

bool TPasHighlighter::DefaultFilterStored() const
{
    return DefaultFilter() != SPasDefaultFilter;
}

unsigned TPasHighlighter::FeatureFlags() const
{
    return hcImportIdeScheme | hcRegistry;
}

std::string_view TPasHighlighter::LanguageTitle() const
{
    return SPasLanguageTitle;
}

void TPasHighlighter::SetD4syntax(bool value)
{
    if (value == FD4syntax)
        return;
    FD4syntax = value;
    // Three words change colour; editors showing Pascal repaint through the same chain as for a
    // colour change. Ranges are unaffected: none of the three words has a side effect.
    NotifyAttributeChange();
}

void TPasHighlighter::ApplyDesignValues()
{
    FAsmAttri.Own()->SetColors(0x008000, clNone, 0);
    FCommentAttri.Own()->SetColors(0x800000, clNone, fsItalic);
    FIdentifierAttri.Own()->SetColors(0x808000, clNone, 0);
    FKeyAttri.Own()->SetColors(0x000000, clNone, fsBold);
    FNumberAttri.Own()->SetColors(0x800080, clNone, 0);
    FSpaceAttri.Own()->SetColors(clNone, clNone, 0);
    FStringAttri.Own()->SetColors(0xFF0000, clNone, 0);
    FSymbolAttri.Own()->SetColors(0x0000FF, clNone, 0);
}

void TPasHighlighter::RestoreRange(TRangeState value)
{
    FRange = value >= rsAnsi && value <= rsNormal ? static_cast<std::uint8_t>(value) : std::uint8_t(rsNormal);
}

void TPasHighlighter::StartLine(std::string_view text, int lineIndex)
{
    SetLine(text, lineIndex);
    FResume = rmNone;
    Next();
}

void TPasHighlighter::Advance()
{
    Next();
}

// Overridden so that a full rescan costs no virtual call per token.
void TPasHighlighter::ScanToLineEnd()
{
    while (FTokenKind != tkNull)
        Next();
}

int TPasHighlighter::KindOfToken() const
{
    const int kind = FTokenKind;
    if (FRange == rsAsm && !FAsmStart && kind != tkComment && kind != tkNull && kind != tkSpace)
        return tkAsm;
    return kind;
}

THighlighterAttributes* TPasHighlighter::AttributeOfToken() const
{
    switch (KindOfToken()) {
    case tkAsm:
        return FAsmAttri;
    case tkComment:
        return FCommentAttri;
    case tkIdentifier:
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
    case tkUnknown:
        return FSymbolAttri;
    default:
        return nullptr;
    }
}

bool TPasHighlighter::ImportIdeScheme(IRegistryStore& registry, int index)
{
    return ImportIdeSchemeUnder(
        registry, kIdeKey, index, [this](std::string_view version, std::vector<TIdeImportElement>& elements) {
            elements = {
                { FAsmAttri.Own(), "Assembler" },
                { FCommentAttri.Own(), "Comment" },
                { FIdentifierAttri.Own(), "Identifier" },
                { FKeyAttri.Own(), "Reserved word" },
                { FNumberAttri.Own(), "Number" },
                { FSpaceAttri.Own(), "Whitespace" },
                { FStringAttri.Own(), "string" },
                { FSymbolAttri.Own(), "Symbol" },
            };
            return !version.empty() && (version[0] == '2' || version[0] == '3');
        });
}

void TPasHighlighter::ListIdeVersions(IRegistryStore& registry, std::vector<std::string>& list)
{
    ListIdeVersionsUnder(registry, kIdeKey, list);
}

// ---- scanner ---------------------------------------------------------------------------------

inline void TPasHighlighter::Next()
{
    FAsmStart = false;
    FTokenPos = FRun;
    if (FRun >= FLineLen) {
        FTokenKind = tkNull;
        return;
    }
    const unsigned char* line = Text();
    const unsigned char c = line[FRun];

    switch (FRange) {
    case rsAnsi:
    case rsAnsiAsm:
        if (!HasClass(c, cStop)) {
            FTokenKind = tkComment;
            AnsiBody(FRun);
            return;
        }
        break;
    case rsBor:
    case rsBorAsm:
        if (!HasClass(c, cStop)) {
            FTokenKind = tkComment;
            BorBody(FRun);
            return;
        }
        break;
    default:
        // A NUL keeps the interrupted token pending; a line break byte ends it for good.
        if (FResume != rmNone && c != 0) {
            const TResume resume = FResume;
            FResume = rmNone;
            if (!HasClass(c, cStop)) {
                if (resume == rmString) {
                    FTokenKind = tkString;
                    StringBody(FRun);
                } else {
                    FTokenKind = tkComment;
                    LineCommentBody(FRun);
                }
                return;
            }
        }
        break;
    }

    const std::size_t len = FLineLen;
    switch (kTables.Dispatch[c]) {
    case dIdent:
        IdentProc();
        return;
    case dSpace: {
        std::size_t p = FRun + 1;
        while (p < len && HasClass(line[p], cSpace))
            ++p;
        FRun = p;
        FTokenKind = tkSpace;
        return;
    }
    case dSymbol:
        ++FRun;
        FTokenKind = tkSymbol;
        return;
    case dNumber:
        NumberProc();
        return;
    case dSemicolon:
        ++FRun;
        FTokenKind = tkSymbol;
        if (FRange == rsProperty)
            FRange = rsNormal;
        return;
    case dString:
        FTokenKind = tkString;
        StringBody(FRun + 1);
        return;
    case dBrace:
        FRange = FRange == rsAsm ? rsBorAsm : rsBor;
        FTokenKind = tkComment;
        BorBody(FRun + 1);
        return;
    case dRoundOpen:
        if (FRun + 1 < len && line[FRun + 1] == '*') {
            FRange = FRange == rsAsm ? rsAnsiAsm : rsAnsi;
            FTokenKind = tkComment;
            AnsiBody(FRun + 2);
        } else {
            FRun += FRun + 1 < len && line[FRun + 1] == '.' ? 2 : 1;
            FTokenKind = tkSymbol;
        }
        return;
    case dSlash:
        if (FRun + 1 < len && line[FRun + 1] == '/') {
            FTokenKind = tkComment;
            LineCommentBody(FRun + 2);
        } else {
            ++FRun;
            FTokenKind = tkSymbol;
        }
        return;
    case dColonOrGreater:
        FRun += FRun + 1 < len && line[FRun + 1] == '=' ? 2 : 1;
        FTokenKind = tkSymbol;
        return;
    case dLower:
        FRun += FRun + 1 < len && (line[FRun + 1] == '=' || line[FRun + 1] == '>') ? 2 : 1;
        FTokenKind = tkSymbol;
        return;
    case dPoint:
        FRun += FRun + 1 < len && (line[FRun + 1] == ')' || line[FRun + 1] == '.') ? 2 : 1;
        FTokenKind = tkSymbol;
        return;
    case dAt:
        FRun += FRun + 1 < len && line[FRun + 1] == '@' ? 2 : 1;
        FTokenKind = tkSymbol;
        return;
    case dHex: {
        std::size_t p = FRun + 1;
        while (p < len && HasClass(line[p], cHex))
            ++p;
        FRun = p;
        FTokenKind = tkNumber;
        return;
    }
    case dCharCode: {
        std::size_t p = FRun + 1;
        while (p < len && HasClass(line[p], cDigit))
            ++p;
        FRun = p;
        FTokenKind = tkString;
        return;
    }
    case dLF:
        ++FRun;
        FTokenKind = tkSpace;
        return;
    case dCR:
        FRun += FRun + 1 < len && line[FRun + 1] == '\n' ? 2 : 1;
        FTokenKind = tkSpace;
        return;
    case dUnknown:
    default:
        ++FRun;
        FTokenKind = tkUnknown;
        return;
    }
}

void TPasHighlighter::IdentProc()
{
    const unsigned char* line = Text();
    const unsigned char* start = line + FRun;
    const unsigned char* end = line + FLineLen;
    const unsigned char* p = start;
    unsigned hash = 0;
    while (p < end) {
        const unsigned v = kTables.LetterValue[*p];
        if (v == 0)
            break;
        hash += v;
        ++p;
    }
    // A digit or '_' right after the letters joins the compared part, so "End1" or "Begin_x"
    // cannot compare equal to a keyword even though only letters are hashed.
    std::size_t length = static_cast<std::size_t>(p - start);
    if (p < end && HasClass(*p, cDigitOrUnderscore))
        ++length;
    while (p < end && HasClass(*p, cIdent))
        ++p;
    FRun = static_cast<std::size_t>(p - line);
    // An overlong word can wrap the sum below the limit; its length then matches no keyword.
    FTokenKind = hash < kHashLimit ? KeywordKind(hash, start, length) : tkIdentifier;
}

int TPasHighlighter::KeywordKind(unsigned hash, const unsigned char* word, std::size_t length)
{
    for (unsigned i = kKeywordIndex.Start[hash]; i < kKeywordIndex.Start[hash + 1]; ++i) {
        const TKeyword& keyword = kKeywords[kKeywordIndex.Order[i]];
        if (keyword.Lower.size() != length || !EqualsLower(word, keyword.Lower))
            continue;
        const std::uint8_t flags = keyword.Flags;
        if ((flags & kfPropertyOnly) && FRange != rsProperty)
            return tkIdentifier;
        if ((flags & kfD4) && !FD4syntax)
            return tkIdentifier;
        if (flags & kfAsm) {
            FRange = rsAsm;
            FAsmStart = true;
        } else if (flags & kfEnd) {
            FRange = rsNormal;
        } else if (flags & kfProperty) {
            FRange = rsProperty;
        }
        return tkKey;
    }
    return tkIdentifier;
}

void TPasHighlighter::NumberProc()
{
    const unsigned char* line = Text();
    const std::size_t len = FLineLen;
    std::size_t p = FRun + 1;
    while (p < len && HasClass(line[p], cNumber)) {
        // "1..10" is a range: the number stops before the "..".
        if (line[p] == '.' && p + 1 < len && line[p + 1] == '.')
            break;
        ++p;
    }
    FRun = p;
    FTokenKind = tkNumber;
}

// A string never continues on the next line: at a line break byte it just stops, open.
void TPasHighlighter::StringBody(std::size_t from)
{
    const unsigned char* line = Text();
    const std::size_t len = FLineLen;
    std::size_t p = from;
    for (;;) {
        while (p < len && !HasClass(line[p], cStringStop))
            ++p;
        if (p >= len)
            break;
        if (line[p] == '\'') {
            if (p + 1 < len && line[p + 1] == '\'') {
                p += 2;
                continue;
            }
            ++p;
            break;
        }
        if (line[p] == 0)
            FResume = rmString;
        break;
    }
    FRun = p;
}

void TPasHighlighter::LineCommentBody(std::size_t from)
{
    const unsigned char* line = Text();
    const std::size_t len = FLineLen;
    std::size_t p = from;
    while (p < len && !HasClass(line[p], cStop))
        ++p;
    if (p < len && line[p] == 0)
        FResume = rmLineComment;
    FRun = p;
}

void TPasHighlighter::AnsiBody(std::size_t from)
{
    const unsigned char* line = Text();
    const std::size_t len = FLineLen;
    std::size_t p = from;
    for (;;) {
        while (p < len && !HasClass(line[p], cAnsiStop))
            ++p;
        if (p >= len || line[p] != '*')
            break;
        if (p + 1 < len && line[p + 1] == ')') {
            FRun = p + 2;
            FRange = FRange == rsAnsiAsm ? rsAsm : rsNormal;
            return;
        }
        ++p;
    }
    FRun = p;
}

void TPasHighlighter::BorBody(std::size_t from)
{
    const unsigned char* line = Text();
    const std::size_t len = FLineLen;
    std::size_t p = from;
    while (p < len && !HasClass(line[p], cBorStop))
        ++p;
    if (p < len && line[p] == '}') {
        FRun = p + 1;
        FRange = FRange == rsBorAsm ? rsAsm : rsNormal;
        return;
    }
    FRun = p;
}

} // namespace quillan
