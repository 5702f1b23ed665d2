#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quillan {

// Where the settings live: sections of named values, read with the caller's default for a value
// that is missing or unusable, changed in memory and made lasting by UpdateFile. The main
// window's logic reads and writes its settings and the recent list only through this, so it is
// tested against files without knowing how they are kept.
class ISettingsStore {
public:
    virtual ~ISettingsStore() = default;

    virtual std::string ReadString(
        std::string_view section, std::string_view ident, std::string_view defaultValue) const = 0;
    virtual std::int32_t ReadInteger(
        std::string_view section, std::string_view ident, std::int32_t defaultValue) const = 0;
    virtual bool ReadBool(std::string_view section, std::string_view ident, bool defaultValue) const = 0;

    // False when the name or the value cannot be stored; nothing changes then.
    virtual bool WriteString(std::string_view section, std::string_view ident, std::string_view value) = 0;
    virtual bool WriteInteger(std::string_view section, std::string_view ident, std::int32_t value) = 0;
    virtual bool WriteBool(std::string_view section, std::string_view ident, bool value) = 0;

    // False when the settings exist but could not be read. Such a store reads only defaults and
    // never writes, since writing would replace what it could not understand.
    virtual bool Loaded() const = 0;
    // What went wrong last, for the user.
    virtual const std::string& LastError() const = 0;
    // Makes the writes lasting; false on failure, with LastError set.
    virtual bool UpdateFile() = 0;
};

} // namespace quillan
