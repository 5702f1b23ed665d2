#include "highlight/HighlighterCpp.h"

#include <array>
#include <cstring>
#include <string_view>

namespace quillan {

namespace {

// What the byte at the start of a token decides. Each symbol that can grow into a longer one
// has its own class so that the dispatch switch does the longest-match test directly.
enum TCharClass : std::uint8_t {
    ccNul,
    ccLineFeed,
    ccReturn,
    ccSpace,
    ccIdent,
    ccDigit,
    ccDoubleQuote,
    ccSingleQuote,
    ccHash,
    ccSlash,
    ccUnknown,
    ccAmp,
    ccBar,
    ccPlus,
    ccMinus,
    ccGreater,
    ccLess,
    ccEqual,
    ccBang,
    ccOpAssign, // % * ^: the character alone or followed by "="
    ccColon,
    ccDot,
    ccOpenBrace,
    ccCloseBrace,
    ccSemicolon,
    ccSingle, // ? , ( ) [ ] ~
};

constexpr bool IsSpaceByte(unsigned c)
{
    return (c >= 1 && c <= 32) && c != 10 && c != 13;
}

constexpr std::array<std::uint8_t, 256> MakeClassTable()
{
    std::array<std::uint8_t, 256> t {};
    for (unsigned c = 0; c < 256; ++c) {
        std::uint8_t k = ccUnknown;
        if (c == 0)
            k = ccNul;
        else if (c == 10)
            k = ccLineFeed;
        else if (c == 13)
            k = ccReturn;
        else if (IsSpaceByte(c))
            k = ccSpace;
        else if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_')
            k = ccIdent;
        else if (c >= '0' && c <= '9')
            k = ccDigit;
        t[c] = k;
    }
    t['"'] = ccDoubleQuote;
    t['\''] = ccSingleQuote;
    t['#'] = ccHash;
    t['/'] = ccSlash;
    t['&'] = ccAmp;
    t['|'] = ccBar;
    t['+'] = ccPlus;
    t['-'] = ccMinus;
    t['>'] = ccGreater;
    t['<'] = ccLess;
    t['='] = ccEqual;
    t['!'] = ccBang;
    t['%'] = ccOpAssign;
    t['*'] = ccOpAssign;
    t['^'] = ccOpAssign;
    t[':'] = ccColon;
    t['.'] = ccDot;
    t['{'] = ccOpenBrace;
    t['}'] = ccCloseBrace;
    t[';'] = ccSemicolon;
    for (unsigned char c : std::string_view("?,()[]~"))
        t[c] = ccSingle;
    // "@", "$", "\", "`", 127 and the upper half stay ccUnknown.
    return t;
}
constexpr auto kClass = MakeClassTable();

// Per-byte weight in the keyword hash, -1 for bytes that end an identifier. One table serves both
// the identifier run and its hash, so the run loop does a single load per byte.
constexpr std::array<std::int8_t, 256> MakeIdentValues()
{
    std::array<std::int8_t, 256> t {};
    for (unsigned c = 0; c < 256; ++c) {
        std::int8_t v = -1;
        if (c >= 'A' && c <= 'Z')
            v = static_cast<std::int8_t>(c - 'A' + 1);
        else if (c >= 'a' && c <= 'z')
            v = static_cast<std::int8_t>(c - 'a' + 2);
        else if (c == '_' || (c >= '0' && c <= '9'))
            v = 0;
        t[c] = v;
    }
    return t;
}
constexpr auto kIdentValue = MakeIdentValues();

constexpr std::array<bool, 256> MakeNumberChars()
{
    std::array<bool, 256> t {};
    for (unsigned char c : std::string_view(".0123456789ABCDEFabcdefLlUuXx"))
        t[c] = true;
    return t;
}
constexpr auto kNumberChar = MakeNumberChars();

constexpr std::array<bool, 256> MakeSpaceChars()
{
    std::array<bool, 256> t {};
    for (unsigned c = 0; c < 256; ++c)
        t[c] = IsSpaceByte(c);
    return t;
}
constexpr auto kSpaceChar = MakeSpaceChars();

// Bytes at which a comment, string or directive stops without being closed: the two line
// break bytes (only present when a caller hands over unsplit text) and NUL.
constexpr std::array<bool, 256> MakeStopChars()
{
    std::array<bool, 256> t {};
    t[0] = t[10] = t[13] = true;
    return t;
}
constexpr auto kStop = MakeStopChars();

constexpr std::string_view kKeywords[] = { "__asm", "__automated", "__cdecl", "__classid", "__closure", "__declspec",
    "__dispid", "__except", "__export", "__fastcall", "__finally", "__import", "__int16", "__int32", "__int64",
    "__int8", "__pascal", "__property", "__published", "__rtti", "__stdcall", "__thread", "__try", "_asm", "_cdecl",
    "_export", "_fastcall", "_import", "_pascal", "_stdcall", "asm", "auto", "bool", "break", "case", "catch", "cdecl",
    "char", "class", "const", "const_cast", "continue", "default", "delete", "do", "double", "dynamic_cast", "else",
    "enum", "explicit", "extern", "false", "float", "for", "friend", "goto", "if", "inline", "int", "long", "mutable",
    "namespace", "new", "operator", "pascal", "private", "protected", "public", "register", "reinterpret_cast",
    "return", "short", "signed", "sizeof", "static", "static_cast", "struct", "switch", "template", "this", "throw",
    "true", "try", "typedef", "typeid", "typename", "union", "unsigned", "using", "virtual", "void", "volatile",
    "wchar_t", "while" };
constexpr std::size_t kKeywordCount = std::size(kKeywords);
constexpr std::size_t kMaxHash = 206;
constexpr std::size_t kMaxKeywordLength = 16;

constexpr unsigned KeywordHash(std::string_view word)
{
    unsigned h = 0;
    for (unsigned char c : word)
        h += static_cast<unsigned>(kIdentValue[c]);
    return h;
}

// Keywords grouped by hash: bucket h holds kBuckets.Index[First[h] .. First[h + 1]). Comparing
// the length first leaves most lookups with one memcmp or none.
struct TKeywordBuckets {
    std::array<std::uint8_t, kMaxHash + 2> First {};
    std::array<std::uint8_t, kKeywordCount> Index {};
    std::array<std::uint8_t, kKeywordCount> Length {};
};

constexpr TKeywordBuckets MakeBuckets()
{
    TKeywordBuckets b;
    std::array<std::uint8_t, kMaxHash + 1> count {};
    for (std::string_view k : kKeywords)
        ++count[KeywordHash(k)];
    unsigned sum = 0;
    for (std::size_t h = 0; h <= kMaxHash; ++h) {
        b.First[h] = static_cast<std::uint8_t>(sum);
        sum += count[h];
    }
    b.First[kMaxHash + 1] = static_cast<std::uint8_t>(sum);
    std::array<std::uint8_t, kMaxHash + 1> fill {};
    for (std::size_t i = 0; i < kKeywordCount; ++i) {
        unsigned h = KeywordHash(kKeywords[i]);
        std::size_t slot = b.First[h] + fill[h]++;
        b.Index[slot] = static_cast<std::uint8_t>(i);
        b.Length[slot] = static_cast<std::uint8_t>(kKeywords[i].size());
    }
    return b;
}
constexpr TKeywordBuckets kBuckets = MakeBuckets();

constexpr bool KeywordsFitTheTable()
{
    for (std::string_view k : kKeywords)
        if (KeywordHash(k) > kMaxHash || k.size() > kMaxKeywordLength)
            return false;
    return KeywordHash("if") == 17 && KeywordHash("int") == 46 && KeywordHash("__int64") == 46
        && KeywordHash("reinterpret_cast") == 206;
}
static_assert(kKeywordCount == 94);
static_assert(KeywordsFitTheTable());

// Index of the keyword, or -1.
inline int FindKeyword(const unsigned char* word, std::size_t length, std::size_t hash)
{
    if (hash > kMaxHash || length > kMaxKeywordLength)
        return -1;
    for (unsigned s = kBuckets.First[hash], e = kBuckets.First[hash + 1]; s < e; ++s)
        if (kBuckets.Length[s] == length && std::memcmp(kKeywords[kBuckets.Index[s]].data(), word, length) == 0)
            return kBuckets.Index[s];
    return -1;
}

// "asm", "_asm" and "__asm" open an asm statement; they share a hash bucket.
inline bool IsAsmKeyword(int index)
{
    std::string_view k = kKeywords[index];
    return k == "asm" || k == "_asm" || k == "__asm";
}

constexpr std::string_view kIdeKey = "Software\\C++ IDE";

} // namespace

TCppHighlighter::TCppHighlighter()
{
    FAsmAttri.Bind(AddAttribute("Assembler"));
    FCommentAttri.Bind(AddAttribute("Comment"));
    FCommentAttri->SetStyle(fsItalic);
    FIdentifierAttri.Bind(AddAttribute("Identifier"));
    FInvalidAttri.Bind(AddAttribute("Illegal char"));
    FKeyAttri.Bind(AddAttribute("Reserved word"));
    FKeyAttri->SetStyle(fsBold);
    FNumberAttri.Bind(AddAttribute("Number"));
    FSpaceAttri.Bind(AddAttribute("Space"));
    FSpaceAttri->SetForeground(clWindow);
    FStringAttri.Bind(AddAttribute("String"));
    FSymbolAttri.Bind(AddAttribute("Symbol"));
    FDirecAttri.Bind(AddAttribute("Preprocessor"));
    BindAttributeChanges();
    FRange = rsNormal;
    FAsmStart = false;
    SetDefaultFilter(SCppDefaultFilter);
}

void TCppHighlighter::ApplyDesignValues()
{
    constexpr TColor black = 0x000000;
    FAsmAttri.Own()->SetColors(black, clNone, 0);
    FCommentAttri.Own()->SetColors(0x800000, clNone, fsItalic);
    FDirecAttri.Own()->SetColors(0x008000, clNone, fsBold);
    FIdentifierAttri.Own()->SetColors(black, clNone, 0);
    FInvalidAttri.Own()->SetColors(0xFF00FF, clNone, 0);
    FKeyAttri.Own()->SetColors(black, clNone, fsBold);
    FNumberAttri.Own()->SetColors(black, clNone, 0);
    FStringAttri.Own()->SetColors(0xFF0000, clNone, 0);
    FSymbolAttri.Own()->SetColors(0x0000FF, clNone, 0);
    SetDefaultFilter(SCppDesignFilter);
}

THighlighterAttributes* TCppHighlighter::StandardAttribute(int kind) const
{
    return PickStandardAttribute(kind, FCommentAttri, FIdentifierAttri, FKeyAttri, FStringAttri, FSpaceAttri);
}

TCharSet TCppHighlighter::WordChars() const
{
    return TCharSet::Alphanumeric(true);
}

unsigned TCppHighlighter::FeatureFlags() const
{
    return hcImportIdeScheme | hcRegistry;
}

std::string_view TCppHighlighter::LanguageTitle() const
{
    return SCppLanguageTitle;
}

bool TCppHighlighter::IsKeyword(std::string_view word)
{
    const auto* p = reinterpret_cast<const unsigned char*>(word.data());
    std::size_t hash = 0;
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (kIdentValue[p[i]] < 0)
            return false;
        hash += static_cast<std::size_t>(kIdentValue[p[i]]);
    }
    return FindKeyword(p, word.size(), hash) >= 0;
}

