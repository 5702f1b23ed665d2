#include "highlight/FormStream.h"

#include <gtest/gtest.h>
#include <string>

using namespace quillan;

namespace {

std::string B(std::initializer_list<int> bytes)
{
    std::string s;
    for (int b : bytes)
        s += static_cast<char>(b);
    return s;
}

std::string Short(std::string_view s)
{
    return static_cast<char>(s.size()) + std::string(s);
}

// "TPF0", an object TA with one property P of the given value bytes, and the two end markers.
std::string WithValue(const std::string& value)
{
    return "TPF0" + Short("TA") + Short("") + Short("P") + value + B({ 0, 0 });
}

// What a conversion of untrusted bytes may do: succeed, or raise the conversion error. Anything
// else (another exception, a crash, a sanitizer report) is a fault.
enum class TOutcome { Converted, Refused };

TOutcome Convert(const std::string& stream, std::string* text = nullptr)
{
    try {
        std::string t = FormBinaryToText(stream);
        if (text)
            *text = std::move(t);
        return TOutcome::Converted;
    } catch (const EFormConversionError& e) {
        EXPECT_STREQ(e.what(), SInvalidStreamFormat);
        EXPECT_EQ(e.Line(), 0);
        return TOutcome::Refused;
    }
}

// A form with one value of every type, nested objects and a collection.
std::string FullForm()
{
    std::string s = "TPF0" + B({ 0xF2, 2, 5 }) + Short("TForm") + Short("F");
    s += Short("I8") + B({ 2, 0x80 }) + Short("I16") + B({ 3, 1, 2 }) + Short("I32") + B({ 4, 1, 2, 3, 4 });
    s += Short("E") + B({ 5, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0x3F });
    s += Short("S") + B({ 6, 2, 'h', 'i' }) + Short("Id") + B({ 7, 2, 'i', 'd' }) + Short("F") + B({ 8 }) + Short("T")
        + B({ 9 });
    s += Short("Bin") + B({ 10, 3, 0, 0, 0, 1, 2, 3 }) + Short("Set") + B({ 11, 1, 'a', 0 });
    s += Short("L") + B({ 12, 2, 0, 0, 0, 'x', 'y' }) + Short("N") + B({ 13 });
    s += Short("C") + B({ 14, 2, 1, 1, 0, 1, 1, 'Q', 2, 9, 0, 0 });
    s += Short("Sg") + B({ 15, 0, 0, 0xC0, 0x3F }) + Short("Cu") + B({ 16, 1, 0, 0, 0, 0, 0, 0, 0 });
    s += Short("D") + B({ 17, 0, 0, 0, 0, 0, 0, 0xF8, 0x3F }) + Short("W") + B({ 18, 1, 0, 0, 0, 0x34, 0x12 });
    s += Short("Li") + B({ 1, 2, 1, 1, 0, 0 });
    s += B({ 0 }) + Short("TB") + Short("") + B({ 0, 0, 0 });
    return s;
}

} // namespace

TEST(FormStreamHostile, EveryTruncationIsRefused)
{
    const std::string full = FullForm();
    ASSERT_EQ(Convert(full), TOutcome::Converted);
    for (std::size_t n = 0; n < full.size(); ++n)
        EXPECT_EQ(Convert(full.substr(0, n)), TOutcome::Refused) << "length " << n;
}

// Flipping any byte to any of a spread of values either converts into text that parses back or is
// refused; never anything else.
TEST(FormStreamHostile, CorruptedBytesConvertOrAreRefused)
{
    const std::string full = FullForm();
    for (std::size_t i = 0; i < full.size(); ++i) {
        for (int v : { 0, 1, 2, 4, 5, 7, 10, 12, 14, 18, 19, 0x7F, 0x80, 0xF0, 0xFF }) {
            std::string s = full;
            s[i] = static_cast<char>(v);
            std::string text;
            if (Convert(s, &text) == TOutcome::Converted) {
                EXPECT_EQ(FormBinaryToText(FormTextToBinary(text)), text) << "byte " << i << " = " << v;
            }
        }
    }
}

TEST(FormStreamHostile, LengthsBeyondTheDataAreRefusedBeforeAllocating)
{
    // Lengths of gigabytes with a few bytes behind them: refused without reserving the length.
    for (int type : { 10, 12 })
        for (std::uint32_t length : { 4u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu })
            EXPECT_EQ(
                Convert(WithValue(B({ type, static_cast<int>(length & 0xFF), static_cast<int>((length >> 8) & 0xFF),
                    static_cast<int>((length >> 16) & 0xFF), static_cast<int>(length >> 24), 'a', 'b' }))),
                TOutcome::Refused)
                << type << " " << length;
    // A wide count whose byte size wraps around 32 bits.
    EXPECT_EQ(Convert(WithValue(B({ 18, 0, 0, 0, 0x80, 'a', 0 }))), TOutcome::Refused);
    EXPECT_EQ(Convert(WithValue(B({ 18, 0xFF, 0xFF, 0xFF, 0xFF, 'a', 0 }))), TOutcome::Refused);
    EXPECT_EQ(Convert(WithValue(B({ 6, 200, 'a' }))), TOutcome::Refused);
    EXPECT_EQ(Convert("TPF0" + B({ 200 }) + "TA"), TOutcome::Refused);
}

