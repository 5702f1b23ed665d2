#include "app/ShellIntegration.h"

#include "app/AppStrings.h"
#include "app/UserInterface.h"
#include "base/Paths.h"
#include "ports/DesktopShell.h"
#include "ports/Registry.h"

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace quillan {

namespace {

// Registry and desktop failures end the operation with a message the error report shows.
class EShellError : public EQuillException {
public:
    using EQuillException::EQuillException;
};

TShellFolder FolderOfPlace(TShortcutPlace place)
{
    switch (place) {
    case TShortcutPlace::spStartMenu:
        return TShellFolder::sfStartMenu;
    case TShortcutPlace::spDesktop:
        return TShellFolder::sfDesktop;
    case TShortcutPlace::spSendTo:
        return TShellFolder::sfSendTo;
    case TShortcutPlace::spQuickLaunch:
        break;
    }
    return TShellFolder::sfQuickLaunch;
}

bool EntryExists(const std::string& path)
{
    struct stat st { };
    return ::lstat(path.c_str(), &st) == 0;
}

std::string ReadSmallFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    // A launcher is a few hundred bytes; anything far bigger is not one of ours.
    char buffer[65536];
    in.read(buffer, sizeof buffer);
    text.write(buffer, in.gcount());
    return text.str();
}

void WriteKeyString(
    IRegistryStore& registry, TRootKey root, std::string_view key, std::string_view name, std::string_view value)
{
    TRegistry reg(registry, root);
    if (!reg.OpenKey(key, true) || !reg.WriteString(name, value))
        throw EShellError("Failed to set data for '" + std::string(name.empty() ? "(Default)" : name) + "'");
}

} // namespace

TShellIntegration::TShellIntegration(
    IDesktopShell& shell, IRegistryStore& registry, IUserInterface& ui, TProgramLocation program)
    : FShell(shell)
    , FRegistry(registry)
    , FUI(ui)
    , FProgram(std::move(program))
{
}

// --- shortcuts -----------------------------------------------------------------------------

std::optional<std::string> TShellIntegration::ShortcutFile(TShortcutPlace place) const
{
    const std::optional<std::string> folder = FShell.SpecialFolder(FolderOfPlace(place));
    if (!folder || folder->empty())
        return std::nullopt;
    return JoinPath(*folder, place == TShortcutPlace::spStartMenu ? SMenuLauncherFileName : SShortcutFileName);
}

std::optional<std::string> TShellIntegration::OldMenuLauncher() const
{
    const std::optional<std::string> folder = FShell.SpecialFolder(FolderOfPlace(TShortcutPlace::spStartMenu));
    if (!folder || folder->empty())
        return std::nullopt;
    return JoinPath(*folder, SShortcutFileName);
}

bool TShellIntegration::ShortcutPlaceAvailable(TShortcutPlace place) const
{
    const std::optional<std::string> folder = FShell.SpecialFolder(FolderOfPlace(place));
    if (!folder || folder->empty())
        return false;
    if (place == TShortcutPlace::spQuickLaunch)
        return EntryExists(JoinPath(*folder, SQuickLaunchMarker));
    return true;
}

bool TShellIntegration::ShortcutExists(TShortcutPlace place) const
{
    const std::optional<std::string> file = ShortcutFile(place);
    if (file && EntryExists(*file))
        return true;
    const std::optional<std::string> old = place == TShortcutPlace::spStartMenu ? OldMenuLauncher() : std::nullopt;
    return old && EntryExists(*old);
}

TShortcutLink TShellIntegration::ProgramShortcut() const
{
    TShortcutLink link;
    link.Target = FProgram.ProgramPath;
    link.IconLocation = FProgram.ProgramPath;
    link.WorkingDir = FolderOf(FProgram.ProgramPath);
    link.Description = SProductLine;
    link.Categories = "Utility;TextEditor;";
    link.Actions.push_back({ "Uninstall", "Uninstall", SUninstallArgument });
    return link;
}

void TShellIntegration::CreateShortcut(TShortcutPlace place)
{
    if (!ShortcutPlaceAvailable(place))
        return;
    TShortcutLink link = ProgramShortcut();
    link.ShortcutFile = *ShortcutFile(place);
    // The file manager runs its scripts with the chosen files as arguments; GLib's launcher
    // turns that into starting the launcher with them.
    if (place == TShortcutPlace::spSendTo)
        link.Interpreter = SScriptInterpreter;
    link.CreateLink();
}

bool TShellIntegration::RemoveOwnLauncher(const std::string& path)
{
    struct stat st { };
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    if (!IsQuillanProgram(LauncherExecProgram(ReadSmallFile(path))))
        return false;
    return ::unlink(path.c_str()) == 0;
}

