// Random bytes as a recovery copy: the reader must never crash, and whatever it accepts must be
// exactly what writing that record and text again gives back.
#include "app/RecoveryRecord.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

using namespace quillan;

namespace {

void Check(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "fuzz_recovery: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    TRecoveryRecord record;
    std::string_view text;
    std::string error;
    if (!ParseRecoveryCopy(bytes, record, text, error)) {
        Check(!error.empty(), "refused without a reason");
        Check(text.empty(), "refused but gave text");
    } else {
        Check(text.size() == record.Bytes, "text size differs from the record");
        Check(text.data() + text.size() == bytes.data() + bytes.size(), "text does not end the copy");
        Check(record.FileName == "Untitled" || record.FileName.starts_with('/'), "name not absolute");
        const std::string again = FormatRecoveryHeader(record) + std::string(text);
        TRecoveryRecord back;
        std::string_view backText;
        Check(ParseRecoveryCopy(again, back, backText, error), "rewritten copy refused");
        Check(back.FileName == record.FileName && back.UntitledSlot == record.UntitledSlot
                && back.LineBreak == record.LineBreak && back.SavedAt == record.SavedAt && back.Disk == record.Disk
                && back.Bytes == record.Bytes && backText == text,
            "rewritten copy differs");
    }
    // Any bytes as a name survive the encoding, NUL apart (no path holds one).
    std::string name(bytes.substr(0, 256));
    std::erase(name, '\0');
    std::string decoded;
    Check(DecodeRecoveryName(EncodeRecoveryName(name), decoded) && decoded == name, "name encoding round trip");
    return 0;
}
