#include "highlight/FormStream.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace quillan {

namespace {

using u128 = unsigned __int128;

int BitLength(u128 v)
{
    const auto hi = static_cast<std::uint64_t>(v >> 64);
    if (hi)
        return 128 - std::countl_zero(hi);
    return 64 - std::countl_zero(static_cast<std::uint64_t>(v));
}

// --- arbitrary precision ------------------------------------------------------------------------
// Just enough unsigned arithmetic for exact decimal <-> binary conversion. Only divisions with a
// small quotient are needed, and binary long division does those in a few passes.

class TBigNum {
public:
    TBigNum() = default;
    explicit TBigNum(std::uint64_t v)
    {
        while (v) {
            FLimbs.push_back(static_cast<std::uint32_t>(v));
            v >>= 32;
        }
    }

    bool IsZero() const { return FLimbs.empty(); }
    int BitLength() const
    {
        if (FLimbs.empty())
            return 0;
        return static_cast<int>(FLimbs.size() - 1) * 32 + (32 - std::countl_zero(FLimbs.back()));
    }

    void MulAdd(std::uint32_t factor, std::uint32_t addend)
    {
        std::uint64_t carry = addend;
        for (std::uint32_t& limb : FLimbs) {
            const std::uint64_t t = std::uint64_t(limb) * factor + carry;
            limb = static_cast<std::uint32_t>(t);
            carry = t >> 32;
        }
        if (carry)
            FLimbs.push_back(static_cast<std::uint32_t>(carry));
        Trim();
    }

    void ShiftLeft(int bits)
    {
        if (IsZero() || bits <= 0)
            return;
        const std::size_t words = static_cast<std::size_t>(bits / 32);
        const int rest = bits % 32;
        if (rest) {
            std::uint32_t carry = 0;
            for (std::uint32_t& limb : FLimbs) {
                const std::uint32_t next = limb >> (32 - rest);
                limb = (limb << rest) | carry;
                carry = next;
            }
            if (carry)
                FLimbs.push_back(carry);
        }
        FLimbs.insert(FLimbs.begin(), words, 0);
    }

    void ShiftRight1()
    {
        for (std::size_t i = 0; i < FLimbs.size(); ++i) {
            const std::uint32_t high = i + 1 < FLimbs.size() ? FLimbs[i + 1] : 0;
            FLimbs[i] = (FLimbs[i] >> 1) | (high << 31);
        }
        Trim();
    }

    // Divides in place and returns the remainder.
    std::uint32_t DivSmall(std::uint32_t divisor)
    {
        std::uint64_t rem = 0;
        for (std::size_t i = FLimbs.size(); i-- > 0;) {
            const std::uint64_t cur = (rem << 32) | FLimbs[i];
            FLimbs[i] = static_cast<std::uint32_t>(cur / divisor);
            rem = cur % divisor;
        }
        Trim();
        return static_cast<std::uint32_t>(rem);
    }

    static int Compare(const TBigNum& a, const TBigNum& b)
    {
        if (a.FLimbs.size() != b.FLimbs.size())
            return a.FLimbs.size() < b.FLimbs.size() ? -1 : 1;
        for (std::size_t i = a.FLimbs.size(); i-- > 0;)
            if (a.FLimbs[i] != b.FLimbs[i])
                return a.FLimbs[i] < b.FLimbs[i] ? -1 : 1;
        return 0;
    }

    // this >= b is required.
    void Subtract(const TBigNum& b)
    {
        std::int64_t borrow = 0;
        for (std::size_t i = 0; i < FLimbs.size(); ++i) {
            std::int64_t t = std::int64_t(FLimbs[i]) - borrow - (i < b.FLimbs.size() ? std::int64_t(b.FLimbs[i]) : 0);
            borrow = t < 0;
            if (t < 0)
                t += std::int64_t(1) << 32;
            FLimbs[i] = static_cast<std::uint32_t>(t);
        }
        Trim();
    }

