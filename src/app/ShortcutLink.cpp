#include "app/ShortcutLink.h"

#include "base/AsciiCase.h"
#include "base/AtomicFile.h"
#include "base/Paths.h"
#include "ports/DesktopShell.h"

namespace quillan {

namespace {

// Show commands as the shell takes them.
constexpr int ShowMaximized = 3;
constexpr int ShowMinNoActive = 7;
constexpr int ShowRestore = 9;

bool IsImageFile(std::string_view path)
{
    const std::string ext = AsciiLowerCopy(ExtractFileExt(path));
    return ext == ".png" || ext == ".svg" || ext == ".svgz" || ext == ".xpm";
}

// The icon a launcher names: an image as it is; for a program, its name in the icon theme.
std::string IconValue(const std::string& location)
{
    if (location.empty() || IsImageFile(location))
        return location;
    std::string name = ExtractFileName(location);
    const std::string ext = ExtractFileExt(name);
    name.resize(name.size() - ext.size());
    return name;
}

std::string ExecLine(const std::string& target, const std::string& arguments, bool withFiles)
{
    std::string exec = QuoteExecWord(target);
    for (const std::string& word : SplitCommandLine(arguments))
        exec += ' ' + QuoteExecWord(word);
    if (withFiles)
        exec += " %F";
    return exec;
}

std::string LauncherName(const std::string& shortcutFile)
{
    std::string name = ExtractFileName(shortcutFile);
    const std::string ext = ExtractFileExt(name);
    name.resize(name.size() - ext.size());
    return name.empty() ? std::string("Shortcut") : name;
}

void AddLine(std::string& out, std::string_view key, std::string_view value)
{
    out.append(key).append("=").append(value).append("\n");
}

// Undoes the value escapes of the format ("\s", "\n", "\t", "\r", "\\").
std::string UnescapeValue(std::string_view value)
{
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        switch (value[++i]) {
        case 's':
            out += ' ';
            break;
        case 'n':
            out += '\n';
            break;
        case 't':
            out += '\t';
            break;
        case 'r':
            out += '\r';
            break;
        default:
            out += value[i];
            break;
        }
    }
    return out;
}

} // namespace

void TShortcutLink::SetHotKey(std::string_view key)
{
    unsigned char c = key.empty() ? ' ' : static_cast<unsigned char>(key.front());
    if (c >= 'a' && c <= 'z')
        c = static_cast<unsigned char>(c - 32);
    FHotKey = c < ' ' ? ' ' : c;
}

std::string TShortcutLink::HotKey() const
{
    return std::string(1, static_cast<char>(FHotKey));
}

void TShortcutLink::SetShowCmd(TShowCmd show)
{
    switch (show) {
    case TShowCmd::scShowMaximized:
        FShowCmd = ShowMaximized;
        break;
    case TShowCmd::scShowMinimized:
        FShowCmd = ShowMinNoActive;
        break;
    case TShowCmd::scShowNormal:
        FShowCmd = ShowRestore;
        break;
    }
}

TShowCmd TShortcutLink::ShowCmd() const
{
    switch (FShowCmd) {
    case ShowMaximized:
        return TShowCmd::scShowMaximized;
    case ShowMinNoActive:
        return TShowCmd::scShowMinimized;
    default:
        return TShowCmd::scShowNormal;
    }
}

std::string TShortcutLink::LauncherText() const
{
    std::string out = Interpreter.empty() ? std::string() : "#!" + Interpreter + "\n";
    out += "[Desktop Entry]\n";
    AddLine(out, "Type", "Application");
    AddLine(out, "Version", "1.4");
    AddLine(out, "Name", EscapeLauncherValue(LauncherName(ShortcutFile)));
    if (!Description.empty())
        AddLine(out, "Comment", EscapeLauncherValue(Description));
    AddLine(out, "Exec", EscapeLauncherValue(ExecLine(Target, Arguments, true)));
    if (!WorkingDir.empty())
        AddLine(out, "Path", EscapeLauncherValue(WithoutTrailingSlash(WorkingDir)));
    if (const std::string icon = IconValue(IconLocation); !icon.empty())
        AddLine(out, "Icon", EscapeLauncherValue(icon));
    AddLine(out, "Terminal", "false");
    if (NoDisplay)
        AddLine(out, "NoDisplay", "true");
    if (!Categories.empty())
        AddLine(out, "Categories", EscapeLauncherValue(Categories));
    if (!MimeTypes.empty()) {
        std::string types;
        for (const std::string& type : MimeTypes)
            types += type + ';';
        AddLine(out, "MimeType", EscapeLauncherValue(types));
    }
    if (!Actions.empty()) {
        std::string ids;
        for (const TLauncherAction& action : Actions)
            ids += action.Id + ';';
        AddLine(out, "Actions", ids);
    }
    if (FHotKey > ' ')
        AddLine(out, "X-KDE-Shortcuts", EscapeLauncherValue(std::string("Ctrl+Alt+") + static_cast<char>(FHotKey)));
    AddLine(out, "X-Quillan-ShowCmd", std::to_string(FShowCmd));
    AddLine(out, "X-Quillan-IconNumber", std::to_string(IconNumber));
    for (const TLauncherAction& action : Actions) {
        out += "\n[Desktop Action " + action.Id + "]\n";
        AddLine(out, "Name", EscapeLauncherValue(action.Name));
        AddLine(out, "Exec", EscapeLauncherValue(ExecLine(Target, action.Arguments, false)));
    }
    return out;
}

