#include "highlight/FormStream.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

using namespace quillan;

namespace {

[[noreturn]] void Violation(const char* what, const std::string& detail)
{
    std::fprintf(stderr, "form stream: %s\n%s\n", what, detail.c_str());
    std::abort();
}

void Check(const std::string& stream)
{
    std::string text;
    try {
        text = FormBinaryToText(stream);
    } catch (const EFormConversionError&) {
        return; // refusing hostile bytes is fine; any other exception escapes and is reported
    }
    // Whatever converts must read back, and from then on the text must not change.
    std::string again;
    try {
        again = FormBinaryToText(FormTextToBinary(text));
    } catch (const EFormConversionError& e) {
        Violation(e.what(), text);
    }
    if (again != text)
        Violation("text changes on a second round", text + "\n--- became ---\n" + again);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    Check(bytes);
    // Most inputs lack the signature; give every one a chance past it as well.
    Check("TPF0" + bytes);
    return 0;
}
