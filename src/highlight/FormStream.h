#pragma once

#include "base/QuillEditStrConst.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace quillan {

// Messages of the form conversions; the shell and the command-line tool show them verbatim.
inline constexpr const char* SInvalidStreamFormat = "Invalid stream format";
inline constexpr const char* SInvalidString = "Invalid string constant";
inline constexpr const char* SInvalidProperty = "Invalid property value";
inline constexpr const char* SInvalidBinary = "Invalid binary value";
inline constexpr const char* SIdentifierExpected = "Identifier expected";
inline constexpr const char* SStringExpected = "String expected";
inline constexpr const char* SNumberExpected = "Number expected";
inline constexpr const char* SCharExpected = "'%s' expected";
inline constexpr const char* SIdentifierTooLong = "Identifier too long";
inline constexpr const char* SNestingTooDeep = "Nesting too deep";
inline constexpr const char* SParseError = "%s on line %d";

// Type byte of each value in a binary object stream.
enum TFormValueType : std::uint8_t {
    vaNull = 0,
    vaList = 1,
    vaInt8 = 2,
    vaInt16 = 3,
    vaInt32 = 4,
    vaExtended = 5,
    vaString = 6,
    vaIdent = 7,
    vaFalse = 8,
    vaTrue = 9,
    vaBinary = 10,
    vaSet = 11,
    vaLString = 12,
    vaNil = 13,
    vaCollection = 14,
    vaSingle = 15,
    vaCurrency = 16,
    vaDate = 17,
    vaWString = 18,
};

// Objects, lists and collections together may nest this deep in either form. Real forms stay far
// below; the bound keeps recursion off the end of the stack and keeps the indentation of the text
// form (two spaces per level) from multiplying a small hostile stream into gigabytes.
inline constexpr int FormMaxNesting = 64;

// Any failure of either conversion. Line() is the 1-based text line of a parser error (its
// message then reads "<reason> on line <n>") and 0 for an error in a binary stream.
class EFormConversionError : public EQuillException {
public:
    explicit EFormConversionError(std::string_view reason);
    EFormConversionError(std::string_view reason, int line);

    const std::string& Reason() const { return FReason; }
    int Line() const { return FLine; }

private:
    std::string FReason;
    int FLine = 0;
};

// The text form of a binary object stream that starts with the signature "TPF0". The stream is
// untrusted: every malformed, truncated or absurd input raises EFormConversionError.
std::string FormBinaryToText(std::string_view stream);

// The binary object stream, signature first, of the first object in the text.
std::string FormTextToBinary(std::string_view text);

// --- floats -------------------------------------------------------------------------------------
// Floats of the stream are converted without the host's floating point, so that 80-bit values
// behave alike on every machine and no locale can change the decimal separator.

// A finite float as its exact value: (-1)^Negative * Mantissa * 2^Exponent.
struct TBinaryFloat {
    bool Negative = false;
    std::uint64_t Mantissa = 0;
    int Exponent = 0;
};

enum class TFloatLayout : std::uint8_t {
    flSingle, // 4 bytes
    flDouble, // 8 bytes
    flExtended, // 10 bytes: 64-bit mantissa with explicit integer bit, then sign and exponent
};

std::size_t FloatLayoutSize(TFloatLayout layout);
// Little-endian bytes to the exact value; false for infinities and NaNs.
bool DecodeFloat(TFloatLayout layout, const unsigned char* bytes, TBinaryFloat& value);
// The value must fit the layout exactly, as ParseFormFloat's results do.
void EncodeFloat(TFloatLayout layout, const TBinaryFloat& value, unsigned char* bytes);

// General format with up to 15 significant digits, correctly rounded (ties to even): fixed
// notation for magnitudes from 0.00001 below 10^15, otherwise scientific such as 1E20 or 1.5E-7.
std::string FormatFormFloat(const TBinaryFloat& value);

// [-]digits[.digits][(E|e)[+|-]digits], rounded correctly (ties to even) to the layout. False for
// other text and for magnitudes beyond the layout's largest finite value.
bool ParseFormFloat(std::string_view text, TFloatLayout layout, TBinaryFloat& value);

// A currency's stored count of ten-thousandths from the same syntax: the number rounded to an
// integer, ties to even. False for other text and counts beyond 64 bits.
bool ParseFormCurrency(std::string_view text, std::int64_t& count);

} // namespace quillan
