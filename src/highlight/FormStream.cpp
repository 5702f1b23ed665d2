#include "highlight/FormStream.h"

#include "base/AsciiCase.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <climits>
#include <cstdint>
#include <cstring>

namespace quillan {

EFormConversionError::EFormConversionError(std::string_view reason)
    : EQuillException(std::string(reason))
    , FReason(reason)
{
}

EFormConversionError::EFormConversionError(std::string_view reason, int line)
    : EQuillException(FormatMessage(SParseError, { reason, std::to_string(line) }))
    , FReason(reason)
    , FLine(line)
{
}

namespace {

// --- names --------------------------------------------------------------------------------------

bool IsIdentStart(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool IsIdentChar(unsigned char c)
{
    return IsIdentStart(c) || (c >= '0' && c <= '9');
}

bool IsSymbol(std::string_view s)
{
    if (s.empty() || !IsIdentStart(static_cast<unsigned char>(s[0])))
        return false;
    return std::all_of(s.begin() + 1, s.end(), [](char c) { return IsIdentChar(static_cast<unsigned char>(c)); });
}

bool IsDottedSymbol(std::string_view s)
{
    for (;;) {
        const std::size_t dot = s.find('.');
        if (!IsSymbol(s.substr(0, dot)))
            return false;
        if (dot == std::string_view::npos)
            return true;
        s.remove_prefix(dot + 1);
    }
}

bool IsBlockWord(std::string_view s)
{
    return EqualAsciiNoCase(s, "end") || EqualAsciiNoCase(s, "object") || EqualAsciiNoCase(s, "inherited");
}

std::uint64_t LoadLE(const unsigned char* p, int n)
{
    std::uint64_t v = 0;
    for (int i = n; i-- > 0;)
        v = (v << 8) | p[i];
    return v;
}

void AppendInt(std::string& out, long long v)
{
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

// --- binary to text -----------------------------------------------------------------------------

[[noreturn]] void StreamError()
{
    throw EFormConversionError(SInvalidStreamFormat);
}

class TBinaryToText {
public:
    explicit TBinaryToText(std::string_view stream)
        : FPos(reinterpret_cast<const unsigned char*>(stream.data()))
        , FEnd(FPos + stream.size())
        , FLimit(stream.size() * 64 + (std::size_t(1) << 20))
    {
        FOut.reserve(stream.size() * 3);
    }

    std::string Run()
    {
        if (Remaining() < 4 || std::memcmp(FPos, "TPF0", 4) != 0)
            StreamError();
        FPos += 4;
        ConvertObject();
        return std::move(FOut);
    }

private:
    std::size_t Remaining() const { return static_cast<std::size_t>(FEnd - FPos); }
    void Need(std::size_t n) const
    {
        if (n > Remaining())
            StreamError();
    }
    unsigned char Peek() const
    {
        Need(1);
        return *FPos;
    }
    unsigned char Byte()
    {
        Need(1);
        return *FPos++;
    }
    const unsigned char* Take(std::size_t n)
    {
        Need(n);
        const unsigned char* p = FPos;
        FPos += n;
        return p;
    }
    std::uint64_t Unsigned(int n) { return LoadLE(Take(static_cast<std::size_t>(n)), n); }
    std::string_view ShortString()
    {
        const std::size_t n = Byte();
        return { reinterpret_cast<const char*>(Take(n)), n };
    }

    void Enter()
    {
        if (++FDepth > FormMaxNesting)
            StreamError();
    }
    void Leave() { --FDepth; }

    void NewLine()
    {
        FOut += "\r\n";
        FOut.append(static_cast<std::size_t>(FLevel) * 2, ' ');
        // Indentation is the one thing that can grow the text far beyond the stream.
        if (FOut.size() > FLimit)
            StreamError();
    }
    void Indent() { FOut.append(static_cast<std::size_t>(FLevel) * 2, ' '); }

    long long IntegerValue(unsigned char type)
    {
        switch (type) {
        case vaInt8:
            return static_cast<std::int8_t>(Unsigned(1));
        case vaInt16:
            return static_cast<std::int16_t>(Unsigned(2));
        case vaInt32:
            return static_cast<std::int32_t>(Unsigned(4));
        default:
            StreamError();
        }
    }

    void ConvertObject()
    {
        Enter();
        unsigned flags = 0;
        long long position = 0;
        if (Peek() >= 0xF0) {
            flags = Byte() & 0x0F;
            if (flags & 2)
                position = IntegerValue(Byte());
        }
        const std::string_view className = ShortString();
        const std::string_view objectName = ShortString();
        // The text must parse back: names that the tokenizer would split or misread are refused.
        if (!IsSymbol(className) || (!objectName.empty() && !IsSymbol(objectName)))
            StreamError();
        Indent();
        FOut += (flags & 1) ? "inherited " : "object ";
        if (!objectName.empty()) {
            FOut += objectName;
            FOut += ": ";
        }
        FOut += className;
        if (flags & 2) {
            FOut += " [";
            AppendInt(FOut, position);
            FOut += ']';
        }
        FOut += "\r\n";
        ++FLevel;
        while (Peek() != 0)
            ConvertProperty();
        ++FPos;
        while (Peek() != 0)
            ConvertObject();
        ++FPos;
        --FLevel;
        Indent();
        FOut += "end\r\n";
        Leave();
    }

    // In an object, "end", "object" and "inherited" end the properties; in a collection item
    // only "end" does. A name starting with such a word would not read back as a property.
    void ConvertProperty(bool inItem = false)
    {
        const std::string_view name = ShortString();
        const std::string_view first = name.substr(0, name.find('.'));
        if (!IsDottedSymbol(name) || (inItem ? EqualAsciiNoCase(first, "end") : IsBlockWord(first)))
            StreamError();
        Indent();
        FOut += name;
        FOut += " = ";
        ConvertValue();
        FOut += "\r\n";
    }

    void ConvertFloat(TFloatLayout layout, const char* suffix)
    {
        TBinaryFloat f;
        // Infinities and NaNs have no text form that would read back as a float.
        if (!DecodeFloat(layout, Take(FloatLayoutSize(layout)), f))
            StreamError();
        FOut += FormatFormFloat(f);
        FOut += suffix;
    }

    // Byte strings (wide == false) and wide strings share the folding rules; `at` yields the
    // character code at an index.
    template <typename At> void ConvertString(std::size_t n, bool wide, At at)
    {
        if (n == 0) {
            FOut += "''";
            return;
        }
        constexpr std::size_t lineLength = 64;
        ++FLevel;
        if (n > lineLength)
            NewLine();
        std::size_t i = 0, lineStart = 0;
        auto special = [&](unsigned c) { return c < 32 || (wide && c >= 256); };
        while (i < n) {
            const unsigned c = at(i);
            if (special(c)) {
                FOut += '#';
                AppendInt(FOut, c);
                ++i;
                continue;
            }
            if (i - lineStart >= lineLength) {
                FOut += " +";
                NewLine();
                lineStart = i;
            }
            std::size_t j = i;
            while (j < n && !special(at(j)) && j - lineStart < lineLength)
                ++j;
            const bool cut = j < n && !special(at(j));
            if (cut && !wide)
                j = KeepSequence(i, j, at);
            FOut += '\'';
            for (std::size_t k = i; k < j; ++k) {
                const unsigned ch = at(k);
                if (ch == '\'')
                    FOut += '\'';
                FOut += static_cast<char>(ch);
            }
            FOut += '\'';
            i = j;
            if (cut) {
                FOut += " +";
                NewLine();
                lineStart = i;
            }
        }
        --FLevel;
    }

    // A piece never ends inside a multi-byte character: when the cut would separate a lead byte
    // from its continuation bytes, the piece ends before the lead byte (unless that empties it).
    template <typename At> static std::size_t KeepSequence(std::size_t start, std::size_t cut, At at)
    {
        if ((at(cut) & 0xC0) != 0x80)
            return cut;
        std::size_t lead = cut;
        while (lead > start && cut - lead < 3 && (at(lead) & 0xC0) == 0x80)
            --lead;
        const unsigned c = at(lead);
        const std::size_t length = c >= 0xF0 && c <= 0xF7 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 0;
        if (lead > start && (c & 0xC0) == 0xC0 && length > cut - lead)
            return lead;
        return cut;
    }

    void ConvertBinary(std::size_t n)
    {
        static constexpr char hex[] = "0123456789ABCDEF";
        const unsigned char* p = Take(n);
        FOut += '{';
        ++FLevel;
        for (std::size_t off = 0; off < n; off += 32) {
            if (n >= 32)
                NewLine();
            const std::size_t end = std::min(n, off + 32);
            for (std::size_t k = off; k < end; ++k) {
                FOut += hex[p[k] >> 4];
                FOut += hex[p[k] & 15];
            }
        }
        --FLevel;
        FOut += '}';
    }

    void ConvertValue()
    {
        const unsigned char type = Byte();
        switch (type) {
        case vaList:
            Enter();
            FOut += '(';
            ++FLevel;
            while (Peek() != 0) {
                NewLine();
                ConvertValue();
            }
            ++FPos;
            --FLevel;
            FOut += ')';
            Leave();
            break;
        case vaInt8:
        case vaInt16:
        case vaInt32:
            AppendInt(FOut, IntegerValue(type));
            break;
        case vaExtended:
            ConvertFloat(TFloatLayout::flExtended, "");
            break;
        case vaSingle:
            ConvertFloat(TFloatLayout::flSingle, "s");
            break;
        case vaDate:
            ConvertFloat(TFloatLayout::flDouble, "d");
            break;
        case vaCurrency:
            AppendInt(FOut, static_cast<std::int64_t>(Unsigned(8)));
            FOut += 'c';
            break;
        case vaString:
        case vaLString: {
            const std::size_t n = type == vaString ? Byte() : static_cast<std::size_t>(Unsigned(4));
            const unsigned char* p = Take(n);
            ConvertString(n, false, [p](std::size_t k) -> unsigned { return p[k]; });
            break;
        }
        case vaWString: {
            const std::uint64_t count = Unsigned(4);
            if (count > Remaining() / 2)
                StreamError();
            const unsigned char* p = Take(static_cast<std::size_t>(count) * 2);
            ConvertString(static_cast<std::size_t>(count), true,
                [p](std::size_t k) -> unsigned { return p[2 * k] | (unsigned(p[2 * k + 1]) << 8); });
            break;
        }
        case vaIdent: {
            const std::string_view name = ShortString();
            // "True", "False" and "nil" would read back as other types.
            if (!IsDottedSymbol(name) || EqualAsciiNoCase(name, "false") || EqualAsciiNoCase(name, "true")
                || EqualAsciiNoCase(name, "nil"))
                StreamError();
            FOut += name;
            break;
        }
        case vaFalse:
            FOut += "False";
            break;
        case vaTrue:
            FOut += "True";
            break;
        case vaNil:
            FOut += "nil";
            break;
        case vaBinary:
            ConvertBinary(static_cast<std::size_t>(Unsigned(4)));
            break;
        case vaSet: {
            FOut += '[';
            bool first = true;
            for (;;) {
                const std::string_view name = ShortString();
                if (name.empty())
                    break;
                if (!IsSymbol(name))
                    StreamError();
                if (!first)
                    FOut += ", ";
                FOut += name;
                first = false;
            }
            FOut += ']';
            break;
        }
        case vaCollection:
            Enter();
            FOut += '<';
            ++FLevel;
            while (Peek() != 0) {
                NewLine();
                FOut += "item";
                if (Peek() != vaList) {
                    FOut += " [";
                    AppendInt(FOut, IntegerValue(Byte()));
                    FOut += ']';
                }
                if (Byte() != vaList)
                    StreamError();
                FOut += "\r\n";
                ++FLevel;
                while (Peek() != 0)
                    ConvertProperty(true);
                ++FPos;
                --FLevel;
                Indent();
                FOut += "end";
            }
            ++FPos;
            --FLevel;
            FOut += '>';
            Leave();
            break;
        default:
            // A null is only ever an end marker; as a value it would leave nothing to read back.
            StreamError();
        }
    }

    const unsigned char* FPos;
    const unsigned char* FEnd;
    std::size_t FLimit;
    std::string FOut;
    int FLevel = 0;
    int FDepth = 0;
};

// --- text to binary -----------------------------------------------------------------------------

enum TTokenKind : std::uint8_t { tkEOF, tkSymbol, tkString, tkWString, tkInteger, tkFloat, tkChar };

class TTextToBinary {
public:
    explicit TTextToBinary(std::string_view text)
        : FText(text)
    {
        FOut.reserve(text.size() / 2 + 16);
    }

    std::string Run()
    {
        FOut = "TPF0";
        Next();
        ConvertObject();
        return std::move(FOut);
    }

private:
    [[noreturn]] void Error(std::string_view reason) const { throw EFormConversionError(reason, FTokenLine); }
    [[noreturn]] void Expected(std::string_view what) const { Error(FormatMessage(SCharExpected, { what })); }

    unsigned char At(std::size_t i) const { return static_cast<unsigned char>(FText[i]); }

    void Next()
    {
        const std::size_t n = FText.size();
        std::size_t p = FPos;
        while (p < n && At(p) <= 32) {
            if (At(p) == '\n')
                ++FLine;
            ++p;
        }
        FTokenStart = p;
        FTokenLine = FLine;
        FSuffix = 0;
        if (p >= n) {
            FToken = tkEOF;
            FPos = p;
            return;
        }
        const unsigned char c = At(p);
        if (IsIdentStart(c)) {
            while (p < n && IsIdentChar(At(p)))
                ++p;
            FToken = tkSymbol;
        } else if (c == '\'' || c == '#') {
            p = ScanString(p);
        } else if (c == '$') {
            ++p;
            while (p < n && std::isxdigit(At(p)))
                ++p;
            FToken = tkInteger;
        } else if ((c >= '0' && c <= '9') || (c == '-' && p + 1 < n && At(p + 1) >= '0' && At(p + 1) <= '9')) {
            ++p;
            while (p < n && At(p) >= '0' && At(p) <= '9')
                ++p;
            FToken = tkInteger;
            while (p < n && std::strchr("+-.0123456789Ee", At(p)) && At(p) != 0) {
                ++p;
                FToken = tkFloat;
            }
            if (p < n && std::strchr("cCdDsS", At(p)) && At(p) != 0) {
                FSuffix = static_cast<char>(At(p) | 0x20);
                ++p;
                FToken = tkFloat;
            }
        } else {
            FToken = tkChar;
            ++p;
        }
        FPos = p;
    }

    std::size_t ScanString(std::size_t p)
    {
        const std::size_t n = FText.size();
        FString.clear();
        bool wide = false;
        for (;;) {
            if (p < n && At(p) == '\'') {
                ++p;
                for (;;) {
                    if (p >= n || At(p) == '\r' || At(p) == '\n')
                        Error(SInvalidString);
                    if (At(p) == '\'') {
                        if (p + 1 < n && At(p + 1) == '\'') {
                            FString += u'\'';
                            p += 2;
                            continue;
                        }
                        ++p;
                        break;
                    }
                    FString += static_cast<char16_t>(At(p++));
                }
            } else if (p < n && At(p) == '#') {
                ++p;
                unsigned code = 0;
                std::size_t digits = 0;
                for (; p < n && At(p) >= '0' && At(p) <= '9'; ++p, ++digits) {
                    code = code * 10 + (At(p) - '0');
                    if (code > 0xFFFF)
                        Error(SInvalidString);
                }
                if (digits == 0)
                    Error(SInvalidString);
                wide = wide || code > 255;
                FString += static_cast<char16_t>(code);
            } else {
                break;
            }
        }
        FToken = wide ? tkWString : tkString;
        return p;
    }

    std::string_view TokenText() const { return FText.substr(FTokenStart, FPos - FTokenStart); }
    bool IsChar(char c) const { return FToken == tkChar && FText[FTokenStart] == c; }
    bool IsSymbolText(std::string_view word) const { return FToken == tkSymbol && EqualAsciiNoCase(TokenText(), word); }
    bool AtBlockWord() const { return FToken == tkSymbol && IsBlockWord(TokenText()); }

    void CheckChar(char c) const
    {
        if (!IsChar(c))
            Expected(std::string_view(&c, 1));
    }
    std::string_view CheckSymbol() const
    {
        if (FToken != tkSymbol)
            Error(SIdentifierExpected);
        return TokenText();
    }
    // A symbol that fits a short string.
    std::string_view CheckName() const
    {
        const std::string_view name = CheckSymbol();
        if (name.size() > 255)
            Error(SIdentifierTooLong);
        return name;
    }
    // A symbol and any ".symbol" parts after it, as one name; leaves the token after it.
    std::string DottedName()
    {
        std::string name(CheckName());
        Next();
        while (IsChar('.')) {
            Next();
            name += '.';
            name += CheckSymbol();
            if (name.size() > 255)
                Error(SIdentifierTooLong);
            Next();
        }
        return name;
    }

    void Enter()
    {
        if (++FDepth > FormMaxNesting)
            Error(SNestingTooDeep);
    }
    void Leave() { --FDepth; }

    void WriteLE(std::uint64_t v, int n)
    {
        for (int i = 0; i < n; ++i, v >>= 8)
            FOut += static_cast<char>(v & 0xFF);
    }
    void WriteShortString(std::string_view s)
    {
        if (s.size() > 255)
            Error(SIdentifierTooLong);
        FOut += static_cast<char>(s.size());
        FOut += s;
    }
    void WriteInteger(long long v)
    {
        if (v >= -128 && v <= 127) {
            FOut += static_cast<char>(vaInt8);
            WriteLE(static_cast<std::uint64_t>(v), 1);
        } else if (v >= -32768 && v <= 32767) {
            FOut += static_cast<char>(vaInt16);
            WriteLE(static_cast<std::uint64_t>(v), 2);
        } else {
            FOut += static_cast<char>(vaInt32);
            WriteLE(static_cast<std::uint64_t>(v), 4);
        }
    }

    static bool FitsInt32(std::string_view decimal)
    {
        long long v = 0;
        const auto r = std::from_chars(decimal.data(), decimal.data() + decimal.size(), v);
        return r.ec == std::errc() && r.ptr == decimal.data() + decimal.size() && v >= INT32_MIN && v <= INT32_MAX;
    }

    // The integer token's value; "$" numbers are 32-bit patterns, so $FFFFFFFF is -1.
    long long IntegerValue() const
    {
        if (FToken != tkInteger)
            Error(SNumberExpected);
        std::string_view t = TokenText();
        if (t[0] == '$') {
            t.remove_prefix(1);
            while (t.size() > 1 && t[0] == '0')
                t.remove_prefix(1);
            if (t.empty() || t.size() > 8)
                Error(SNumberExpected);
            std::uint32_t v = 0;
            std::from_chars(t.data(), t.data() + t.size(), v, 16);
            return static_cast<std::int32_t>(v);
        }
        if (!FitsInt32(t))
            Error(SNumberExpected);
        long long v = 0;
        std::from_chars(t.data(), t.data() + t.size(), v);
        return v;
    }

    void ConvertObject()
    {
        Enter();
        unsigned flags = 0;
        if (IsSymbolText("inherited"))
            flags |= 1;
        else if (!IsSymbolText("object"))
            Expected("object");
        Next();
        std::string_view className = CheckName();
        int classLine = FTokenLine;
        std::string_view objectName;
        Next();
        if (IsChar(':')) {
            Next();
            objectName = className;
            className = CheckName();
            classLine = FTokenLine;
            Next();
        }
        // The length byte of a class name is where a prefix byte (0xF0 and up) may stand, so
        // longer class names could not be told from one.
        if (className.size() >= 0xF0)
            throw EFormConversionError(SIdentifierTooLong, classLine);
        long long position = 0;
        if (IsChar('[')) {
            Next();
            position = IntegerValue();
            Next();
            CheckChar(']');
            Next();
            flags |= 2;
        }
        if (flags) {
            FOut += static_cast<char>(0xF0 | flags);
            if (flags & 2)
                WriteInteger(position);
        }
        WriteShortString(className);
        WriteShortString(objectName);
        while (!AtBlockWord())
            ConvertProperty();
        FOut += '\0';
        while (!IsSymbolText("end")) {
            ConvertObject();
            Next();
        }
        FOut += '\0';
        // The caller moves past "end": after the outermost object the rest of the text is not
        // read at all.
        Leave();
    }

    void ConvertProperty()
    {
        WriteShortString(DottedName());
        CheckChar('=');
        Next();
        ConvertValue();
    }

    void ConvertValue()
    {
        switch (FToken) {
        case tkSymbol: {
            const std::string name = DottedName();
            if (EqualAsciiNoCase(name, "false"))
                FOut += static_cast<char>(vaFalse);
            else if (EqualAsciiNoCase(name, "true"))
                FOut += static_cast<char>(vaTrue);
            else if (EqualAsciiNoCase(name, "nil"))
                FOut += static_cast<char>(vaNil);
            else {
                FOut += static_cast<char>(vaIdent);
                WriteShortString(name);
            }
            return;
        }
        case tkString:
        case tkWString:
            ConvertStringValue();
            return;
        case tkInteger:
            // The stream has no integer type beyond 32 bits. Such numbers are kept as extended
            // floats, which is also what an extended whole number prints as.
            if (TokenText()[0] != '$' && !FitsInt32(TokenText()))
                ConvertFloatValue();
            else
                WriteInteger(IntegerValue());
            Next();
            return;
        case tkFloat:
            ConvertFloatValue();
            Next();
            return;
        case tkChar:
            break;
        default:
            Error(SInvalidProperty);
        }
        switch (FText[FTokenStart]) {
        case '(':
            Enter();
            FOut += static_cast<char>(vaList);
            Next();
            while (!IsChar(')'))
                ConvertValue();
            FOut += '\0';
            Next();
            Leave();
            return;
        case '<':
            Enter();
            FOut += static_cast<char>(vaCollection);
            Next();
            while (!IsChar('>')) {
                if (!IsSymbolText("item"))
                    Expected("item");
                Next();
                if (IsChar('[')) {
                    Next();
                    WriteInteger(IntegerValue());
                    Next();
                    CheckChar(']');
                    Next();
                }
                FOut += static_cast<char>(vaList);
                while (!IsSymbolText("end"))
                    ConvertProperty();
                FOut += '\0';
                Next();
            }
            FOut += '\0';
            Next();
            Leave();
            return;
        case '[':
            FOut += static_cast<char>(vaSet);
            Next();
            if (!IsChar(']')) {
                for (;;) {
                    WriteShortString(CheckSymbol());
                    Next();
                    if (IsChar(']'))
                        break;
                    CheckChar(',');
                    Next();
                }
            }
            FOut += '\0';
            Next();
            return;
        case '{':
            ConvertBinaryValue();
            return;
        default:
            Error(SInvalidProperty);
        }
    }

    void ConvertStringValue()
    {
        std::u16string value = FString;
        bool wide = FToken == tkWString;
        Next();
        while (IsChar('+')) {
            Next();
            if (FToken != tkString && FToken != tkWString)
                Error(SStringExpected);
            value += FString;
            wide = wide || FToken == tkWString;
            Next();
        }
        if (value.size() > UINT32_MAX)
            Error(SInvalidString);
        if (wide) {
            FOut += static_cast<char>(vaWString);
            WriteLE(value.size(), 4);
            for (char16_t c : value)
                WriteLE(c, 2);
        } else {
            if (value.size() < 256) {
                FOut += static_cast<char>(vaString);
                WriteLE(value.size(), 1);
            } else {
                FOut += static_cast<char>(vaLString);
                WriteLE(value.size(), 4);
            }
            for (char16_t c : value)
                FOut += static_cast<char>(c);
        }
    }

    void ConvertFloatValue()
    {
        std::string_view t = TokenText();
        if (FSuffix)
            t.remove_suffix(1);
        if (FSuffix == 'c') {
            std::int64_t count;
            if (!ParseFormCurrency(t, count))
                Error(SNumberExpected);
            FOut += static_cast<char>(vaCurrency);
            WriteLE(static_cast<std::uint64_t>(count), 8);
            return;
        }
        const TFloatLayout layout = FSuffix == 'd' ? TFloatLayout::flDouble
            : FSuffix == 's'                       ? TFloatLayout::flSingle
                                                   : TFloatLayout::flExtended;
        TBinaryFloat f;
        if (!ParseFormFloat(t, layout, f))
            Error(SNumberExpected);
        unsigned char bytes[10];
        EncodeFloat(layout, f, bytes);
        FOut += static_cast<char>(FSuffix == 'd' ? vaDate : FSuffix == 's' ? vaSingle : vaExtended);
        FOut.append(reinterpret_cast<const char*>(bytes), FloatLayoutSize(layout));
    }

    // Hex digits are read straight from the text: a run such as 0A1B would not survive the
    // tokenizer, which splits it into a number and a symbol.
    void ConvertBinaryValue()
    {
        const std::size_t n = FText.size();
        std::size_t p = FPos;
        std::string data;
        int high = -1;
        for (;;) {
            if (p >= n) {
                FTokenLine = FLine;
                Error(SInvalidBinary);
            }
            const unsigned char c = At(p++);
            if (c <= 32 && high < 0) {
                if (c == '\n')
                    ++FLine;
                continue;
            }
            if (c == '}' && high < 0)
                break;
            int v;
            if (c >= '0' && c <= '9')
                v = c - '0';
            else if ((c | 0x20) >= 'a' && (c | 0x20) <= 'f')
                v = (c | 0x20) - 'a' + 10;
            else {
                FTokenLine = FLine;
                Error(SInvalidBinary);
            }
            if (high < 0) {
                high = v;
            } else {
                data += static_cast<char>(high << 4 | v);
                high = -1;
            }
        }
        if (data.size() > UINT32_MAX)
            Error(SInvalidBinary);
        FOut += static_cast<char>(vaBinary);
        WriteLE(data.size(), 4);
        FOut += data;
        FPos = p;
        Next();
    }

    std::string_view FText;
    std::size_t FPos = 0;
    int FLine = 1;
    TTokenKind FToken = tkEOF;
    std::size_t FTokenStart = 0;
    int FTokenLine = 1;
    char FSuffix = 0;
    std::u16string FString;
    std::string FOut;
    int FDepth = 0;
};

} // namespace

std::string FormBinaryToText(std::string_view stream)
{
    return TBinaryToText(stream).Run();
}

std::string FormTextToBinary(std::string_view text)
{
    return TTextToBinary(text).Run();
}

} // namespace quillan