THighlighterAttributes* TCppHighlighter::AttributeOfToken() const
{
    // The scanner's own kind, not the asm mapping of KindOfToken: tokens in asm code keep their
    // ordinary colours.
    switch (FTokenKind) {
    case tkAsm:
        return FAsmAttri;
    case tkComment:
        return FCommentAttri;
    case tkDirective:
        return FDirecAttri;
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
        return FSymbolAttri;
    case tkUnknown:
        return FInvalidAttri;
    default:
        return nullptr;
    }
}

int TCppHighlighter::KindOfToken() const
{
    // Asked after the token was scanned, so the range is the one the token left behind: the ";"
    // or "}" that ends asm code already sees the normal range and stays a Symbol.
    if ((FRange == rsAsm || FRange == rsAsmBlock) && !FAsmStart && FTokenKind != tkComment && FTokenKind != tkNull
        && FTokenKind != tkSpace)
        return tkAsm;
    return FTokenKind;
}

void TCppHighlighter::StartLine(std::string_view text, int lineIndex)
{
    SetLine(text, lineIndex);
    FResume = rmNone;
    Next();
}

void TCppHighlighter::RestoreRange(TRangeState value)
{
    // A value this highlighter never produced (a stale store, another language's range) starts
    // the line as normal code rather than in a state no scan path expects.
    FRange = value <= rsDirectiveComment ? static_cast<std::uint8_t>(value) : std::uint8_t(rsNormal);
}

