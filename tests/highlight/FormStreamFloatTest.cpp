#include "highlight/FormStream.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <string>

using namespace quillan;

namespace {

// Significant digits without trailing zeros and the X of 0.digits * 10^X, from either our general
// format or printf-style scientific text, so that both can be compared.
struct TDigits {
    std::string Digits;
    int X = 0;
    friend bool operator==(const TDigits&, const TDigits&) = default;
};

std::ostream& operator<<(std::ostream& os, const TDigits& d)
{
    return os << "0." << d.Digits << "e" << d.X;
}

TDigits DigitsOf(std::string_view text)
{
    if (!text.empty() && text[0] == '-')
        text.remove_prefix(1);
    const std::size_t e = text.find_first_of("Ee");
    const std::string_view mantissa = text.substr(0, e);
    int exponent = e == std::string_view::npos ? 0 : std::stoi(std::string(text.substr(e + 1)));
    std::string digits;
    int pointAt = -1;
    for (char c : mantissa) {
        if (c == '.')
            pointAt = static_cast<int>(digits.size());
        else
            digits += c;
    }
    if (pointAt < 0)
        pointAt = static_cast<int>(digits.size());
    const std::size_t first = digits.find_first_not_of('0');
    if (first == std::string::npos)
        return { "", 0 };
    pointAt -= static_cast<int>(first);
    digits.erase(0, first);
    digits.erase(digits.find_last_not_of('0') + 1);
    return { digits, pointAt + exponent };
}

template <typename Float> TBinaryFloat FromHost(Float v, TFloatLayout layout)
{
    unsigned char bytes[sizeof(Float)];
    std::memcpy(bytes, &v, sizeof v);
    TBinaryFloat f;
    EXPECT_TRUE(DecodeFloat(layout, bytes, f));
    return f;
}

template <typename Float> Float ToHost(const TBinaryFloat& f, TFloatLayout layout)
{
    unsigned char bytes[16] = {};
    EncodeFloat(layout, f, bytes);
    Float v;
    std::memcpy(&v, bytes, sizeof v);
    return v;
}

std::string Format(std::string_view text, TFloatLayout layout = TFloatLayout::flExtended)
{
    TBinaryFloat f;
    EXPECT_TRUE(ParseFormFloat(text, layout, f)) << text;
    return FormatFormFloat(f);
}

} // namespace

TEST(FormFloat, GeneralFormatChoosesNotationByMagnitude)
{
    EXPECT_EQ(Format("0"), "0");
    EXPECT_EQ(Format("-0.0"), "0");
    EXPECT_EQ(Format("1.5"), "1.5");
    EXPECT_EQ(Format("-1.5"), "-1.5");
    EXPECT_EQ(Format("100"), "100");
    EXPECT_EQ(Format("0.00001"), "0.00001");
    EXPECT_EQ(Format("0.000001"), "1E-6");
    EXPECT_EQ(Format("0.0000015"), "1.5E-6");
    EXPECT_EQ(Format("999999999999999"), "999999999999999");
    EXPECT_EQ(Format("1E15"), "1E15");
    EXPECT_EQ(Format("1e20"), "1E20");
    EXPECT_EQ(Format("123456789.125"), "123456789.125");
    // 15 significant digits: 0.1 + 0.2 as a double prints as 0.3.
    EXPECT_EQ(FormatFormFloat(FromHost(0.1 + 0.2, TFloatLayout::flDouble)), "0.3");
    EXPECT_EQ(FormatFormFloat(FromHost(1.0f / 3.0f, TFloatLayout::flSingle)), "0.333333343267441");
    // Rounding that carries into a new digit moves the notation boundary.
    EXPECT_EQ(Format("999999999999999.5"), "1E15");
    EXPECT_EQ(Format("0.0000099999999999999999"), "0.00001");
}

// Values exactly halfway between two 15-digit numbers go to the even one; the fast path cannot
// see such ties and must hand them to the exact one.
TEST(FormFloat, ExactTiesRoundToEven)
{
    EXPECT_EQ(Format("1234567890123455"), "1.23456789012346E15");
    EXPECT_EQ(Format("1234567890123465"), "1.23456789012346E15");
    EXPECT_EQ(Format("2.384185791015625E-7"), "2.38418579101562E-7"); // 2^-22
    EXPECT_EQ(Format("7.152557373046875E-7"), "7.15255737304688E-7"); // 3 * 2^-22
    EXPECT_EQ(Format("9999999999999995"), "1E16");
}

TEST(FormFloat, ParseRejectsOtherSyntaxAndOverflow)
{
    TBinaryFloat f;
    for (const char* bad : { "", "-", ".5", "1e", "1E+", "1..5", "1.5.5", "--1", "1-2", "0x10", "1e5x", "inf", "nan" })
        EXPECT_FALSE(ParseFormFloat(bad, TFloatLayout::flExtended, f)) << bad;
    EXPECT_TRUE(ParseFormFloat("1.", TFloatLayout::flExtended, f));
    EXPECT_TRUE(ParseFormFloat("1.18973149535723E4932", TFloatLayout::flExtended, f));
    EXPECT_FALSE(ParseFormFloat("1.19E4932", TFloatLayout::flExtended, f));
    EXPECT_FALSE(ParseFormFloat("1E309", TFloatLayout::flDouble, f));
    EXPECT_FALSE(ParseFormFloat("3.5E38", TFloatLayout::flSingle, f));
    EXPECT_FALSE(ParseFormFloat("1E999999999999", TFloatLayout::flExtended, f));
    // Far below the smallest denormal: zero, not an error.
    ASSERT_TRUE(ParseFormFloat("1E-99999", TFloatLayout::flExtended, f));
    EXPECT_EQ(f.Mantissa, 0u);
}

