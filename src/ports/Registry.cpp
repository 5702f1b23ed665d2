#include "ports/Registry.h"

#include "base/AsciiCase.h"

#include <array>

namespace quillan {

namespace {

constexpr std::array<std::string_view, 5> RootNames = {
    "HKEY_CLASSES_ROOT",
    "HKEY_CURRENT_USER",
    "HKEY_LOCAL_MACHINE",
    "HKEY_USERS",
    "HKEY_CURRENT_CONFIG",
};

std::string JoinPath(const std::vector<std::string_view>& parts)
{
    std::string out;
    for (std::string_view p : parts) {
        if (!out.empty())
            out += '\\';
        out += p;
    }
    return out;
}

} // namespace

std::vector<std::string_view> SplitKeyPath(std::string_view path)
{
    std::vector<std::string_view> parts;
    while (!path.empty()) {
        const auto sep = path.find('\\');
        std::string_view part = path.substr(0, sep);
        if (!part.empty())
            parts.push_back(part);
        if (sep == std::string_view::npos)
            break;
        path.remove_prefix(sep + 1);
    }
    return parts;
}

std::string_view RootKeyName(TRootKey root)
{
    return RootNames[static_cast<std::size_t>(root)];
}

std::optional<TRootKey> RootKeyFromName(std::string_view name)
{
    for (std::size_t i = 0; i < RootNames.size(); ++i)
        if (EqualAsciiNoCase(RootNames[i], name))
            return static_cast<TRootKey>(i);
    return std::nullopt;
}

TRegistry::TRegistry(IRegistryStore& store, TRootKey root)
    : FStore(store)
    , FRootKey(root)
{
}

void TRegistry::SetRootKey(TRootKey root)
{
    CloseKey();
    FRootKey = root;
}

std::string TRegistry::ResolvePath(std::string_view key) const
{
    const bool absolute = !key.empty() && key.front() == '\\';
    std::vector<std::string_view> parts;
    if (!absolute && FHasCurrentKey)
        parts = SplitKeyPath(FCurrentPath);
    for (std::string_view p : SplitKeyPath(key))
        parts.push_back(p);
    return JoinPath(parts);
}

bool TRegistry::OpenKey(std::string_view key, bool canCreate)
{
    std::string path = ResolvePath(key);
    const bool ok = canCreate ? FStore.CreateKey(FRootKey, path) : FStore.KeyExists(FRootKey, path);
    if (ok) {
        FCurrentPath = std::move(path);
        FHasCurrentKey = true;
    }
    return ok;
}

void TRegistry::CloseKey()
{
    FCurrentPath.clear();
    FHasCurrentKey = false;
}

bool TRegistry::KeyExists(std::string_view key) const
{
    return FStore.KeyExists(FRootKey, ResolvePath(key));
}

bool TRegistry::DeleteKey(std::string_view key)
{
    return FStore.DeleteKey(FRootKey, ResolvePath(key));
}

bool TRegistry::ValueExists(std::string_view name) const
{
    return GetDataType(name) != TRegDataType::rdUnknown;
}

bool TRegistry::GetKeyNames(std::vector<std::string>& names) const
{
    return FStore.GetKeyNames(FRootKey, FCurrentPath, names);
}

bool TRegistry::GetValueNames(std::vector<std::string>& names) const
{
    return FStore.GetValueNames(FRootKey, FCurrentPath, names);
}

TRegDataType TRegistry::GetDataType(std::string_view name) const
{
    return FStore.GetDataType(FRootKey, FCurrentPath, name);
}

std::optional<std::int32_t> TRegistry::ReadInteger(std::string_view name) const
{
    return FStore.ReadInteger(FRootKey, FCurrentPath, name);
}

std::optional<std::string> TRegistry::ReadString(std::string_view name) const
{
    return FStore.ReadString(FRootKey, FCurrentPath, name);
}

bool TRegistry::WriteInteger(std::string_view name, std::int32_t value)
{
    return FStore.WriteInteger(FRootKey, FCurrentPath, name, value);
}

bool TRegistry::WriteString(std::string_view name, std::string_view value)
{
    return FStore.WriteString(FRootKey, FCurrentPath, name, value);
}

bool TRegistry::DeleteValue(std::string_view name)
{
    return FStore.DeleteValue(FRootKey, FCurrentPath, name);
}

} // namespace quillan