void TCppHighlighter::ScanToLineEnd()
{
    while (FTokenKind != tkNull)
        Next();
}

void TCppHighlighter::Next()
{
    FAsmStart = false;
    FTokenPos = FRun;
    if (FResume != rmNone) [[unlikely]] {
        ResumeAfterNul();
        return;
    }
    switch (FRange) {
    case rsComment:
    case rsAsmComment:
    case rsAsmBlockComment:
    case rsDirectiveComment:
        BlockCommentContinue();
        break;
    case rsDirective:
        DirectiveContinue();
        break;
    default:
        Dispatch();
        break;
    }
}

void TCppHighlighter::ResumeAfterNul()
{
    const unsigned char* t = Text();
    if (FRun < FLineLen && t[FRun] == 0) {
        ++FRun;
        FTokenKind = tkUnknown;
        return;
    }
    TResume resume = FResume;
    FResume = rmNone;
    // A line break byte or the end of the line would have ended the construct anyway.
    if (FRun >= FLineLen || t[FRun] == 10 || t[FRun] == 13) {
        Dispatch();
        return;
    }
    switch (resume) {
    case rmLineComment:
        LineCommentBody();
        break;
    case rmDoubleQuoted:
        StringBody('"');
        break;
    default:
        StringBody('\'');
        break;
    }
}

