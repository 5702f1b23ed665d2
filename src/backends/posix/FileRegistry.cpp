#include "backends/posix/FileRegistry.h"

#include "base/AtomicFile.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace quillan {

namespace {

constexpr std::string_view Header = "; Quillan registry 1";
const char Hex[] = "0123456789ABCDEF";

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Key components: "%HH" for "%", "]" and bytes outside printable ASCII ("\" cannot occur, it
// separates components).
void AppendKeyName(std::string& out, std::string_view name)
{
    for (unsigned char c : name) {
        if (c == '%' || c == ']' || c < 0x20 || c >= 0x7F) {
            out += '%';
            out += Hex[c >> 4];
            out += Hex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
}

bool DecodeKeyName(std::string_view in, std::string& out)
{
    out.clear();
    for (std::size_t i = 0; i < in.size(); ++i) {
        if (in[i] != '%') {
            out += in[i];
            continue;
        }
        if (i + 2 >= in.size() || HexValue(in[i + 1]) < 0 || HexValue(in[i + 2]) < 0)
            return false;
        out += static_cast<char>(HexValue(in[i + 1]) * 16 + HexValue(in[i + 2]));
        i += 2;
    }
    return true;
}

// Quoted text: backslash, quote and bytes outside printable ASCII escaped.
void AppendQuoted(std::string& out, std::string_view text)
{
    out += '"';
    for (unsigned char c : text) {
        if (c == '\\' || c == '"') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7F) {
            out += "\\x";
            out += Hex[c >> 4];
            out += Hex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    out += '"';
}

// Reads a quoted text at the start of `in`, advancing past it.
bool ReadQuoted(std::string_view& in, std::string& out)
{
    out.clear();
    if (in.empty() || in[0] != '"')
        return false;
    std::size_t i = 1;
    while (i < in.size() && in[i] != '"') {
        if (in[i] != '\\') {
            out += in[i++];
            continue;
        }
        if (i + 1 >= in.size())
            return false;
        const char e = in[i + 1];
        if (e == '\\' || e == '"') {
            out += e;
            i += 2;
        } else if (e == 'x' && i + 3 < in.size() && HexValue(in[i + 2]) >= 0 && HexValue(in[i + 3]) >= 0) {
            out += static_cast<char>(HexValue(in[i + 2]) * 16 + HexValue(in[i + 3]));
            i += 4;
        } else {
            return false;
        }
    }
    if (i >= in.size())
        return false;
    in.remove_prefix(i + 1);
    return true;
}

void SerializeKey(std::string& out, TRootKey root, const std::string& path, const TRegistryTree::TKey& key)
{
    out += '[';
    out += RootKeyName(root);
    out += path;
    out += "]\n";
    for (const auto& v : key.Values) {
        AppendQuoted(out, v.Name);
        if (v.Type == TRegDataType::rdInteger) {
            out += "=int:";
            out += std::to_string(v.Integer);
        } else {
            out += "=str:";
            AppendQuoted(out, v.Text);
        }
        out += '\n';
    }
    for (const auto& sub : key.SubKeys) {
        std::string subPath = path + "\\";
        AppendKeyName(subPath, sub.Name);
        SerializeKey(out, root, subPath, sub);
    }
}

} // namespace

std::string TFileRegistry::Serialize(const TRegistryTree& data)
{
    std::string out(Header);
    out += '\n';
    for (int r = 0; r < 5; ++r) {
        const auto root = static_cast<TRootKey>(r);
        if (!data.Root(root).Values.empty())
            SerializeKey(out, root, {}, TRegistryTree::TKey { {}, {}, data.Root(root).Values });
        for (const auto& key : data.Root(root).SubKeys) {
            std::string path = "\\";
            AppendKeyName(path, key.Name);
            SerializeKey(out, root, path, key);
        }
    }
    return out;
}

bool TFileRegistry::Parse(std::string_view text, TRegistryTree& data)
{
    data.Clear();
    std::optional<TRootKey> root;
    std::string path;
    std::string name, value, component;
    while (!text.empty()) {
        const auto nl = text.find('\n');
        std::string_view line = text.substr(0, nl);
        text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
        if (line.empty() || line[0] == ';')
            continue;
        if (line[0] == '[') {
            if (line.back() != ']')
                return false;
            std::string_view inner = line.substr(1, line.size() - 2);
            const auto sep = inner.find('\\');
            root = RootKeyFromName(inner.substr(0, sep));
            if (!root)
                return false;
            path.clear();
            if (sep == std::string_view::npos)
                continue; // values of the root itself
            for (std::string_view part : SplitKeyPath(inner.substr(sep + 1))) {
                if (!DecodeKeyName(part, component) || component.empty())
                    return false;
                path += '\\';
                path += component;
            }
            if (path.empty() || !data.CreateKey(*root, path))
                return false;
            continue;
        }
        if (!root || !ReadQuoted(line, name))
            return false;
        if (line.starts_with("=int:")) {
            line.remove_prefix(5);
            char* end = nullptr;
            const std::string digits(line);
            errno = 0;
            const long long v = std::strtoll(digits.c_str(), &end, 10);
            if (digits.empty() || *end != '\0' || errno != 0 || v < INT32_MIN || v > INT32_MAX)
                return false;
            data.WriteInteger(*root, path, name, static_cast<std::int32_t>(v));
        } else if (line.starts_with("=str:")) {
            line.remove_prefix(5);
            if (!ReadQuoted(line, value) || !line.empty())
                return false;
            data.WriteString(*root, path, name, value);
        } else {
            return false;
        }
    }
    return true;
}

TFileRegistry::TFileRegistry(std::string fileName)
    : FFileName(std::move(fileName))
{
}

bool TFileRegistry::Load()
{
    FData.Clear();
    FReadOnly = false;
    FILE* f = std::fopen(FFileName.c_str(), "rb");
    if (!f) {
        if (errno == ENOENT)
            return true;
        FReadOnly = true;
        return false;
    }
    std::string text;
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        text.append(buffer, n);
    const bool readError = std::ferror(f) != 0;
    std::fclose(f);
    TRegistryTree parsed;
    if (readError || !Parse(text, parsed)) {
        FReadOnly = true;
        return false;
    }
    FData = std::move(parsed);
    return true;
}

bool TFileRegistry::Save(const TRegistryTree& data) const
{
    TAtomicFileOptions options;
    options.CreateFolders = true;
    options.FolderMode = 0777; // the umask decides, as for folders the user makes
    options.NewFileMode = 0600; // values may hold what others need not read
    return WriteFileAtomically(FFileName, Serialize(data), options);
}

template <class Change> bool TFileRegistry::Commit(Change change)
{
    if (FReadOnly)
        return false;
    TRegistryTree next = FData;
    if (!change(next) || !Save(next))
        return false;
    FData = std::move(next);
    return true;
}

bool TFileRegistry::KeyExists(TRootKey root, std::string_view path) const
{
    return FData.KeyExists(root, path);
}

bool TFileRegistry::CreateKey(TRootKey root, std::string_view path)
{
    if (FData.KeyExists(root, path))
        return true;
    return Commit([&](TRegistryTree& d) { return d.CreateKey(root, path); });
}

bool TFileRegistry::DeleteKey(TRootKey root, std::string_view path)
{
    return Commit([&](TRegistryTree& d) { return d.DeleteKey(root, path); });
}

bool TFileRegistry::GetKeyNames(TRootKey root, std::string_view path, std::vector<std::string>& names) const
{
    return FData.GetKeyNames(root, path, names);
}

bool TFileRegistry::GetValueNames(TRootKey root, std::string_view path, std::vector<std::string>& names) const
{
    return FData.GetValueNames(root, path, names);
}

TRegDataType TFileRegistry::GetDataType(TRootKey root, std::string_view path, std::string_view name) const
{
    return FData.GetDataType(root, path, name);
}

std::optional<std::int32_t> TFileRegistry::ReadInteger(
    TRootKey root, std::string_view path, std::string_view name) const
{
    return FData.ReadInteger(root, path, name);
}

std::optional<std::string> TFileRegistry::ReadString(TRootKey root, std::string_view path, std::string_view name) const
{
    return FData.ReadString(root, path, name);
}

bool TFileRegistry::WriteInteger(TRootKey root, std::string_view path, std::string_view name, std::int32_t value)
{
    return Commit([&](TRegistryTree& d) { return d.WriteInteger(root, path, name, value); });
}

bool TFileRegistry::WriteString(TRootKey root, std::string_view path, std::string_view name, std::string_view value)
{
    return Commit([&](TRegistryTree& d) { return d.WriteString(root, path, name, value); });
}

bool TFileRegistry::DeleteValue(TRootKey root, std::string_view path, std::string_view name)
{
    return Commit([&](TRegistryTree& d) { return d.DeleteValue(root, path, name); });
}

} // namespace quillan