TEST(FormStreamHostile, ValuesWithoutATextThatReadsBackAreRefused)
{
    const std::string refused[] = {
        "TPF1" + FullForm().substr(4), WithValue(B({ 0 })), // a null where a value belongs
        WithValue(B({ 19 })), WithValue(B({ 0xFF })),
        WithValue(B({ 5, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x7F })), // infinity
        WithValue(B({ 5, 1, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0xFF })), // NaN
        WithValue(B({ 15, 0, 0, 0xC0, 0x7F })), WithValue(B({ 17, 0, 0, 0, 0, 0, 0, 0xF8, 0x7F })),
        WithValue(B({ 7, 4, 'T', 'r', 'u', 'e' })), // would read back as a boolean
        WithValue(B({ 7, 3, 'N', 'I', 'L' })), WithValue(B({ 7, 3, 'a', ' ', 'b' })), WithValue(B({ 7, 2, 'a', '.' })),
        WithValue(B({ 7, 0 })), WithValue(B({ 11, 3, 'a', '-', 'b', 0 })),
        WithValue(B({ 14, 6, 0 })), // an item whose order is no integer
        WithValue(B({ 14, 2, 1, 2, 0, 0 })), // an item without its list marker
        "TPF0" + Short("T A") + Short("") + B({ 0, 0 }), "TPF0" + Short("") + Short("") + B({ 0, 0 }),
        "TPF0" + Short("TA") + Short("1x") + B({ 0, 0 }),
        "TPF0" + Short("TA") + Short("") + Short("end") + B({ 8, 0, 0 }), // would close the object
        "TPF0" + Short("TA") + Short("") + Short("Object.X") + B({ 8, 0, 0 }),
        WithValue(B({ 14, 1 }) + Short("End") + B({ 8, 0, 0 })),
        "TPF0" + Short("TA") + Short("") + Short("") + B({ 8, 0, 0 }),
        "TPF0" + B({ 0xF2, 6, 1, 'x' }) + Short("TA") + Short("") + B({ 0, 0 }), // position is no integer
    };
    for (const std::string& s : refused)
        EXPECT_EQ(Convert(s), TOutcome::Refused) << testing::PrintToString(s);
}

TEST(FormStreamHostile, NestingIsBoundedInBothForms)
{
    auto nestedLists = [](int depth) {
        std::string value;
        for (int i = 0; i < depth; ++i)
            value += B({ 1 });
        value += B({ 2, 7 });
        for (int i = 0; i < depth; ++i)
            value += B({ 0 });
        return WithValue(value);
    };
    // The object is one level; lists fill the rest.
    std::string text;
    ASSERT_EQ(Convert(nestedLists(FormMaxNesting - 1), &text), TOutcome::Converted);
    EXPECT_EQ(FormTextToBinary(text), nestedLists(FormMaxNesting - 1));
    EXPECT_EQ(Convert(nestedLists(FormMaxNesting)), TOutcome::Refused);
    EXPECT_EQ(Convert(nestedLists(1000000)), TOutcome::Refused);

    std::string objects = "TPF0";
    for (int i = 0; i < 100000; ++i)
        objects += Short("TA") + Short("") + B({ 0 });
    EXPECT_EQ(Convert(objects), TOutcome::Refused);

    std::string collections;
    for (int i = 0; i < 100000; ++i)
        collections += B({ 14, 1 }) + Short("P");
    EXPECT_EQ(Convert(WithValue(collections)), TOutcome::Refused);
}

// Indentation grows with depth, so a deep list of one-byte integers would multiply a stream of a
// few megabytes into gigabytes of text; such streams are refused instead.
TEST(FormStreamHostile, TextGrowthIsBounded)
{
    std::string value;
    const int depth = FormMaxNesting - 2;
    for (int i = 0; i < depth - 1; ++i)
        value += B({ 14, 1 }) + Short("P");
    value += B({ 1 });
    for (int i = 0; i < 400000; ++i)
        value += B({ 2, 1 });
    value += B({ 0 });
    for (int i = 0; i < depth - 1; ++i)
        value += B({ 0, 0 });
    EXPECT_EQ(Convert(WithValue(value)), TOutcome::Refused);
}
