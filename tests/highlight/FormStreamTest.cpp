#include "highlight/FormStream.h"

#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

using namespace quillan;

namespace {

// Builds binary object streams byte by byte, so that the expected layout is written down
// independently of the converter that produces it.
struct TStream {
    std::string Bytes = "TPF0";

    TStream& Raw(std::initializer_list<int> bytes)
    {
        for (int b : bytes)
            Bytes += static_cast<char>(b);
        return *this;
    }
    TStream& LE(std::uint64_t v, int n)
    {
        for (int i = 0; i < n; ++i, v >>= 8)
            Bytes += static_cast<char>(v & 0xFF);
        return *this;
    }
    TStream& Short(std::string_view s)
    {
        Bytes += static_cast<char>(s.size());
        Bytes += s;
        return *this;
    }
    TStream& Object(std::string_view cls, std::string_view name) { return Short(cls).Short(name); }
    TStream& End() { return Raw({ 0 }); }
    TStream& Int(long long v)
    {
        if (v >= -128 && v <= 127)
            return Raw({ vaInt8 }).LE(static_cast<std::uint64_t>(v), 1);
        if (v >= -32768 && v <= 32767)
            return Raw({ vaInt16 }).LE(static_cast<std::uint64_t>(v), 2);
        return Raw({ vaInt32 }).LE(static_cast<std::uint64_t>(v), 4);
    }
    TStream& String(std::string_view s)
    {
        if (s.size() < 256)
            return Raw({ vaString }).Short(s);
        Raw({ vaLString }).LE(s.size(), 4);
        Bytes += s;
        return *this;
    }
    TStream& Wide(std::u16string_view s)
    {
        Raw({ vaWString }).LE(s.size(), 4);
        for (char16_t c : s)
            LE(c, 2);
        return *this;
    }
    TStream& Binary(std::string_view data)
    {
        Raw({ vaBinary }).LE(data.size(), 4);
        Bytes += data;
        return *this;
    }
    TStream& Float(TFloatLayout layout, std::string_view text)
    {
        TBinaryFloat f;
        EXPECT_TRUE(ParseFormFloat(text, layout, f)) << text;
        unsigned char b[10];
        EncodeFloat(layout, f, b);
        Raw({ layout == TFloatLayout::flExtended ? vaExtended : layout == TFloatLayout::flSingle ? vaSingle : vaDate });
        Bytes.append(reinterpret_cast<const char*>(b), FloatLayoutSize(layout));
        return *this;
    }
    TStream& Ident(std::string_view s) { return Raw({ vaIdent }).Short(s); }
    TStream& Set(std::initializer_list<std::string_view> names)
    {
        Raw({ vaSet });
        for (std::string_view n : names)
            Short(n);
        return Short("");
    }
};

std::string Bytes(std::size_t n, int start = 0)
{
    std::string s;
    for (std::size_t i = 0; i < n; ++i)
        s += static_cast<char>((start + static_cast<int>(i)) & 0xFF);
    return s;
}

// The parser's message for a text, or "" when it converts.
std::string ParseError(std::string_view text)
{
    try {
        FormTextToBinary(text);
    } catch (const EFormConversionError& e) {
        return e.what();
    }
    return "";
}

} // namespace