TEST(FormFloat, DoublesMatchTheStandardLibrary)
{
    std::mt19937_64 rng(11);
    for (int i = 0; i < 20000; ++i) {
        const double d = std::bit_cast<double>(rng());
        if (!std::isfinite(d))
            continue;
        char buf[64];
        const auto r = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::scientific, 14);
        const TBinaryFloat f = FromHost(d, TFloatLayout::flDouble);
        const std::string ours = FormatFormFloat(f);
        ASSERT_EQ(DigitsOf(ours), DigitsOf(std::string_view(buf, static_cast<std::size_t>(r.ptr - buf))))
            << ours << " for bits " << std::bit_cast<std::uint64_t>(d);

        // Parsing: the shortest text that names the double must give the double back, and any
        // other decimal must round as the library rounds it.
        const auto shortest = std::to_chars(buf, buf + sizeof buf, d);
        TBinaryFloat p;
        ASSERT_TRUE(ParseFormFloat(
            std::string_view(buf, static_cast<std::size_t>(shortest.ptr - buf)), TFloatLayout::flDouble, p));
        ASSERT_EQ(
            std::bit_cast<std::uint64_t>(ToHost<double>(p, TFloatLayout::flDouble)), std::bit_cast<std::uint64_t>(d))
            << buf;
        double expected;
        std::from_chars(ours.data(), ours.data() + ours.size(), expected);
        ASSERT_TRUE(ParseFormFloat(ours, TFloatLayout::flDouble, p));
        ASSERT_EQ(ToHost<double>(p, TFloatLayout::flDouble), expected) << ours;
    }
}

// The conversions never use the host's long double, which is only an oracle here where it is the
// same 80-bit format.
TEST(FormFloat, ExtendedMatchesTheHostWhereItHasTheFormat)
{
    if (std::numeric_limits<long double>::digits != 64 || std::numeric_limits<long double>::max_exponent != 16384)
        GTEST_SKIP() << "long double is not the 80-bit format on this host";
    std::mt19937_64 rng(3);
    for (int i = 0; i < 20000; ++i) {
        unsigned char bytes[16] = {};
        std::uint64_t mantissa = rng() | (std::uint64_t(1) << 63);
        unsigned exponent;
        switch (i % 3) {
        case 0: // anywhere in the range
            exponent = 1 + static_cast<unsigned>(rng() % 0x7FFE);
            break;
        case 1: // near 1, where forms keep their values
            exponent = 16383 - 60 + static_cast<unsigned>(rng() % 120);
            break;
        default: // denormals
            exponent = 0;
            mantissa >>= 1 + rng() % 63;
            break;
        }
        const std::uint64_t signExp = exponent | ((rng() & 1) << 15);
        std::memcpy(bytes, &mantissa, 8);
        bytes[8] = static_cast<unsigned char>(signExp);
        bytes[9] = static_cast<unsigned char>(signExp >> 8);
        long double host;
        std::memcpy(&host, bytes, 10);

        TBinaryFloat f;
        ASSERT_TRUE(DecodeFloat(TFloatLayout::flExtended, bytes, f));
        const std::string text = FormatFormFloat(f);
        char buf[80];
        std::snprintf(buf, sizeof buf, "%.14Le", host);
        ASSERT_EQ(DigitsOf(text), DigitsOf(buf)) << text;

        TBinaryFloat p;
        ASSERT_TRUE(ParseFormFloat(text, TFloatLayout::flExtended, p)) << text;
        unsigned char parsed[16] = {};
        EncodeFloat(TFloatLayout::flExtended, p, parsed);
        const long double expected = std::strtold(text.c_str(), nullptr);
        if (expected != 0) {
            ASSERT_EQ(std::memcmp(parsed, &expected, 10), 0) << text;
        }
        // Printing the parsed value again gives the same text.
        ASSERT_EQ(FormatFormFloat(p), text);
    }
}

TEST(FormFloat, CurrencyCountIsTheNumberRoundedToEven)
{
    struct {
        const char* Text;
        bool Ok;
        std::int64_t Count;
    } const cases[] = {
        { "15000", true, 15000 },
        { "1.5", true, 2 },
        { "2.5", true, 2 },
        { "2.5000001", true, 3 },
        { "-2.5", true, -2 },
        { "0.4999", true, 0 },
        { "1E3", true, 1000 },
        { "0.0001", true, 0 },
        { "9223372036854775807", true, INT64_MAX },
        { "-9223372036854775808", true, INT64_MIN },
        { "9223372036854775808", false, 0 },
        { "9223372036854775807.5", false, 0 },
        { "1E19", false, 0 },
        { "1E-400", true, 0 },
        { "1x", false, 0 },
    };
    for (const auto& c : cases) {
        std::int64_t count = -1;
        EXPECT_EQ(ParseFormCurrency(c.Text, count), c.Ok) << c.Text;
        if (c.Ok) {
            EXPECT_EQ(count, c.Count) << c.Text;
        }
    }
}
