#include "highlight/FormStream.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

using namespace quillan;

namespace {

[[noreturn]] void Violation(const char* what, const std::string& detail)
{
    std::fprintf(stderr, "form text: %s\n%s\n", what, detail.c_str());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string stream;
    try {
        stream = FormTextToBinary(text);
    } catch (const EFormConversionError& e) {
        if (e.Line() < 1)
            Violation("parser error without a line", e.what());
        return 0;
    }
    // A stream the parser wrote is one the binary side accepts, and its text is stable: digits
    // beyond the fifteen the text keeps may change the bytes once, never the text again.
    std::string first, second;
    try {
        first = FormBinaryToText(stream);
        second = FormBinaryToText(FormTextToBinary(first));
    } catch (const EFormConversionError& e) {
        Violation(e.what(), text);
    }
    if (first != second)
        Violation("text changes on a second round", first + "\n--- became ---\n" + second);
    return 0;
}
