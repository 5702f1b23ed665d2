#include "base/AsciiCase.h"
#include "highlight/FormStream.h"
#include "highlight/FormStreamNames.h"

#include <cctype>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>

namespace quillan {

using formtext::IsBlockWord;
using formtext::IsIdentChar;
using formtext::IsIdentStart;

namespace {

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

std::string FormTextToBinary(std::string_view text)
{
    return TTextToBinary(text).Run();
}

} // namespace quillan