TEST(FormStream, EveryValueTypeInItsTextLayout)
{
    const std::string hundred(100, 'x');
    TStream s;
    s.Object("TForm1", "Form1");
    s.Short("Caption").String("It's");
    s.Short("Left").Int(-100);
    s.Short("Top").Int(200);
    s.Short("Width").Int(70000);
    s.Short("Scale").Float(TFloatLayout::flExtended, "1.5");
    s.Short("Opacity").Float(TFloatLayout::flSingle, "0.75");
    s.Short("Price").Raw({ vaCurrency }).LE(15000, 8);
    s.Short("Created").Float(TFloatLayout::flDouble, "36526.5");
    s.Short("Action").Ident("Form1.Action1");
    s.Short("Visible").Raw({ vaFalse });
    s.Short("Enabled").Raw({ vaTrue });
    s.Short("PopupMenu").Raw({ vaNil });
    s.Short("Small").Binary(Bytes(10, 1));
    s.Short("Data").Binary(Bytes(40));
    s.Short("None").Binary("");
    s.Short("Font.Style").Set({ "fsBold", "fsItalic" });
    s.Short("NoStyle").Set({});
    s.Short("Text").String("first\r\nsecond");
    s.Short("Blank").String("");
    s.Short("Wide").Wide(u"Gr\u00FC\u00DFe \u4E16\u754C");
    s.Short("Lines.Strings").Raw({ vaList }).String("a").Int(1).Raw({ vaList, 0 }).End();
    s.Short("Columns").Raw({ vaCollection });
    s.Raw({ vaList }).Short("Width").Int(64).End();
    s.Int(7).Raw({ vaList }).Short("Title.Caption").String("x").Short("object").Raw({ vaTrue }).End();
    s.End();
    s.Short("NoItems").Raw({ vaCollection, 0 });
    s.Short("Long").String(hundred);
    s.End();
    s.Raw({ 0xF3 }).Int(2).Object("TButton", "Button1").End();
    s.Object("TPanel", "").End().End().End();
    s.End();

    const std::string expected = "object Form1: TForm1\r\n"
                                 "  Caption = 'It''s'\r\n"
                                 "  Left = -100\r\n"
                                 "  Top = 200\r\n"
                                 "  Width = 70000\r\n"
                                 "  Scale = 1.5\r\n"
                                 "  Opacity = 0.75s\r\n"
                                 "  Price = 15000c\r\n"
                                 "  Created = 36526.5d\r\n"
                                 "  Action = Form1.Action1\r\n"
                                 "  Visible = False\r\n"
                                 "  Enabled = True\r\n"
                                 "  PopupMenu = nil\r\n"
                                 "  Small = {0102030405060708090A}\r\n"
                                 "  Data = {\r\n"
                                 "    000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F\r\n"
                                 "    2021222324252627}\r\n"
                                 "  None = {}\r\n"
                                 "  Font.Style = [fsBold, fsItalic]\r\n"
                                 "  NoStyle = []\r\n"
                                 "  Text = 'first'#13#10'second'\r\n"
                                 "  Blank = ''\r\n"
                                 "  Wide = 'Gr\xFC\xDF"
                                 "e '#19990#30028\r\n"
                                 "  Lines.Strings = (\r\n"
                                 "    'a'\r\n"
                                 "    1\r\n"
                                 "    ())\r\n"
                                 "  Columns = <\r\n"
                                 "    item\r\n"
                                 "      Width = 64\r\n"
                                 "    end\r\n"
                                 "    item [7]\r\n"
                                 "      Title.Caption = 'x'\r\n"
                                 "      object = True\r\n"
                                 "    end>\r\n"
                                 "  NoItems = <>\r\n"
                                 "  Long = \r\n"
                                 "    '"
        + std::string(64, 'x') + "' +\r\n    '" + std::string(36, 'x')
        + "'\r\n"
          "  inherited Button1: TButton [2]\r\n"
          "    object TPanel\r\n"
          "    end\r\n"
          "  end\r\n"
          "end\r\n";
    const std::string text = FormBinaryToText(s.Bytes);
    EXPECT_EQ(text, expected);
    EXPECT_EQ(FormTextToBinary(text), s.Bytes);
}

TEST(FormStream, StringFoldingKeepsPiecesAndCharactersWhole)
{
    auto convert = [](std::string_view value) {
        TStream s;
        s.Object("T", "").Short("S").String(value).End().End();
        std::string text = FormBinaryToText(s.Bytes);
        EXPECT_EQ(FormTextToBinary(text), s.Bytes) << text;
        return text.substr(text.find(" = ") + 3, text.rfind("\r\nend") - text.find(" = ") - 3);
    };
    // Exactly 64 characters still fit on the property's line.
    EXPECT_EQ(convert(std::string(64, 'a')), "'" + std::string(64, 'a') + "'");
    // A cut that would separate "é" from its lead byte moves before it.
    const std::string accented = std::string(63, 'a') + "\xC3\xA9" + "b";
    EXPECT_EQ(convert(accented), "\r\n    '" + std::string(63, 'a') + "' +\r\n    '\xC3\xA9" + "b'");
    // Character codes count towards the line but never end a piece; the next piece starts a line.
    const std::string controls = std::string(70, '\x01') + "abc";
    std::string codes;
    for (int i = 0; i < 70; ++i)
        codes += "#1";
    EXPECT_EQ(convert(controls), "\r\n    " + codes + " +\r\n    'abc'");
    // Doubled quotes are one character each.
    const std::string quotes(65, '\'');
    EXPECT_EQ(convert(quotes), "\r\n    '" + std::string(128, '\'') + "' +\r\n    ''''");
}

// Forms as the tools write them must come back byte for byte. The generator keeps to what the
// text can name: minimal integer types, strings typed by their length, wide strings with a
// character of 256 or above, floats of at most 15 digits and names that are identifiers.
class TRandomForm {
public:
    explicit TRandomForm(unsigned seed)
        : FRng(seed)
    {
    }

