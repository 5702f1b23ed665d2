#include "ports/RegistryTree.h"

#include "base/AsciiCase.h"

#include <algorithm>

namespace quillan {

namespace {

template <class Vec> auto LowerBound(Vec& items, std::string_view name)
{
    return std::lower_bound(items.begin(), items.end(), name,
        [](const auto& item, std::string_view n) { return CompareAsciiNoCase(item.Name, n) < 0; });
}

template <class Vec> auto Find(Vec& items, std::string_view name) -> decltype(&items[0])
{
    auto it = LowerBound(items, name);
    if (it == items.end() || CompareAsciiNoCase(it->Name, name) != 0)
        return nullptr;
    return &*it;
}

bool KeysEqual(const TRegistryTree::TKey& a, const TRegistryTree::TKey& b)
{
    if (a.Name != b.Name || a.SubKeys.size() != b.SubKeys.size() || a.Values.size() != b.Values.size())
        return false;
    for (std::size_t i = 0; i < a.Values.size(); ++i) {
        const auto& x = a.Values[i];
        const auto& y = b.Values[i];
        if (x.Name != y.Name || x.Type != y.Type || x.Integer != y.Integer || x.Text != y.Text)
            return false;
    }
    for (std::size_t i = 0; i < a.SubKeys.size(); ++i)
        if (!KeysEqual(a.SubKeys[i], b.SubKeys[i]))
            return false;
    return true;
}

} // namespace

bool operator==(const TRegistryTree& a, const TRegistryTree& b)
{
    for (std::size_t i = 0; i < a.FRoots.size(); ++i)
        if (!KeysEqual(a.FRoots[i], b.FRoots[i]))
            return false;
    return true;
}

void TRegistryTree::Clear()
{
    for (auto& r : FRoots)
        r = TKey {};
}

const TRegistryTree::TKey* TRegistryTree::FindKey(TRootKey root, std::string_view path) const
{
    const TKey* key = &Root(root);
    for (std::string_view part : SplitKeyPath(path)) {
        key = Find(key->SubKeys, part);
        if (!key)
            return nullptr;
    }
    return key;
}

TRegistryTree::TKey* TRegistryTree::FindKey(TRootKey root, std::string_view path)
{
    return const_cast<TKey*>(static_cast<const TRegistryTree*>(this)->FindKey(root, path));
}

bool TRegistryTree::KeyExists(TRootKey root, std::string_view path) const
{
    return FindKey(root, path) != nullptr;
}

bool TRegistryTree::CreateKey(TRootKey root, std::string_view path)
{
    TKey* key = &Root(root);
    for (std::string_view part : SplitKeyPath(path)) {
        auto it = LowerBound(key->SubKeys, part);
        if (it == key->SubKeys.end() || CompareAsciiNoCase(it->Name, part) != 0)
            it = key->SubKeys.insert(it, TKey { std::string(part), {}, {} });
        key = &*it;
    }
    return true;
}

bool TRegistryTree::DeleteKey(TRootKey root, std::string_view path)
{
    auto parts = SplitKeyPath(path);
    if (parts.empty())
        return false;
    TKey* parent = &Root(root);
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
        parent = Find(parent->SubKeys, parts[i]);
        if (!parent)
            return false;
    }
    auto it = LowerBound(parent->SubKeys, parts.back());
    if (it == parent->SubKeys.end() || CompareAsciiNoCase(it->Name, parts.back()) != 0)
        return false;
    parent->SubKeys.erase(it);
    return true;
}

bool TRegistryTree::GetKeyNames(TRootKey root, std::string_view path, std::vector<std::string>& names) const
{
    names.clear();
    const TKey* key = FindKey(root, path);
    if (!key)
        return false;
    for (const TKey& k : key->SubKeys)
        names.push_back(k.Name);
    return true;
}

bool TRegistryTree::GetValueNames(TRootKey root, std::string_view path, std::vector<std::string>& names) const
{
    names.clear();
    const TKey* key = FindKey(root, path);
    if (!key)
        return false;
    for (const TValue& v : key->Values)
        names.push_back(v.Name);
    return true;
}

TRegDataType TRegistryTree::GetDataType(TRootKey root, std::string_view path, std::string_view name) const
{
    const TKey* key = FindKey(root, path);
    if (!key)
        return TRegDataType::rdUnknown;
    const TValue* value = Find(key->Values, name);
    return value ? value->Type : TRegDataType::rdUnknown;
}

std::optional<std::int32_t> TRegistryTree::ReadInteger(
    TRootKey root, std::string_view path, std::string_view name) const
{
    const TKey* key = FindKey(root, path);
    const TValue* value = key ? Find(key->Values, name) : nullptr;
    if (!value || value->Type != TRegDataType::rdInteger)
        return std::nullopt;
    return value->Integer;
}

std::optional<std::string> TRegistryTree::ReadString(TRootKey root, std::string_view path, std::string_view name) const
{
    const TKey* key = FindKey(root, path);
    const TValue* value = key ? Find(key->Values, name) : nullptr;
    if (!value || value->Type != TRegDataType::rdString)
        return std::nullopt;
    return value->Text;
}

TRegistryTree::TValue* TRegistryTree::SetValue(TRootKey root, std::string_view path, std::string_view name)
{
    TKey* key = FindKey(root, path);
    if (!key)
        return nullptr;
    auto it = LowerBound(key->Values, name);
    if (it == key->Values.end() || CompareAsciiNoCase(it->Name, name) != 0)
        it = key->Values.insert(it, TValue { std::string(name), TRegDataType::rdUnknown, 0, {} });
    return &*it;
}

bool TRegistryTree::WriteInteger(TRootKey root, std::string_view path, std::string_view name, std::int32_t value)
{
    TValue* v = SetValue(root, path, name);
    if (!v)
        return false;
    v->Type = TRegDataType::rdInteger;
    v->Integer = value;
    v->Text.clear();
    return true;
}

bool TRegistryTree::WriteString(TRootKey root, std::string_view path, std::string_view name, std::string_view value)
{
    TValue* v = SetValue(root, path, name);
    if (!v)
        return false;
    v->Type = TRegDataType::rdString;
    v->Integer = 0;
    v->Text = value;
    return true;
}

bool TRegistryTree::DeleteValue(TRootKey root, std::string_view path, std::string_view name)
{
    TKey* key = FindKey(root, path);
    if (!key)
        return false;
    auto it = LowerBound(key->Values, name);
    if (it == key->Values.end() || CompareAsciiNoCase(it->Name, name) != 0)
        return false;
    key->Values.erase(it);
    return true;
}

} // namespace quillan