    bool Bit(int index) const
    {
        const auto word = static_cast<std::size_t>(index / 32);
        return word < FLimbs.size() && ((FLimbs[word] >> (index % 32)) & 1u);
    }
    void SetBit(int index)
    {
        const auto word = static_cast<std::size_t>(index / 32);
        if (word >= FLimbs.size())
            FLimbs.resize(word + 1, 0);
        FLimbs[word] |= 1u << (index % 32);
    }
    bool AnyBitBelow(int index) const
    {
        const auto word = static_cast<std::size_t>(index / 32);
        for (std::size_t i = 0; i < word && i < FLimbs.size(); ++i)
            if (FLimbs[i])
                return true;
        return word < FLimbs.size() && (FLimbs[word] & ((1u << (index % 32)) - 1u));
    }
    // Bits [from, from + count) as a number; count <= 128.
    u128 Bits(int from, int count) const
    {
        u128 r = 0;
        for (int i = count; i-- > 0;)
            r = (r << 1) | (Bit(from + i) ? 1u : 0u);
        return r;
    }

    void MulPow5(int n)
    {
        static constexpr std::uint32_t small[]
            = { 1, 5, 25, 125, 625, 3125, 15625, 78125, 390625, 1953125, 9765625, 48828125, 244140625 };
        for (; n >= 13; n -= 13)
            MulAdd(1220703125u, 0);
        MulAdd(small[n], 0);
    }

    static TBigNum Pow5(int n)
    {
        TBigNum r(1);
        r.MulPow5(n);
        return r;
    }

    // Quotient and remainder by binary long division: cheap when the quotient is short, which is
    // all that conversions to a fixed number of bits or digits need.
    static TBigNum Divide(TBigNum a, const TBigNum& b, TBigNum& remainder)
    {
        TBigNum q;
        const int shift = a.BitLength() - b.BitLength();
        if (shift >= 0) {
            TBigNum d = b;
            d.ShiftLeft(shift);
            for (int i = shift; i >= 0; --i) {
                if (Compare(a, d) >= 0) {
                    a.Subtract(d);
                    q.SetBit(i);
                }
                d.ShiftRight1();
            }
        }
        remainder = std::move(a);
        return q;
    }

    std::string ToDecimal() const
    {
        if (IsZero())
            return "0";
        TBigNum n = *this;
        std::vector<std::uint32_t> chunks;
        while (!n.IsZero())
            chunks.push_back(n.DivSmall(1000000000u));
        std::string s = std::to_string(chunks.back());
        for (std::size_t i = chunks.size() - 1; i-- > 0;) {
            const std::string part = std::to_string(chunks[i]);
            s.append(9 - part.size(), '0');
            s += part;
        }
        return s;
    }

    static TBigNum FromDecimal(std::string_view digits)
    {
        TBigNum r;
        std::size_t i = 0;
        while (i < digits.size()) {
            std::uint32_t chunk = 0, scale = 1;
            for (int k = 0; k < 9 && i < digits.size(); ++k, ++i) {
                chunk = chunk * 10 + static_cast<std::uint32_t>(digits[i] - '0');
                scale *= 10;
            }
            if (r.IsZero())
                r = TBigNum(chunk);
            else
                r.MulAdd(scale, chunk);
        }
        return r;
    }

private:
    void Trim()
    {
        while (!FLimbs.empty() && FLimbs.back() == 0)
            FLimbs.pop_back();
    }