bool TShellIntegration::RemoveShortcut(TShortcutPlace place)
{
    const std::optional<std::string> file = ShortcutFile(place);
    bool removed = file && RemoveOwnLauncher(*file);
    if (place == TShortcutPlace::spStartMenu)
        if (const std::optional<std::string> old = OldMenuLauncher())
            removed = RemoveOwnLauncher(*old) || removed;
    return removed;
}

void TShellIntegration::ShortcutBoxChanged(TShortcutPlace place, bool ticked)
{
    if (!ticked) {
        RemoveShortcut(place);
        return;
    }
    // Start Menu and Desktop keep a shortcut that is there already; SendTo is always written.
    if ((place == TShortcutPlace::spStartMenu || place == TShortcutPlace::spDesktop) && ShortcutExists(place))
        return;
    CreateShortcut(place);
}

// --- association ---------------------------------------------------------------------------

std::string TShellIntegration::OpenCommand() const
{
    return FProgram.ProgramPath + " %1";
}

std::string TShellIntegration::AssociationLauncherFile() const
{
    const std::optional<std::string> folder = FShell.SpecialFolder(TShellFolder::sfStartMenu);
    return folder && !folder->empty() ? JoinPath(*folder, SAssociationLauncherId) : std::string();
}

void TShellIntegration::WriteAssociationLauncher()
{
    TShortcutLink link = ProgramShortcut();
    link.ShortcutFile = AssociationLauncherFile();
    link.MimeTypes = { STextPlain, STextHtml };
    link.NoDisplay = true;
    link.CreateLink();
}

bool TShellIntegration::AssociateTextFiles()
{
    const std::optional<std::string> current = FShell.DefaultApplication(STextPlain);
    if (!current)
        throw EShellError(SDesktopUnreachable);
    if (current->find(SAppTitle) != std::string::npos) {
        FUI.ShowMessage(SAlreadyAssociated);
        return false;
    }
    // The launcher first: a default naming a launcher that does not exist would open nothing.
    WriteAssociationLauncher();
    WriteKeyString(FRegistry, TRootKey::HKEY_CLASSES_ROOT, STextFileCommandKey, SBackupValue, *current);
    WriteKeyString(FRegistry, TRootKey::HKEY_CLASSES_ROOT, STextFileCommandKey, "", OpenCommand());
    if (!FShell.SetDefaultApplication(STextPlain, SAssociationLauncherId))
        throw EShellError(FormatMessage(SDefaultNotSet, { SAppTitle }));

    // HTML files: offered in "open with" (the launcher's MimeType), not made the default.
    const std::string htmBase = FRegistry.KeyExists(TRootKey::HKEY_CLASSES_ROOT, SHtmOpenWithKey)
        ? std::string(SHtmOpenWithKey) + "\\" + SHtmEditCommandKey
        : std::string(SHtmEditCommandKey);
    WriteKeyString(FRegistry, TRootKey::HKEY_CLASSES_ROOT, htmBase, "", OpenCommand());
    WriteAppPaths();
    return true;
}

TRevertResult TShellIntegration::RevertTextFileAssociation()
{
    TRegistry reg(FRegistry, TRootKey::HKEY_CLASSES_ROOT);
    std::string backup;
    if (reg.OpenKey(STextFileCommandKey, false))
        backup = reg.ReadString(SBackupValue).value_or("");
    // An empty backup means no program was the default before: restoring it would leave text
    // files with nothing at all.
    if (backup.empty()) {
        FUI.MessageDlg(SNoPreviousEditor, TMsgDlgType::mtInformation, TMsgDlgButtons::mbOK);
        return TRevertResult::rrNoBackup;
    }
    if (!FShell.SetDefaultApplication(STextPlain, backup))
        throw EShellError(FormatMessage(SDefaultNotSet, { backup }));
    if (!reg.WriteString("", backup))
        throw EShellError("Failed to set data for '(Default)'");
    FUI.MessageDlg(SDone, TMsgDlgType::mtInformation, TMsgDlgButtons::mbOK);
    return TRevertResult::rrRestored;
}

// --- App Paths -----------------------------------------------------------------------------

std::string TShellIntegration::ProgramLinkFile() const
{
    const std::optional<std::string> folder = FShell.SpecialFolder(TShellFolder::sfUserPrograms);
    return folder && !folder->empty() ? JoinPath(*folder, SProgramLinkName) : std::string();
}

bool TShellIntegration::IsQuillanProgram(std::string_view path) const
{
    if (path.empty())
        return false;
    return path == FProgram.ProgramPath || ExtractFileName(path) == SProgramLinkName;
}