void TShortcutLink::CreateLink() const
{
    if (ShortcutFile.empty())
        throw EShortcutError();
    TAtomicFileOptions options;
    options.CreateFolders = true;
    options.FolderMode = 0755;
    options.NewFileMode = FileMode;
    // The launcher is the program's own file: a link planted in its place is replaced, not
    // followed to wherever it points.
    options.Links = TLinkPolicy::lpReplaceLink;
    if (!WriteFileAtomically(ShortcutFile, LauncherText(), options))
        throw EShortcutError();
}

std::optional<std::string> TShortcutLink::DesktopFolder(const IDesktopShell& shell)
{
    return shell.SpecialFolder(TShellFolder::sfDesktop);
}

std::optional<std::string> TShortcutLink::StartMenuFolder(const IDesktopShell& shell)
{
    return shell.SpecialFolder(TShellFolder::sfStartMenu);
}

std::vector<std::string> SplitCommandLine(std::string_view commandLine)
{
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (std::size_t i = 0; i < commandLine.size(); ++i) {
        const char c = commandLine[i];
        if (c == '\\' && i + 1 < commandLine.size() && commandLine[i + 1] == '"') {
            word += '"';
            inWord = true;
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (inWord)
                words.push_back(std::move(word));
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words.push_back(std::move(word));
    return words;
}

std::string QuoteExecWord(std::string_view word)
{
    // Characters the format reserves: a word holding one must be quoted.
    constexpr std::string_view Reserved = " \t\n\"'\\><~|&;$*?#()`";
    bool needsQuotes = word.empty();
    for (char c : word)
        if (Reserved.find(c) != std::string_view::npos)
            needsQuotes = true;
    std::string out;
    if (needsQuotes)
        out += '"';
    for (char c : word) {
        if (needsQuotes && (c == '"' || c == '`' || c == '$' || c == '\\'))
            out += '\\';
        out += c;
        if (c == '%')
            out += '%';
    }
    if (needsQuotes)
        out += '"';
    return out;
}

std::string EscapeLauncherValue(std::string_view value)
{
    std::string out;
    for (char c : value) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
            break;
        }
    }
    return out;
}

std::string LauncherExecProgram(std::string_view launcherText)
{
    bool inEntry = false;
    std::size_t pos = 0;
    while (pos < launcherText.size()) {
        std::size_t end = launcherText.find('\n', pos);
        if (end == std::string_view::npos)
            end = launcherText.size();
        std::string_view line = launcherText.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.starts_with('[')) {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        if (!inEntry || !line.starts_with("Exec"))
            continue;
        std::string_view rest = line.substr(4);
        while (!rest.empty() && rest.front() == ' ')
            rest.remove_prefix(1);
        if (!rest.starts_with('='))
            continue;
        rest.remove_prefix(1);
        const std::string exec = UnescapeValue(rest);
        // The first word, with the Exec quoting undone.
        std::string program;
        std::size_t i = 0;
        while (i < exec.size() && exec[i] == ' ')
            ++i;
        if (i < exec.size() && exec[i] == '"') {
            for (++i; i < exec.size() && exec[i] != '"'; ++i) {
                if (exec[i] == '\\' && i + 1 < exec.size())
                    ++i;
                program += exec[i];
            }
        } else {
            for (; i < exec.size() && exec[i] != ' '; ++i)
                program += exec[i];
        }
        // "%%" is a literal percent sign.
        for (std::size_t p = program.find("%%"); p != std::string::npos; p = program.find("%%", p + 1))
            program.erase(p, 1);
        return program;
    }
    return {};
}

} // namespace quillan