    std::vector<std::uint32_t> FLimbs;
};

// --- float layouts ------------------------------------------------------------------------------

struct TLayoutInfo {
    int Precision; // mantissa bits, integer bit included
    int MinExp; // exponent of the mantissa's unit for denormals and the smallest normals
    int MaxExp; // the same for the largest finite values
    int MaxDecimal; // values with more integer digits than this overflow
    int MinDecimal; // values below 10^MinDecimal round to zero
};

const TLayoutInfo& Layout(TFloatLayout layout)
{
    static constexpr TLayoutInfo single { 24, -149, 104, 39, -46 };
    static constexpr TLayoutInfo dbl { 53, -1074, 971, 309, -324 };
    static constexpr TLayoutInfo extended { 64, -16445, 16320, 4933, -4951 };
    switch (layout) {
    case TFloatLayout::flSingle:
        return single;
    case TFloatLayout::flDouble:
        return dbl;
    default:
        return extended;
    }
}

std::uint64_t LoadLE(const unsigned char* p, int n)
{
    std::uint64_t v = 0;
    for (int i = n; i-- > 0;)
        v = (v << 8) | p[i];
    return v;
}

void StoreLE(unsigned char* p, std::uint64_t v, int n)
{
    for (int i = 0; i < n; ++i, v >>= 8)
        p[i] = static_cast<unsigned char>(v);
}

// Rounds q * 2^e to the layout, ties to even. `sticky` says that the exact value lies strictly
// between q * 2^e and (q + 1) * 2^e; then q must carry at least two bits beyond the precision.
bool RoundToLayout(const TLayoutInfo& li, u128 q, int e, bool sticky, TBinaryFloat& out)
{
    out.Mantissa = 0;
    out.Exponent = 0;
    if (q == 0)
        return true;
    int len = BitLength(q);
    if (len < li.Precision + 2) {
        const int widen = li.Precision + 2 - len;
        q <<= widen;
        e -= widen;
        len += widen;
    }
    int target = std::max(e + len - li.Precision, li.MinExp);
    const long long shift = static_cast<long long>(target) - e;
    if (shift > len)
        return true; // below half the smallest denormal
    u128 m = shift >= 128 ? 0 : q >> shift;
    const u128 rem = shift >= 128 ? q : q & ((u128(1) << shift) - 1);
    const u128 half = u128(1) << (shift - 1);
    if (rem > half || (rem == half && (sticky || (m & 1)))) {
        ++m;
        if (m >> li.Precision) {
            m >>= 1;
            ++target;
        }
    }
    if (m == 0)
        return true;
    if (target > li.MaxExp)
        return false;
    out.Mantissa = static_cast<std::uint64_t>(m);
    out.Exponent = target;
    return true;
}

// Splits [-]digits[.digits][(E|e)[+|-]digits] into its significant digits (no leading or trailing
// zeros, empty for zero) and the power of ten of their last digit. Exponents are clamped far
// beyond any layout so that huge ones cannot overflow.
bool SplitDecimal(std::string_view text, bool& negative, std::string& digits, long long& exponent)
{
    std::size_t i = 0;
    negative = i < text.size() && text[i] == '-';
    if (negative)
        ++i;
    digits.clear();
    long long scale = 0;
    std::size_t intDigits = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++intDigits)
        digits += text[i];
    if (intDigits == 0)
        return false;
    if (i < text.size() && text[i] == '.') {
        for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
            digits += text[i];
            --scale;
        }
    }
    if (i < text.size() && (text[i] == 'E' || text[i] == 'e')) {
        ++i;
        bool expNegative = false;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            expNegative = text[i++] == '-';
        long long e = 0;
        std::size_t expDigits = 0;
        for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++expDigits)
            e = std::min<long long>(e * 10 + (text[i] - '0'), 1000000000LL);
        if (expDigits == 0)
            return false;
        scale += expNegative ? -e : e;
    }
    if (i != text.size())
        return false;
    const std::size_t first = digits.find_first_not_of('0');
    if (first == std::string::npos) {
        digits.clear();
        exponent = 0;
        return true;
    }
    digits.erase(0, first);
    const std::size_t last = digits.find_last_not_of('0');
    scale += static_cast<long long>(digits.size() - 1 - last);
    digits.resize(last + 1);
    exponent = scale;
    return true;
}

// --- decimal output -----------------------------------------------------------------------------
// A float is printed from 15 correctly rounded significant digits. The fast path multiplies by a
// 192-bit approximation of a power of ten; only when the result lies too close to a rounding tie
// for that precision to decide does the exact (and for extreme exponents slow) path run, so a
// stream of hostile values cannot make the conversion crawl.

struct TWide192 {
    std::uint64_t W[3] = { 0, 0, 0 }; // most significant first; W[0]'s top bit set
    int E = 0; // value = W * 2^E
};

TWide192 TopBits192(const TBigNum& n)
{
    TWide192 r;
    const int len = n.BitLength();
    const int from = len - 192;
    for (int k = 0; k < 3; ++k) {
        std::uint64_t w = 0;
        for (int b = 63; b >= 0; --b) {
            const int bit = from + (2 - k) * 64 + b;
            w = (w << 1) | (bit >= 0 && n.Bit(bit) ? 1u : 0u);
        }
        r.W[k] = w;
    }
    r.E = from;
    return r;
}