    std::string Make()
    {
        TStream s;
        Object(s, 1);
        return s.Bytes;
    }

private:
    unsigned Pick(unsigned n) { return FRng() % n; }
    std::string Name()
    {
        static const char* const names[] = { "Left", "Caption", "Font", "_x1", "Items", "Data", "Z9" };
        std::string n = names[Pick(7)];
        if (Pick(3) == 0)
            n += std::string(".") + names[Pick(7)];
        return n;
    }
    std::string Text(std::size_t maxLength)
    {
        static const std::string pieces[] = { "a", "'", "\r\n", "\t", "\xC3\xA9", "\xE4\xB8\x96", "\x80", " ", "#" };
        std::string t;
        const std::size_t n = Pick(static_cast<unsigned>(maxLength));
        while (t.size() < n)
            t += pieces[Pick(9)];
        return t;
    }

    void Value(TStream& s, int depth)
    {
        // Extended whole numbers print without a point and read back as integers, so the extended
        // values skip "0" at index 0.
        static const char* const floats[] = { "0", "1.5", "-2.25", "1E20", "3.14159265358979", "1.5E-7", "0.00001",
            "-12345678901.2345", "6.5E300", "2.5E-320" };
        switch (Pick(depth < 4 ? 19 : 16)) {
        case 0:
            s.Int(static_cast<int>(FRng()) >> Pick(32));
            break;
        case 1:
            s.Float(TFloatLayout::flExtended, floats[1 + Pick(9)]);
            break;
        case 2:
            s.Float(TFloatLayout::flSingle, floats[Pick(6)]);
            break;
        case 3:
            s.Float(TFloatLayout::flDouble, floats[Pick(10)]);
            break;
        case 4:
            s.Raw({ vaCurrency }).LE(FRng() * 0x9E3779B97F4A7C15ull >> Pick(64), 8);
            break;
        case 5:
            s.String(Text(Pick(4) == 0 ? 400 : 80));
            break;
        case 6: {
            std::u16string w = u"\u0100";
            for (std::size_t n = Pick(90); n-- > 0;)
                w += static_cast<char16_t>(Pick(3) ? 32 + Pick(90) : Pick(65536));
            std::shuffle(w.begin(), w.end(), FRng);
            s.Wide(w);
            break;
        }
        case 7:
            s.Ident(Pick(2) ? "alClient" : "Form1.Button_2");
            break;
        case 8:
            s.Raw({ vaFalse });
            break;
        case 9:
            s.Raw({ vaTrue });
            break;
        case 10:
            s.Raw({ vaNil });
            break;
        case 11:
            s.Binary(Bytes(Pick(4) == 0 ? Pick(200) : Pick(40), static_cast<int>(Pick(256))));
            break;
        case 12:
            Pick(2) ? s.Set({}) : s.Set({ "akLeft", "akTop", "x" });
            break;
        case 13:
        case 14:
        case 15:
            s.Int(Pick(2) ? -static_cast<int>(Pick(40000)) : static_cast<int>(Pick(300)));
            break;
        case 16:
        case 17:
            s.Raw({ vaList });
            for (unsigned n = Pick(4); n-- > 0;)
                Value(s, depth + 1);
            s.End();
            break;
        default:
            s.Raw({ vaCollection });
            for (unsigned n = Pick(3); n-- > 0;) {
                if (Pick(2))
                    s.Int(static_cast<int>(Pick(70000)));
                s.Raw({ vaList });
                for (unsigned k = Pick(3); k-- > 0;)
                    Property(s, depth + 1);
                s.End();
            }
            s.End();
            break;
        }
    }
    void Property(TStream& s, int depth)
    {
        s.Short(Name());
        Value(s, depth);
    }
    void Object(TStream& s, int depth)
    {
        const unsigned flags = Pick(4);
        if (flags) {
            s.Raw({ static_cast<int>(0xF0 | flags) });
            if (flags & 2)
                s.Int(static_cast<int>(Pick(1000)));
        }
        s.Object("TControl", Pick(3) ? "Control" + std::to_string(Pick(100)) : "");
        for (unsigned n = Pick(8); n-- > 0;)
            Property(s, depth);
        s.End();
        for (unsigned n = depth < 4 ? Pick(4) : 0; n-- > 0;)
            Object(s, depth + 1);
        s.End();
    }

    std::mt19937_64 FRng;
};

