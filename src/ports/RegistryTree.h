#pragma once

#include "ports/Registry.h"

#include <array>

namespace quillan {

// A registry held in memory: keys and values in a tree, ASCII case ignored in names. The working
// copy of the file-backed store and, as TMemoryRegistry, the store tests use. A plain value type,
// so a copy is a snapshot.
class TRegistryTree : public IRegistryStore {
public:
    struct TValue {
        std::string Name;
        TRegDataType Type = TRegDataType::rdUnknown;
        std::int32_t Integer = 0;
        std::string Text;
    };
    struct TKey {
        std::string Name;
        std::vector<TKey> SubKeys; // sorted by name, ignoring ASCII case
        std::vector<TValue> Values; // sorted likewise
    };

    bool KeyExists(TRootKey root, std::string_view path) const override;
    bool CreateKey(TRootKey root, std::string_view path) override;
    bool DeleteKey(TRootKey root, std::string_view path) override;
    bool GetKeyNames(TRootKey root, std::string_view path, std::vector<std::string>& names) const override;
    bool GetValueNames(TRootKey root, std::string_view path, std::vector<std::string>& names) const override;
    TRegDataType GetDataType(TRootKey root, std::string_view path, std::string_view name) const override;
    std::optional<std::int32_t> ReadInteger(TRootKey root, std::string_view path, std::string_view name) const override;
    std::optional<std::string> ReadString(TRootKey root, std::string_view path, std::string_view name) const override;
    bool WriteInteger(TRootKey root, std::string_view path, std::string_view name, std::int32_t value) override;
    bool WriteString(TRootKey root, std::string_view path, std::string_view name, std::string_view value) override;
    bool DeleteValue(TRootKey root, std::string_view path, std::string_view name) override;

    const TKey& Root(TRootKey root) const { return FRoots[static_cast<std::size_t>(root)]; }
    TKey& Root(TRootKey root) { return FRoots[static_cast<std::size_t>(root)]; }
    void Clear();

    friend bool operator==(const TRegistryTree& a, const TRegistryTree& b);

private:
    const TKey* FindKey(TRootKey root, std::string_view path) const;
    TKey* FindKey(TRootKey root, std::string_view path);
    TValue* SetValue(TRootKey root, std::string_view path, std::string_view name);

    std::array<TKey, 5> FRoots;
};

} // namespace quillan