TWide192 Multiply192(const TWide192& a, const TWide192& b)
{
    // Limbs least significant first for the schoolbook product.
    const std::uint64_t x[3] = { a.W[2], a.W[1], a.W[0] };
    const std::uint64_t y[3] = { b.W[2], b.W[1], b.W[0] };
    std::uint64_t p[6] = { 0, 0, 0, 0, 0, 0 };
    for (int i = 0; i < 3; ++i) {
        std::uint64_t carry = 0;
        for (int j = 0; j < 3; ++j) {
            const u128 t = u128(x[i]) * y[j] + p[i + j] + carry;
            p[i + j] = static_cast<std::uint64_t>(t);
            carry = static_cast<std::uint64_t>(t >> 64);
        }
        p[i + 3] = carry;
    }
    TWide192 r;
    r.E = a.E + b.E + 192;
    if (!(p[5] >> 63)) {
        for (int i = 5; i > 0; --i)
            p[i] = (p[i] << 1) | (p[i - 1] >> 63);
        p[0] <<= 1;
        --r.E;
    }
    r.W[0] = p[5];
    r.W[1] = p[4];
    r.W[2] = p[3];
    return r;
}

// 10^(2^i) and 10^-(2^i) for i = 0..12, each truncated to 192 bits from the exact value.
struct TPowerTables {
    TWide192 Up[13];
    TWide192 Down[13];
};

const TPowerTables& PowerTables()
{
    static const TPowerTables tables = [] {
        TPowerTables t;
        for (int i = 0; i < 13; ++i) {
            const int n = 1 << i;
            TBigNum p = TBigNum::Pow5(n);
            p.ShiftLeft(n);
            t.Up[i] = TopBits192(p);
            const int s = p.BitLength() + 192;
            TBigNum one(1);
            one.ShiftLeft(s);
            TBigNum rem;
            TWide192 q = TopBits192(TBigNum::Divide(std::move(one), p, rem));
            q.E -= s;
            t.Down[i] = q;
        }
        return t;
    }();
    return tables;
}

// 10^n approximated to about 185 bits, |n| < 8192.
TWide192 PowerOfTen(int n)
{
    const TPowerTables& t = PowerTables();
    const TWide192* table = n < 0 ? t.Down : t.Up;
    unsigned k = static_cast<unsigned>(n < 0 ? -n : n);
    TWide192 r;
    bool any = false;
    for (int i = 0; k; ++i, k >>= 1) {
        if (!(k & 1))
            continue;
        r = any ? Multiply192(r, table[i]) : table[i];
        any = true;
    }
    if (!any) {
        r.W[0] = std::uint64_t(1) << 63;
        r.E = -191;
    }
    return r;
}

std::uint64_t Pow10u(int n)
{
    std::uint64_t r = 1;
    while (n-- > 0)
        r *= 10;
    return r;
}

// Digits without trailing zeros and X such that the value is 0.digits * 10^X.
struct TDecimal {
    std::string Digits;
    int X = 0;
};

void RoundDigitsTo15(std::string& digits, int x, TDecimal& out)
{
    if (digits.size() > 15) {
        const char next = digits[15];
        const bool beyond = digits.find_first_not_of('0', 16) != std::string::npos;
        const bool odd = (digits[14] - '0') & 1;
        digits.resize(15);
        if (next > '5' || (next == '5' && (beyond || odd))) {
            int i = 14;
            while (i >= 0 && digits[i] == '9')
                digits[i--] = '0';
            if (i < 0) {
                digits.insert(digits.begin(), '1');
                digits.resize(15);
                ++x;
            } else {
                ++digits[i];
            }
        }
    }
    const std::size_t last = digits.find_last_not_of('0');
    digits.resize(last + 1);
    out.Digits = std::move(digits);
    out.X = x;
}