// The end of the line, a line feed or a carriage return in whatever range the scanner is in.
void TCppHighlighter::LineEndByteProc()
{
    if (FRun >= FLineLen) {
        FTokenKind = tkNull;
        return;
    }
    if (Text()[FRun] == 13 && Peek(1) == 10)
        FRun += 2;
    else
        ++FRun;
    FTokenKind = tkSpace;
}

void TCppHighlighter::Dispatch()
{
    if (FRun >= FLineLen) {
        FTokenKind = tkNull;
        return;
    }
    const unsigned char* t = Text();
    switch (kClass[t[FRun]]) {
    case ccNul:
        // Lines load with their NUL bytes; the line goes on after one.
        ++FRun;
        FTokenKind = tkUnknown;
        return;
    case ccLineFeed:
    case ccReturn:
        LineEndByteProc();
        return;
    case ccSpace: {
        std::size_t i = FRun + 1;
        while (i < FLineLen && kSpaceChar[t[i]])
            ++i;
        FRun = i;
        FTokenKind = tkSpace;
        return;
    }
    case ccIdent:
        IdentProc();
        return;
    case ccDigit:
        NumberProc();
        return;
    case ccDoubleQuote:
        ++FRun;
        StringBody('"');
        return;
    case ccSingleQuote:
        ++FRun;
        StringBody('\'');
        return;
    case ccHash:
        DirectiveBody();
        return;
    case ccSlash: {
        unsigned char n = Peek(1);
        if (n == '/') {
            FRun += 2;
            LineCommentBody();
        } else if (n == '*') {
            FRange = FRange == rsAsm ? rsAsmComment : FRange == rsAsmBlock ? rsAsmBlockComment : rsComment;
            FRun += 2;
            BlockCommentBody(FRun);
        } else {
            FRun += n == '=' ? 2 : 1;
            FTokenKind = tkSymbol;
        }
        return;
    }
    case ccUnknown:
        ++FRun;
        FTokenKind = tkUnknown;
        return;
    case ccAmp: {
        unsigned char n = Peek(1);
        FRun += (n == '&' || n == '=') ? 2 : 1;
        break;
    }
    case ccBar: {
        unsigned char n = Peek(1);
        FRun += (n == '|' || n == '=') ? 2 : 1;
        break;
    }
    case ccPlus: {
        unsigned char n = Peek(1);
        FRun += (n == '+' || n == '=') ? 2 : 1;
        break;
    }
    case ccMinus: {
        unsigned char n = Peek(1);
        FRun += (n == '-' || n == '=' || n == '>') ? 2 : 1;
        break;
    }
    case ccGreater:
    case ccLess: {
        unsigned char c = t[FRun];
        unsigned char n = Peek(1);
        if (n == c)
            FRun += Peek(2) == '=' ? 3 : 2;
        else
            FRun += n == '=' ? 2 : 1;
        break;
    }
    case ccEqual:
    case ccBang:
    case ccOpAssign:
        FRun += Peek(1) == '=' ? 2 : 1;
        break;
    case ccColon:
        FRun += Peek(1) == ':' ? 2 : 1;
        break;
    case ccDot:
        FRun += (Peek(1) == '.' && Peek(2) == '.') ? 3 : 1;
        break;
    case ccOpenBrace:
        ++FRun;
        if (FRange == rsAsm) {
            FRange = rsAsmBlock;
            FAsmStart = true;
        }
        break;
    case ccCloseBrace:
        ++FRun;
        if (FRange == rsAsmBlock)
            FRange = rsNormal;
        break;
    case ccSemicolon:
        ++FRun;
        if (FRange == rsAsm)
            FRange = rsNormal;
        break;
    default: // ccSingle
        ++FRun;
        break;
    }
    FTokenKind = tkSymbol;
}