void TShellIntegration::LinkProgram()
{
    const std::string link = ProgramLinkFile();
    if (link.empty() || link == FProgram.ProgramPath)
        return;
    struct stat st { };
    if (::lstat(link.c_str(), &st) == 0) {
        // Only a link to a Quillan program is ours to replace; a program or link of someone
        // else's under that name stays.
        if (!S_ISLNK(st.st_mode))
            return;
        std::string target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
        const ssize_t n = ::readlink(link.c_str(), target.data(), target.size());
        if (n < 0)
            return;
        target.resize(static_cast<std::size_t>(n));
        if (target == FProgram.ProgramPath)
            return;
        if (!IsQuillanProgram(target))
            return;
    }
    CreateFolderChain(FolderOf(link), 0755);
    // A new link beside the old one, renamed over it, so the name is never missing.
    const std::string temp = JoinPath(FolderOf(link), "." + std::string(SProgramLinkName) + ".quillan-link");
    ::unlink(temp.c_str());
    if (::symlink(FProgram.ProgramPath.c_str(), temp.c_str()) != 0)
        throw EShellError("Cannot create file " + link);
    if (::rename(temp.c_str(), link.c_str()) != 0) {
        ::unlink(temp.c_str());
        throw EShellError("Cannot create file " + link);
    }
}

void TShellIntegration::UnlinkProgram()
{
    const std::string link = ProgramLinkFile();
    struct stat st { };
    if (link.empty() || ::lstat(link.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return;
    std::string target(4096, '\0');
    const ssize_t n = ::readlink(link.c_str(), target.data(), target.size());
    if (n <= 0)
        return;
    target.resize(static_cast<std::size_t>(n));
    if (IsQuillanProgram(target))
        ::unlink(link.c_str());
}

void TShellIntegration::WriteAppPaths()
{
    WriteKeyString(FRegistry, TRootKey::HKEY_LOCAL_MACHINE, SAppPathsKey, "", FProgram.ProgramPath);
    LinkProgram();
}

void TShellIntegration::RegisterProgram()
{
    WriteAppPaths();
    WriteKeyString(FRegistry, TRootKey::HKEY_LOCAL_MACHINE, SUninstallKey, "DisplayName", SAppTitle);
    WriteKeyString(FRegistry, TRootKey::HKEY_LOCAL_MACHINE, SUninstallKey, "UninstallString",
        FProgram.ProgramPath + " " + SUninstallArgument);
}

// --- first run and uninstall ---------------------------------------------------------------

void TShellIntegration::RunFirstSetup(const TSetupChoices& choices)
{
    if (choices.Associate)
        AssociateTextFiles();
    if (choices.SendTo)
        CreateShortcut(TShortcutPlace::spSendTo);
    if (choices.Desktop)
        CreateShortcut(TShortcutPlace::spDesktop);
    if (choices.StartMenu)
        CreateShortcut(TShortcutPlace::spStartMenu);
    if (choices.QuickLaunch)
        CreateShortcut(TShortcutPlace::spQuickLaunch);
    RegisterProgram();
}

void TShellIntegration::RestorePreviousDefault()
{
    TRegistry reg(FRegistry, TRootKey::HKEY_CLASSES_ROOT);
    if (!reg.OpenKey(STextFileCommandKey, false) || !reg.ValueExists(SBackupValue))
        return;
    const std::string backup = reg.ReadString(SBackupValue).value_or("");
    if (backup.empty())
        return;
    // A default the user chose after the association is theirs; only Quillan's own goes back.
    const std::optional<std::string> current = FShell.DefaultApplication(STextPlain);
    if (current && current->find(SAppTitle) == std::string::npos)
        return;
    if (!FShell.SetDefaultApplication(STextPlain, backup))
        throw EShellError(FormatMessage(SDefaultNotSet, { backup }));
    reg.WriteString("", backup);
}

bool TShellIntegration::Uninstall()
{
    if (FUI.MessageDlg(SReallyUninstall, TMsgDlgType::mtConfirmation, TMsgDlgButtons::mbYesNo) != TModalResult::mrYes)
        return false;
    RemoveShortcut(TShortcutPlace::spQuickLaunch);
    ::unlink(JoinPath(FProgram.ConfigFolder, "Quillan.ini").c_str());
    RemoveShortcut(TShortcutPlace::spSendTo);
    RemoveShortcut(TShortcutPlace::spStartMenu);
    RemoveShortcut(TShortcutPlace::spDesktop);
    RestorePreviousDefault();
    if (const std::string launcher = AssociationLauncherFile(); !launcher.empty())
        RemoveOwnLauncher(launcher);
    FRegistry.DeleteKey(TRootKey::HKEY_LOCAL_MACHINE, SUninstallKey);
    FRegistry.DeleteKey(TRootKey::HKEY_LOCAL_MACHINE, SAppPathsKey);
    UnlinkProgram();
    return true;
}

} // namespace quillan