void ExactDecimal(std::uint64_t m, int k, TDecimal& out)
{
    TBigNum n(m);
    std::string digits;
    int x;
    if (k >= 0) {
        n.ShiftLeft(k);
        digits = n.ToDecimal();
        x = static_cast<int>(digits.size());
    } else {
        n.MulPow5(-k);
        digits = n.ToDecimal();
        x = static_cast<int>(digits.size()) + k;
    }
    RoundDigitsTo15(digits, x, out);
}

// m * p exactly, as 256 bits with the least significant limb first.
struct TProduct256 {
    std::uint64_t Limb[4] = { 0, 0, 0, 0 };

    TProduct256(std::uint64_t m, const TWide192& p)
    {
        std::uint64_t carry = 0;
        const std::uint64_t y[3] = { p.W[2], p.W[1], p.W[0] };
        for (int j = 0; j < 3; ++j) {
            const u128 t = u128(m) * y[j] + carry;
            Limb[j] = static_cast<std::uint64_t>(t);
            carry = static_cast<std::uint64_t>(t >> 64);
        }
        Limb[3] = carry;
    }

    bool Bit(int i) const { return i >= 0 && i < 256 && ((Limb[i / 64] >> (i % 64)) & 1u); }
    int BitLength() const
    {
        for (int w = 3; w >= 0; --w)
            if (Limb[w])
                return w * 64 + 64 - std::countl_zero(Limb[w]);
        return 0;
    }
    // Bits [from, from + count), count <= 128; bits outside the product read as zero.
    u128 Bits(int from, int count) const
    {
        u128 v = 0;
        for (int b = count; b-- > 0;)
            v = (v << 1) | (Bit(from + b) ? 1u : 0u);
        return v;
    }
};

void FastDecimal(std::uint64_t m, int k, TDecimal& out)
{
    const int bits = 64 - std::countl_zero(m);
    const int q = static_cast<int>(std::floor((k + bits - 1) * 0.30102999566398119521)) - 16;
    const TWide192 p = PowerOfTen(-q);
    const TProduct256 prod(m, p);
    const int shift = -(k + p.E); // R = prod >> shift
    if (shift <= 64 || shift >= 256 - 1) {
        ExactDecimal(m, k, out);
        return;
    }
    auto bitsAt = [&](int from) { return static_cast<std::uint64_t>(prod.Bits(from, 64)); };
    const std::uint64_t whole = bitsAt(shift);
    if (shift + 64 < 256 && bitsAt(shift + 64) != 0) {
        ExactDecimal(m, k, out);
        return;
    }
    const std::uint64_t frac = bitsAt(shift - 64);
    const std::string all = std::to_string(whole);
    if (all.size() < 16) {
        ExactDecimal(m, k, out);
        return;
    }
    const int drop = static_cast<int>(all.size()) - 15;
    const std::uint64_t unit = Pow10u(drop);
    const std::uint64_t tail = whole % unit;
    const std::uint64_t half = unit / 2;
    constexpr std::uint64_t margin = std::uint64_t(1) << 16;
    if ((tail == half && frac < margin) || (tail == half - 1 && frac > ~margin)) {
        ExactDecimal(m, k, out);
        return;
    }
    std::uint64_t head = whole / unit;
    if (tail >= half)
        ++head;
    std::string digits = std::to_string(head);
    int x = q + drop + static_cast<int>(digits.size());
    const std::size_t last = digits.find_last_not_of('0');
    digits.resize(last + 1);
    out.Digits = std::move(digits);
    out.X = x;
}

// digits * 10^x through the 192-bit power of ten. The product is off by far less than one unit of
// the 64 extra bits kept, so if both neighbours of the truncated value round alike, so does the
// exact value; otherwise the caller takes the exact path.
bool ParseFast(const TLayoutInfo& li, std::string_view digits, int x, TBinaryFloat& value)
{
    std::uint64_t d = 0;
    for (char c : digits)
        d = d * 10 + static_cast<std::uint64_t>(c - '0');
    const TWide192 p = PowerOfTen(x);
    const TProduct256 prod(d, p);
    const int keep = li.Precision + 64;
    const int from = prod.BitLength() - keep;
    if (from < 64)
        return false;
    const u128 q = prod.Bits(from, keep);
    TBinaryFloat low, high;
    if (!RoundToLayout(li, q - 1, from + p.E, true, low) || !RoundToLayout(li, q + 1, from + p.E, true, high))
        return false;
    if (low.Mantissa != high.Mantissa || low.Exponent != high.Exponent)
        return false;
    value.Mantissa = low.Mantissa;
    value.Exponent = low.Exponent;
    return true;
}

} // namespace

