#pragma once

#include "ports/RegistryTree.h"

#include <string>

namespace quillan {

// The registry kept in one text file in the configuration folder. Every change is written at once
// through a temporary file that replaces the old one only when it is complete and flushed, so a
// failed write leaves both the file and the store as they were (the change reports false).
//
// A file that exists but cannot be read or parsed is never overwritten: the store then refuses
// every change, since writing would replace data it failed to read.
class TFileRegistry : public IRegistryStore {
public:
    explicit TFileRegistry(std::string fileName);

    // Reads the file; a missing file is an empty registry. False when the file exists but is
    // unreadable or malformed (the store is then read-only and empty).
    bool Load();
    bool ReadOnly() const { return FReadOnly; }
    const std::string& FileName() const { return FFileName; }
    const TRegistryTree& Data() const { return FData; }

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

    // The file's text for a store's contents, and its inverse (false on malformed text).
    static std::string Serialize(const TRegistryTree& data);
    static bool Parse(std::string_view text, TRegistryTree& data);

private:
    template <class Change> bool Commit(Change change);
    bool Save(const TRegistryTree& data) const;

    std::string FFileName;
    TRegistryTree FData;
    bool FReadOnly = false;
};

} // namespace quillan