void TCppHighlighter::IdentProc()
{
    const unsigned char* t = Text();
    std::size_t i = FRun;
    std::size_t hash = 0;
    int v;
    while (i < FLineLen && (v = kIdentValue[t[i]]) >= 0) {
        hash += static_cast<std::size_t>(v);
        ++i;
    }
    int keyword = FindKeyword(t + FRun, i - FRun, hash);
    FRun = i;
    if (keyword < 0) {
        FTokenKind = tkIdentifier;
        return;
    }
    FTokenKind = tkKey;
    if (IsAsmKeyword(keyword)) {
        FRange = rsAsm;
        FAsmStart = true;
    }
}

void TCppHighlighter::NumberProc()
{
    const unsigned char* t = Text();
    std::size_t i = FRun + 1;
    while (i < FLineLen && kNumberChar[t[i]]) {
        // "1..2" is a range of two numbers, not one odd number.
        if (t[i] == '.' && i + 1 < FLineLen && t[i + 1] == '.')
            break;
        ++i;
    }
    FRun = i;
    FTokenKind = tkNumber;
}

// Scans a string or character literal from just after its opening quote (or from just after a
// NUL that interrupted it). A backslash only escapes the quote and itself; the literal ends at its
// closing quote, which belongs to it, or stays open at the end of the line.
void TCppHighlighter::StringBody(unsigned char quote)
{
    const unsigned char* t = Text();
    std::size_t i = FRun;
    while (i < FLineLen) {
        unsigned char c = t[i];
        if (c == quote) {
            ++i;
            break;
        }
        if (kStop[c]) {
            if (c == 0)
                FResume = quote == '"' ? rmDoubleQuoted : rmSingleQuoted;
            break;
        }
        if (c == '\\' && i + 1 < FLineLen && (t[i + 1] == quote || t[i + 1] == '\\'))
            ++i;
        ++i;
    }
    FRun = i;
    FTokenKind = tkString;
}

void TCppHighlighter::LineCommentBody()
{
    const unsigned char* t = Text();
    std::size_t i = FRun;
    while (i < FLineLen && !kStop[t[i]])
        ++i;
    if (i < FLineLen && t[i] == 0)
        FResume = rmLineComment;
    FRun = i;
    FTokenKind = tkComment;
}

