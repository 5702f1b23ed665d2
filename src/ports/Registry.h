#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillan {

// The roots of the Win32 registry that the program's keys live under.
enum class TRootKey : std::uint8_t {
    HKEY_CLASSES_ROOT,
    HKEY_CURRENT_USER,
    HKEY_LOCAL_MACHINE,
    HKEY_USERS,
    HKEY_CURRENT_CONFIG,
};

enum class TRegDataType : std::uint8_t { rdUnknown, rdString, rdInteger };

// Key/value storage with the registry's semantics: keys form a tree under each root, a key path
// separates its components with "\", and key and value names compare without regard to ASCII
// letter case while keeping the case they were created with. Every operation names a whole path
// (leading and doubled separators are ignored). Failures are reported through the result, never
// thrown, because callers of the registry are the "fail softly" kind.
class IRegistryStore {
public:
    virtual ~IRegistryStore() = default;

    virtual bool KeyExists(TRootKey root, std::string_view path) const = 0;
    // Creates the key and any missing parents; true when the key exists afterwards.
    virtual bool CreateKey(TRootKey root, std::string_view path) = 0;
    // Removes the key with all its subkeys and values; false when it did not exist. A root
    // itself cannot be deleted.
    virtual bool DeleteKey(TRootKey root, std::string_view path) = 0;
    virtual bool GetKeyNames(TRootKey root, std::string_view path, std::vector<std::string>& names) const = 0;
    virtual bool GetValueNames(TRootKey root, std::string_view path, std::vector<std::string>& names) const = 0;

    // rdUnknown when the key or the value does not exist.
    virtual TRegDataType GetDataType(TRootKey root, std::string_view path, std::string_view name) const = 0;
    // Empty when the key or value is missing or holds the other type.
    virtual std::optional<std::int32_t> ReadInteger(
        TRootKey root, std::string_view path, std::string_view name) const = 0;
    virtual std::optional<std::string> ReadString(
        TRootKey root, std::string_view path, std::string_view name) const = 0;
    // Writing needs an existing key; it replaces a value of either type.
    virtual bool WriteInteger(TRootKey root, std::string_view path, std::string_view name, std::int32_t value) = 0;
    virtual bool WriteString(TRootKey root, std::string_view path, std::string_view name, std::string_view value) = 0;
    virtual bool DeleteValue(TRootKey root, std::string_view path, std::string_view name) = 0;
};

// A cursor over a store in the manner of the Win32 registry object: one root, one open key at a
// time, relative opening. Key names given to OpenKey are relative to the open key unless they
// start with "\".
class TRegistry {
public:
    explicit TRegistry(IRegistryStore& store, TRootKey root = TRootKey::HKEY_CURRENT_USER);

    TRootKey RootKey() const { return FRootKey; }
    // Changing the root closes the open key.
    void SetRootKey(TRootKey root);

    // Path of the open key from the root, without a leading separator; empty for the root itself.
    const std::string& CurrentPath() const { return FCurrentPath; }
    bool HasCurrentKey() const { return FHasCurrentKey; }

    bool OpenKey(std::string_view key, bool canCreate);
    bool OpenKeyReadOnly(std::string_view key) { return OpenKey(key, false); }
    void CloseKey();

    bool KeyExists(std::string_view key) const;
    bool DeleteKey(std::string_view key);
    bool ValueExists(std::string_view name) const;
    bool GetKeyNames(std::vector<std::string>& names) const;
    bool GetValueNames(std::vector<std::string>& names) const;
    TRegDataType GetDataType(std::string_view name) const;

    std::optional<std::int32_t> ReadInteger(std::string_view name) const;
    std::optional<std::string> ReadString(std::string_view name) const;
    bool WriteInteger(std::string_view name, std::int32_t value);
    bool WriteString(std::string_view name, std::string_view value);
    bool DeleteValue(std::string_view name);

    IRegistryStore& Store() const { return FStore; }

    // Joins a key name to the open key's path the way OpenKey does, normalising separators.
    std::string ResolvePath(std::string_view key) const;

private:
    IRegistryStore& FStore;
    TRootKey FRootKey;
    std::string FCurrentPath;
    bool FHasCurrentKey = false;
};

// Splits a key path into its non-empty components.
std::vector<std::string_view> SplitKeyPath(std::string_view path);

// Win32's spelling of a root, e.g. "HKEY_CURRENT_USER"; RootKeyFromName accepts the same names
// in any letter case.
std::string_view RootKeyName(TRootKey root);
std::optional<TRootKey> RootKeyFromName(std::string_view name);

} // namespace quillan
