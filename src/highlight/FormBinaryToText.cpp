#include "base/AsciiCase.h"
#include "highlight/FormStream.h"
#include "highlight/FormStreamNames.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>

namespace quillan {

using formtext::IsBlockWord;
using formtext::IsDottedSymbol;
using formtext::IsSymbol;

namespace {

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

} // namespace

std::string FormBinaryToText(std::string_view stream)
{
    return TBinaryToText(stream).Run();
}

} // namespace quillan
