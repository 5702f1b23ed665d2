#pragma once

#include "ports/SettingsStore.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillan {

// An INI file with the reading rules of the classic profile functions, so that a file written
// by hand reads as users expect:
// - "[Section]" lines open a section; "Key=Value" lines hold values; every other line (comments,
//   blank lines, lines without "=", lines before the first section) is kept but never read.
// - Section and key names compare without regard to ASCII letter case; the first matching
//   section and, inside it, the first matching key count.
// - Spaces and tabs around names and values are ignored; a value enclosed in a matching pair of
//   double or single quotes loses them.
// - Integers are decimal with an optional sign, or hexadecimal after "$" or "0x" (up to 32 bits,
//   wrapping into the signed range); anything else, an empty value or a decimal outside the
//   32-bit range reads as the caller's default. Booleans are integers: non-zero is true.
//
// The whole file is read on construction and changed in memory; UpdateFile writes it back.
// Writing keeps every line it does not change, including comments and unknown keys, and the
// file's line-break style (LF for a new file). A value that would read back differently
// (surrounding blanks, surrounding quotes) is written inside double quotes so that it survives
// exactly; a value with a line break cannot be stored at all.
class TIniFile : public ISettingsStore {
public:
    explicit TIniFile(std::string fileName);

    const std::string& FileName() const { return FFileName; }
    // False when the file exists but could not be read; such a file is never written over,
    // since that would replace everything in it that was not understood.
    bool Loaded() const override { return !FLoadFailed; }
    const std::string& LastError() const override { return FLastError; }

    std::string ReadString(
        std::string_view section, std::string_view ident, std::string_view defaultValue) const override;
    std::int32_t ReadInteger(
        std::string_view section, std::string_view ident, std::int32_t defaultValue) const override;
    bool ReadBool(std::string_view section, std::string_view ident, bool defaultValue) const override;

    // False when the name or the value cannot be represented in the file (a line break, a NUL,
    // "=" in a key, "]" in a section, blanks around a name); nothing changes then.
    bool WriteString(std::string_view section, std::string_view ident, std::string_view value) override;
    bool WriteInteger(std::string_view section, std::string_view ident, std::int32_t value) override;
    bool WriteBool(std::string_view section, std::string_view ident, bool value) override;

    bool Modified() const { return FModified; }
    // Writes the file when something changed: a temporary file beside it is written, flushed,
    // given the old file's permissions and renamed over it, so a failure at any point leaves the
    // old file as it was. Creates the missing folders of the path (mode 0700). A symbolic link
    // is written through, not replaced. False on failure, with LastError set.
    bool UpdateFile() override;

    // The text UpdateFile would write.
    std::string Text() const;

private:
    std::size_t FindSection(std::string_view section) const;
    std::size_t FindKey(std::string_view section, std::string_view ident) const;

    std::string FFileName;
    std::vector<std::string> FLines;
    std::string FLastError;
    bool FCrLf = false;
    bool FLoadFailed = false;
    bool FModified = false;
};

} // namespace quillan