TEST(FormStream, GeneratedFormsRoundTripExactly)
{
    for (unsigned seed = 1; seed <= 300; ++seed) {
        const std::string stream = TRandomForm(seed).Make();
        const std::string text = FormBinaryToText(stream);
        ASSERT_EQ(FormTextToBinary(text), stream) << "seed " << seed << "\n" << text;
    }
}

// Encodings the writer would not have chosen read back as the canonical ones; the text stays the
// same from the first conversion on.
TEST(FormStream, OtherEncodingsOfAValueGiveStableText)
{
    TStream s;
    s.Object("T", "");
    s.Short("Small").Raw({ vaInt32 }).LE(5, 4);
    s.Short("Short").Raw({ vaLString }).LE(2, 4).Raw({ 'h', 'i' });
    s.Short("Narrow").Wide(u"abc\u00E9");
    s.Short("Whole").Float(TFloatLayout::flExtended, "100");
    s.Short("Huge").Float(TFloatLayout::flExtended, "4558622295640");
    s.Short("Unnormal").Raw({ vaExtended, 0, 0, 0, 0, 0, 0, 0, 0x40, 0xFF, 0x3F });
    s.Short("Bits").Raw({ vaExtended, 1, 2, 3, 4, 5, 6, 7, 0x88, 0x01, 0x40 });
    s.Short("Denormal").Raw({ vaDate, 1, 0, 0, 0, 0, 0, 0, 0 });
    s.End().End();
    const std::string text = FormBinaryToText(s.Bytes);
    EXPECT_NE(text.find("Small = 5\r\n"), std::string::npos);
    EXPECT_NE(text.find("Short = 'hi'\r\n"), std::string::npos);
    EXPECT_NE(text.find("Narrow = 'abc\xE9'\r\n"), std::string::npos);
    EXPECT_NE(text.find("Whole = 100\r\n"), std::string::npos);
    EXPECT_NE(text.find("Huge = 4558622295640\r\n"), std::string::npos);
    EXPECT_NE(text.find("Unnormal = 0.5\r\n"), std::string::npos);
    EXPECT_NE(text.find("Denormal = 4.94065645841247E-324d\r\n"), std::string::npos);
    EXPECT_EQ(FormBinaryToText(FormTextToBinary(text)), text);
}

TEST(FormStream, ParserAcceptsTheTextLoosely)
{
    TStream s;
    s.Raw({ 0xF1 }).Object("TB", "A");
    s.Short("Font.Name").Raw({ vaTrue });
    s.Short("X").Raw({ vaNil });
    s.Short("Y").Int(255);
    s.Short("Z").Int(-1);
    s.Short("W").Int(0);
    s.Short("S").String("ab'c\xC3");
    s.Short("B").Binary("\x0A\xBC");
    s.End().End();
    // Keywords in any case, blanks of every kind (NUL included) between tokens, hex numbers as
    // 32-bit patterns, joined strings, binary digits in groups over lines, and anything after
    // the outermost "end" left unread.
    const std::string text
        = std::string("INHERITED A : TB\n\tFont . Name=TRUE X = NIL\x01Y=$FF Z = $FFFFFFFF W = -0\r\n")
        + std::string("\0", 1) + "S = 'ab' + '''c'#195 B = {0a\r\n  bC }\nEnD 'never read";
    EXPECT_EQ(FormTextToBinary(text), s.Bytes);
}