std::size_t FloatLayoutSize(TFloatLayout layout)
{
    switch (layout) {
    case TFloatLayout::flSingle:
        return 4;
    case TFloatLayout::flDouble:
        return 8;
    default:
        return 10;
    }
}

bool DecodeFloat(TFloatLayout layout, const unsigned char* bytes, TBinaryFloat& value)
{
    const TLayoutInfo& li = Layout(layout);
    std::uint64_t mantissa;
    unsigned exponentField;
    unsigned maxField;
    bool implicitBit = true;
    switch (layout) {
    case TFloatLayout::flSingle: {
        const std::uint64_t bits = LoadLE(bytes, 4);
        value.Negative = bits >> 31;
        exponentField = (bits >> 23) & 0xFF;
        mantissa = bits & 0x7FFFFF;
        maxField = 0xFF;
        break;
    }
    case TFloatLayout::flDouble: {
        const std::uint64_t bits = LoadLE(bytes, 8);
        value.Negative = bits >> 63;
        exponentField = (bits >> 52) & 0x7FF;
        mantissa = bits & ((std::uint64_t(1) << 52) - 1);
        maxField = 0x7FF;
        break;
    }
    default: {
        mantissa = LoadLE(bytes, 8);
        const auto se = static_cast<unsigned>(LoadLE(bytes + 8, 2));
        value.Negative = se >> 15;
        exponentField = se & 0x7FFF;
        maxField = 0x7FFF;
        implicitBit = false;
        break;
    }
    }
    if (exponentField == maxField)
        return false;
    if (exponentField == 0) {
        value.Exponent = li.MinExp;
    } else {
        if (implicitBit)
            mantissa |= std::uint64_t(1) << (li.Precision - 1);
        value.Exponent = li.MinExp + static_cast<int>(exponentField) - 1;
    }
    value.Mantissa = mantissa;
    if (mantissa == 0)
        value.Exponent = 0;
    return true;
}

void EncodeFloat(TFloatLayout layout, const TBinaryFloat& value, unsigned char* bytes)
{
    const TLayoutInfo& li = Layout(layout);
    std::uint64_t m = value.Mantissa;
    int e = value.Exponent;
    unsigned field = 0;
    if (m != 0) {
        const std::uint64_t top = std::uint64_t(1) << (li.Precision - 1);
        while (m < top && e > li.MinExp) {
            m <<= 1;
            --e;
        }
        field = (m & top) ? static_cast<unsigned>(e - li.MinExp + 1) : 0;
    }
    switch (layout) {
    case TFloatLayout::flSingle:
        StoreLE(bytes, (std::uint64_t(value.Negative) << 31) | (std::uint64_t(field) << 23) | (m & 0x7FFFFF), 4);
        break;
    case TFloatLayout::flDouble:
        StoreLE(bytes,
            (std::uint64_t(value.Negative) << 63) | (std::uint64_t(field) << 52) | (m & ((std::uint64_t(1) << 52) - 1)),
            8);
        break;
    default:
        StoreLE(bytes, m, 8);
        StoreLE(bytes + 8, (std::uint64_t(value.Negative) << 15) | field, 2);
        break;
    }
}

std::string FormatFormFloat(const TBinaryFloat& value)
{
    if (value.Mantissa == 0)
        return "0";
    TDecimal d;
    FastDecimal(value.Mantissa, value.Exponent, d);
    std::string s = value.Negative ? "-" : "";
    const int len = static_cast<int>(d.Digits.size());
    if (d.X >= -4 && d.X <= 15) {
        if (d.X <= 0) {
            s += "0.";
            s.append(static_cast<std::size_t>(-d.X), '0');
            s += d.Digits;
        } else if (d.X >= len) {
            s += d.Digits;
            s.append(static_cast<std::size_t>(d.X - len), '0');
        } else {
            s.append(d.Digits, 0, static_cast<std::size_t>(d.X));
            s += '.';
            s.append(d.Digits, static_cast<std::size_t>(d.X));
        }
    } else {
        s += d.Digits[0];
        if (len > 1) {
            s += '.';
            s.append(d.Digits, 1);
        }
        s += 'E';
        s += std::to_string(d.X - 1);
    }
    return s;
}