// Scans comment text from the scan position, looking for "*/" from searchFrom on; closing returns
// to the range the comment was opened in.
void TCppHighlighter::BlockCommentBody(std::size_t searchFrom)
{
    const unsigned char* t = Text();
    std::size_t i = searchFrom;
    FTokenKind = tkComment;
    while (i < FLineLen) {
        unsigned char c = t[i];
        if (c == '*' && i + 1 < FLineLen && t[i + 1] == '/') {
            FRun = i + 2;
            switch (FRange) {
            case rsAsmComment:
                FRange = rsAsm;
                break;
            case rsAsmBlockComment:
                FRange = rsAsmBlock;
                break;
            case rsDirectiveComment:
                FRange = rsDirective;
                break;
            default:
                FRange = rsNormal;
                break;
            }
            return;
        }
        if (kStop[c])
            break;
        ++i;
    }
    FRun = i;
}

void TCppHighlighter::BlockCommentContinue()
{
    if (FRun >= FLineLen) {
        FTokenKind = tkNull;
        return;
    }
    unsigned char c = Text()[FRun];
    if (c == 0) {
        ++FRun;
        FTokenKind = tkUnknown;
        return;
    }
    if (c == 10 || c == 13) {
        LineEndByteProc();
        return;
    }
    // Counted from the first character: a comment that a directive handed over still starts with
    // its "/*", and "/*/" there is already closed.
    BlockCommentBody(FRun);
}

// A preprocessor line from the scan position. It ends at the line end, before a comment, or after
// a backslash that the line end follows, which carries the directive onto the next line. A NUL
// stops it in the continued-directive range so that the directive goes on after the NUL token.
void TCppHighlighter::DirectiveBody()
{
    const unsigned char* t = Text();
    std::size_t i = FRun;
    FTokenKind = tkDirective;
    for (;;) {
        if (i >= FLineLen) {
            FRange = rsNormal;
            break;
        }
        unsigned char c = t[i];
        if (c == 10 || c == 13) {
            FRange = rsNormal;
            break;
        }
        if (c == 0) {
            FRange = rsDirective;
            break;
        }
        if (c == '/' && i + 1 < FLineLen && (t[i + 1] == '/' || t[i + 1] == '*')) {
            FRange = t[i + 1] == '/' ? rsNormal : rsDirectiveComment;
            break;
        }
        ++i;
        if (c == '\\' && (i >= FLineLen || t[i] == 10 || t[i] == 13)) {
            FRange = rsDirective;
            break;
        }
    }
    FRun = i;
    if (FRun == FTokenPos) {
        // A continued line that opens with a comment: no empty directive token, the comment
        // starts right here in the range just chosen.
        if (FRange == rsDirectiveComment)
            BlockCommentContinue();
        else
            Dispatch();
    }
}

void TCppHighlighter::DirectiveContinue()
{
    if (FRun >= FLineLen || Text()[FRun] == 10 || Text()[FRun] == 13) {
        if (!(FRun > 0 && Text()[FRun - 1] == '\\'))
            FRange = rsNormal;
        LineEndByteProc();
        return;
    }
    if (Text()[FRun] == 0) {
        ++FRun;
        FTokenKind = tkUnknown;
        return;
    }
    DirectiveBody();
}

void TCppHighlighter::ListIdeVersions(IRegistryStore& registry, std::vector<std::string>& list)
{
    ListIdeVersionsUnder(registry, kIdeKey, list);
}

bool TCppHighlighter::ImportIdeScheme(IRegistryStore& registry, int index)
{
    return ImportIdeSchemeUnder(
        registry, kIdeKey, index, [this](std::string_view version, std::vector<TIdeImportElement>& elements) {
            bool oldLayout = !version.empty() && version[0] == '1';
            elements = {
                { FAsmAttri.Own(), oldLayout ? "Plain text" : "Assembler" },
                { FCommentAttri.Own(), "Comment" },
                { FIdentifierAttri.Own(), "Identifier" },
                { FInvalidAttri.Own(), "Illegal Char" },
                { FKeyAttri.Own(), "Reserved word" },
                { FNumberAttri.Own(), "Integer" },
                { FSpaceAttri.Own(), "Whitespace" },
                { FStringAttri.Own(), "String" },
                { FSymbolAttri.Own(), "Symbol" },
                { FDirecAttri.Own(), "Preprocessor" },
            };
            return oldLayout;
        });
}

} // namespace quillan