TEST(FormStream, ParserErrorsNameTheLine)
{
    struct {
        const char* Text;
        const char* Message;
    } const cases[] = {
        { "", "'object' expected on line 1" },
        { "thing A: B\nend", "'object' expected on line 1" },
        { "object", "Identifier expected on line 1" },
        { "object A:\n 1", "Identifier expected on line 2" },
        { "object A: B\r\n  X = 1\r\n", "Identifier expected on line 3" },
        { "object A: B\n  X 1\nend", "'=' expected on line 2" },
        { "object A: B [x]\nend", "Number expected on line 1" },
        { "object A: B [1 end", "']' expected on line 1" },
        { "object A: B\n  X = 'abc\nend", "Invalid string constant on line 2" },
        { "object A: B\n  X = 'abc", "Invalid string constant on line 2" },
        { "object A: B\n  X = #\nend", "Invalid string constant on line 2" },
        { "object A: B\n  X = #65536\nend", "Invalid string constant on line 2" },
        { "object A: B\n  X = )\nend", "Invalid property value on line 2" },
        { "object A: B\n  X = (1\n", "Invalid property value on line 3" },
        { "object A: B\n  X = {0G}\nend", "Invalid binary value on line 2" },
        { "object A: B\n  X = {\n 012}\nend", "Invalid binary value on line 3" },
        { "object A: B\n  X = {\n00\n", "Invalid binary value on line 4" },
        { "object A: B\n  X = 'a' +\n 1\nend", "String expected on line 3" },
        { "object A: B\n  X = [a b]\nend", "',' expected on line 2" },
        { "object A: B\n  X = [a,]\nend", "Identifier expected on line 2" },
        { "object A: B\n  X = <\n foo end>\nend", "'item' expected on line 3" },
        { "object A: B\n  X = 1.5.5\nend", "Number expected on line 2" },
        { "object A: B [2147483648]\nend", "Number expected on line 1" },
        { "object A: B\n  X = $100000000\nend", "Number expected on line 2" },
        { "object A: B\n  X = 1E5000\nend", "Number expected on line 2" },
        { "object A: B\n  X = 1E39s\nend", "Number expected on line 2" },
        { "object A: B\n  X = 1E19c\nend", "Number expected on line 2" },
        { "object A: B\n  X. = 1\nend", "Identifier expected on line 2" },
        { "object A: B\n  object C: D\n  end\n  Foo = 1\nend", "'object' expected on line 4" },
        { "object A: B\rX = 'a\rend", "Invalid string constant on line 1" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseError(c.Text), c.Message) << c.Text;

    EXPECT_EQ(ParseError("object A: B\n  X = " + std::string(5000, '9') + "\nend"), "Number expected on line 2");
    const std::string longName = "object A: B\n  " + std::string(256, 'n') + " = 1\nend";
    EXPECT_EQ(ParseError(longName), "Identifier too long on line 2");
    EXPECT_EQ(ParseError("object " + std::string(239, 'C') + "\nend"), "");
    EXPECT_EQ(ParseError("object " + std::string(240, 'C') + "\nend"), "Identifier too long on line 1");
    EXPECT_EQ(ParseError("object A: B\n  X = " + std::string(200, 'v') + "." + std::string(60, 'v') + "\n  Y = 1\nend"),
        "Identifier too long on line 2");
    EXPECT_EQ(ParseError("object A: B\n  X = " + std::string(200, '(')), "Nesting too deep on line 2");
    try {
        FormTextToBinary("object A: B\n\n  X = ]\nend");
        FAIL() << "no error";
    } catch (const EFormConversionError& e) {
        EXPECT_EQ(e.Reason(), SInvalidProperty);
        EXPECT_EQ(e.Line(), 3);
    }
}

TEST(FormStream, TextToBinaryChoosesTheSmallestEncoding)
{
    auto valueBytes = [](std::string_view value) {
        const std::string bin = FormTextToBinary("object A: T\n  V = " + std::string(value) + "\nend");
        // "TPF0", "T", "A", "V"; the value runs up to the two end bytes.
        const std::size_t at = 4 + 2 + 2 + 2;
        return bin.substr(at, bin.size() - at - 2);
    };
    EXPECT_EQ(valueBytes("127"), std::string("\x02\x7F", 2));
    EXPECT_EQ(valueBytes("-100"), std::string("\x02\x9C", 2));
    EXPECT_EQ(valueBytes("200"), std::string("\x03\xC8\x00", 3));
    EXPECT_EQ(valueBytes("-32769"), std::string("\x04\xFF\x7F\xFF\xFF", 5));
    EXPECT_EQ(valueBytes("70000"), std::string("\x04\x70\x11\x01\x00", 5));
    // Beyond 32 bits only an extended float can hold the number: 2^31 exactly.
    EXPECT_EQ(valueBytes("2147483648"), std::string("\x05\0\0\0\0\0\0\0\x80\x1E\x40", 11));
    EXPECT_EQ(valueBytes("-2147483648"), std::string("\x04\0\0\0\x80", 5));
    EXPECT_EQ(valueBytes("15000c"), std::string("\x10\x98\x3A\0\0\0\0\0\0", 9));
    EXPECT_EQ(valueBytes("1.5s"), std::string("\x0F\x00\x00\xC0\x3F", 5));
    EXPECT_EQ(valueBytes("1.5"), std::string("\x05\0\0\0\0\0\0\0\xC0\xFF\x3F", 11));
    EXPECT_EQ(valueBytes("[]"), std::string("\x0B\x00", 2));
    EXPECT_EQ(valueBytes("'" + std::string(255, 'a') + "'")[0], vaString);
    EXPECT_EQ(valueBytes("'" + std::string(255, 'a') + "'#97")[0], vaLString);
    EXPECT_EQ(valueBytes("'a' + #256"), std::string("\x12\x02\0\0\0a\0\0\x01", 9));
}