bool ParseFormFloat(std::string_view text, TFloatLayout layout, TBinaryFloat& value)
{
    const TLayoutInfo& li = Layout(layout);
    std::string digits;
    long long x = 0;
    value = TBinaryFloat {};
    if (!SplitDecimal(text, value.Negative, digits, x))
        return false;
    if (digits.empty())
        return true;
    const long long magnitude = static_cast<long long>(digits.size()) + x;
    if (magnitude > li.MaxDecimal)
        return false;
    if (magnitude < li.MinDecimal)
        return true;
    // Beyond this many digits no tie between two values of any layout can be told apart any more;
    // the dropped digits only matter as "something more".
    constexpr std::size_t maxDigits = 12000;
    bool truncated = false;
    if (digits.size() > maxDigits) {
        truncated = true; // trailing zeros were stripped, so what is dropped is not zero
        x += static_cast<long long>(digits.size() - maxDigits);
        digits.resize(maxDigits);
    }
    if (digits.size() <= 19 && !truncated && ParseFast(li, digits, static_cast<int>(x), value))
        return true;
    const int guard = li.Precision + 3;
    TBigNum d = TBigNum::FromDecimal(digits);
    u128 q;
    int e;
    bool sticky = truncated;
    if (x >= 0) {
        TBigNum n = d;
        n.MulPow5(static_cast<int>(x));
        const int len = n.BitLength();
        if (len > guard) {
            q = n.Bits(len - guard, guard);
            sticky = sticky || n.AnyBitBelow(len - guard);
            e = static_cast<int>(x) + len - guard;
        } else {
            q = n.Bits(0, len);
            e = static_cast<int>(x);
        }
    } else {
        TBigNum b = TBigNum::Pow5(static_cast<int>(-x));
        int s = guard + b.BitLength() - d.BitLength();
        if (s >= 0)
            d.ShiftLeft(s);
        else
            b.ShiftLeft(-s);
        TBigNum rem;
        const TBigNum quotient = TBigNum::Divide(std::move(d), b, rem);
        q = quotient.Bits(0, std::min(quotient.BitLength(), 127));
        sticky = sticky || !rem.IsZero();
        e = static_cast<int>(x) - s;
    }
    const bool negative = value.Negative;
    if (!RoundToLayout(li, q, e, sticky, value))
        return false;
    value.Negative = negative;
    return true;
}

bool ParseFormCurrency(std::string_view text, std::int64_t& count)
{
    bool negative;
    std::string digits;
    long long x;
    count = 0;
    if (!SplitDecimal(text, negative, digits, x))
        return false;
    if (digits.empty())
        return true;
    const long long intLength = static_cast<long long>(digits.size()) + x;
    if (intLength > 19)
        return false;
    std::uint64_t whole = 0;
    bool up = false;
    if (x >= 0) {
        for (char c : digits)
            whole = whole * 10 + static_cast<std::uint64_t>(c - '0');
        for (long long k = 0; k < x; ++k) {
            if (whole > UINT64_MAX / 10)
                return false;
            whole *= 10;
        }
    } else {
        const std::size_t cut = intLength > 0 ? static_cast<std::size_t>(intLength) : 0;
        for (std::size_t k = 0; k < cut; ++k)
            whole = whole * 10 + static_cast<std::uint64_t>(digits[k] - '0');
        if (intLength >= 0) {
            const char next = digits[cut];
            const bool beyond = cut + 1 < digits.size();
            up = next > '5' || (next == '5' && (beyond || (whole & 1)));
        }
    }
    if (up)
        ++whole;
    const std::uint64_t limit = negative ? std::uint64_t(1) << 63 : (std::uint64_t(1) << 63) - 1;
    if (whole > limit)
        return false;
    count = negative ? static_cast<std::int64_t>(0 - whole) : static_cast<std::int64_t>(whole);
    return true;
}

} // namespace quillan
