// The program's setup on a desktop of the test's own: a temporary home, the xdg backend, and
// stand-ins for xdg-mime and xdg-user-dir (support/FakeDesktop.h).

#include "app/ShellIntegration.h"

#include "app/UserInterface.h"
#include "backends/headless/MemoryRegistry.h"
#include "backends/posix/XdgDesktopShell.h"
#include "ports/DesktopShell.h"
#include "ports/Registry.h"
#include "support/FakeDesktop.h"
#include "support/ScriptedUI.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace quillan;

namespace {

namespace fs = std::filesystem;
using testutil::ReadFileBytes;
using testutil::TFakeDesktop;

// The xdg shell with a quick-launch folder, as a desktop that has such a bar would give one.
class TQuickLaunchShell : public TXdgDesktopShell {
public:
    explicit TQuickLaunchShell(std::string folder)
        : FFolder(std::move(folder))
    {
    }
    std::optional<std::string> SpecialFolder(TShellFolder folder) const override
    {
        if (folder == TShellFolder::sfQuickLaunch)
            return FFolder;
        return TXdgDesktopShell::SpecialFolder(folder);
    }

private:
    std::string FFolder;
};

bool Exists(const std::string& path)
{
    struct stat st { };
    return ::lstat(path.c_str(), &st) == 0;
}

std::string LinkTarget(const std::string& path)
{
    std::error_code ec;
    return fs::read_symlink(path, ec).string();
}

class ShellIntegrationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FProgram = FDesktop.Home() + "/opt/quillan/bin/quillan";
        TFakeDesktop::WriteFile(FProgram, "#!/bin/sh\n");
        fs::permissions(FProgram, fs::perms::owner_all);
        FConfig = FDesktop.ConfigHome() + "/Quillan";
        TFakeDesktop::WriteFile(FConfig + "/Quillan.ini", "[General]\nCheckSum=5\n");
        FDesktop.SetDefault("text/plain", "org.gnome.TextEditor.desktop");
    }

    TShellIntegration Shell() { return TShellIntegration(FXdg, FRegistry, FUI, { FProgram, FConfig }); }

    std::optional<std::string> Value(TRootKey root, const char* key, const char* name) const
    {
        return FRegistry.ReadString(root, key, name);
    }
    std::string StartMenuFile() const { return FDesktop.Applications() + "/quillan.desktop"; }
    std::string DesktopFile() const { return FDesktop.Desktop() + "/Quillan.desktop"; }
    std::string SendToFile() const { return FDesktop.Scripts() + "/Quillan.desktop"; }
    std::string AssociationFile() const { return FDesktop.Applications() + "/Quillan-textfiles.desktop"; }
    std::string ProgramLink() const { return FDesktop.UserBin() + "/quillan"; }

    void ExpectRegistered() const
    {
        EXPECT_EQ(Value(TRootKey::HKEY_LOCAL_MACHINE, SAppPathsKey, ""), FProgram);
        EXPECT_EQ(Value(TRootKey::HKEY_LOCAL_MACHINE, SUninstallKey, "DisplayName"), "Quillan");
        EXPECT_EQ(Value(TRootKey::HKEY_LOCAL_MACHINE, SUninstallKey, "UninstallString"), FProgram + " /UNINSTALL");
        EXPECT_EQ(LinkTarget(ProgramLink()), FProgram);
    }

    TFakeDesktop FDesktop;
    TMemoryRegistry FRegistry;
    TScriptedUI FUI;
    TXdgDesktopShell FXdg;
    std::string FProgram;
    std::string FConfig;
};

TEST_F(ShellIntegrationTest, AFirstRunWithEveryBoxTickedSetsUpTheDesktop)
{
    Shell().RunFirstSetup({});
    EXPECT_TRUE(FUI.Messages().empty()) << FUI.Messages().front();

    for (const std::string& file : { StartMenuFile(), DesktopFile(), SendToFile(), AssociationFile() }) {
        const std::string text = ReadFileBytes(file);
        ASSERT_FALSE(text.empty()) << file;
        EXPECT_EQ(LauncherExecProgram(text), FProgram) << file;
        EXPECT_NE(text.find("Comment=Quillan v1.2.0\n"), std::string::npos) << text;
        EXPECT_NE(text.find("Path=" + FDesktop.Home() + "/opt/quillan/bin\n"), std::string::npos) << text;
        // The Uninstall entry, where the desktop offers it.
        EXPECT_NE(text.find("Exec=" + FProgram + " /UNINSTALL\n"), std::string::npos) << text;
    }
    // The file manager runs its scripts as programs.
    EXPECT_EQ(ReadFileBytes(SendToFile()).rfind("#!/usr/bin/env -S gio launch\n[Desktop Entry]\n", 0), 0u);
    EXPECT_NE(ReadFileBytes(AssociationFile()).find("MimeType=text/plain;text/html;\n"), std::string::npos);
    EXPECT_NE(ReadFileBytes(AssociationFile()).find("NoDisplay=true\n"), std::string::npos);
    EXPECT_EQ(ReadFileBytes(StartMenuFile()).find("MimeType"), std::string::npos)
        << "the menu entry would show twice in the open-with lists";

    EXPECT_EQ(FDesktop.DefaultFor("text/plain"), "Quillan-textfiles.desktop");
    EXPECT_EQ(Value(TRootKey::HKEY_CLASSES_ROOT, STextFileCommandKey, "Quillan_Bak"), "org.gnome.TextEditor.desktop");
    EXPECT_EQ(Value(TRootKey::HKEY_CLASSES_ROOT, STextFileCommandKey, ""), FProgram + " %1");
    // No .htm open-with list in this registry: the entry goes below the root.
    EXPECT_EQ(Value(TRootKey::HKEY_CLASSES_ROOT, SHtmEditCommandKey, ""), FProgram + " %1");
    EXPECT_EQ(FDesktop.DefaultFor("text/html"), "") << "HTML is offered, not taken";
    ExpectRegistered();
}

TEST_F(ShellIntegrationTest, ASecondFirstRunKeepsTheFirstBackupAndSaysTheAssociationStands)
{
    Shell().RunFirstSetup({});
    // The user edits the launcher on the desktop; a second first run (no normal exit between)
    // writes it again, as the setup's shortcuts are always written.
    TFakeDesktop::WriteFile(DesktopFile(), "[Desktop Entry]\nExec=" + FProgram + " %F\nName=Mine\n");
    Shell().RunFirstSetup({});
    EXPECT_EQ(FUI.Messages(), std::vector<std::string> { "Text files are already associated with Quillan." });
    EXPECT_EQ(Value(TRootKey::HKEY_CLASSES_ROOT, STextFileCommandKey, "Quillan_Bak"), "org.gnome.TextEditor.desktop");
    EXPECT_EQ(FDesktop.DefaultFor("text/plain"), "Quillan-textfiles.desktop");
    EXPECT_NE(ReadFileBytes(DesktopFile()).find("Name=Quillan\n"), std::string::npos);
    ExpectRegistered();
}

TEST_F(ShellIntegrationTest, EveryBoxUntickedStillWritesAppPathsAndUninstall)
{
    Shell().RunFirstSetup({ false, false, false, false, false });
    for (const std::string& file : { StartMenuFile(), DesktopFile(), SendToFile(), AssociationFile() })
        EXPECT_FALSE(Exists(file)) << file;
    EXPECT_EQ(FDesktop.DefaultFor("text/plain"), "org.gnome.TextEditor.desktop");
    EXPECT_FALSE(FRegistry.KeyExists(TRootKey::HKEY_CLASSES_ROOT, STextFileCommandKey));
    ExpectRegistered();
}

TEST_F(ShellIntegrationTest, AssociatingTwiceReportsTheSecondAndKeepsTheFirstBackup)
{
    TShellIntegration shell = Shell();
    EXPECT_TRUE(shell.AssociateTextFiles());
    EXPECT_TRUE(FUI.Messages().empty());
    const auto callsAfterFirst = FDesktop.MimeCalls().size();
    EXPECT_FALSE(shell.AssociateTextFiles());
    EXPECT_EQ(FUI.Messages(), std::vector<std::string> { "Text files are already associated with Quillan." });
    EXPECT_EQ(FDesktop.MimeCalls().size(), callsAfterFirst + 1) << "only the question, no second default";
    EXPECT_EQ(Value(TRootKey::HKEY_CLASSES_ROOT, STextFileCommandKey, "Quillan_Bak"), "org.gnome.TextEditor.desktop");
    // Associating writes App Paths too.
    EXPECT_EQ(Value(TRootKey::HKEY_LOCAL_MACHINE, SAppPathsKey, ""), FProgram);
    EXPECT_EQ(LinkTarget(ProgramLink()), FProgram);
}

TEST_F(ShellIntegrationTest, TheHtmEntryGoesBelowAnExistingOpenWithList)
{
    ASSERT_TRUE(FRegistry.CreateKey(TRootKey::HKEY_CLASSES_ROOT, SHtmOpenWithKey));
    ASSERT_TRUE(Shell().AssociateTextFiles());
    EXPECT_EQ(
        Value(TRootKey::HKEY_CLASSES_ROOT, ".htm\\OpenWithList\\Quillan\\shell\\edit\\command", ""), FProgram + " %1");
    EXPECT_FALSE(FRegistry.KeyExists(TRootKey::HKEY_CLASSES_ROOT, "Quillan"));
}

TEST_F(ShellIntegrationTest, ADesktopThatCannotBeAskedIsAnErrorAndChangesNothing)
{
    FDesktop.FailMime(true);
    EXPECT_THROW(Shell().AssociateTextFiles(), EQuillException);
    EXPECT_FALSE(FRegistry.KeyExists(TRootKey::HKEY_CLASSES_ROOT, STextFileCommandKey));
    EXPECT_FALSE(Exists(AssociationFile()));

    // A desktop that answers but refuses the new default: reported, not taken for success.
    testutil::TFakeDesktop::WriteFile(FDesktop.Home() + "/fake-bin/xdg-mime",
        "#!/bin/sh\n[ \"$1\" = query ] && { echo old.desktop; exit 0; }\nexit 3\n");
    EXPECT_THROW(Shell().AssociateTextFiles(), EQuillException);
}

TEST_F(ShellIntegrationTest, RevertBringsBackThePreviousEditorAndSaysDone)
{
    TShellIntegration shell = Shell();
    ASSERT_TRUE(shell.AssociateTextFiles());
    EXPECT_EQ(shell.RevertTextFileAssociation(), TRevertResult::rrRestored);
    EXPECT_EQ(FDesktop.DefaultFor("text/plain"), "org.gnome.TextEditor.desktop");
    ASSERT_EQ(FUI.Calls().size(), 1u);
    EXPECT_EQ(FUI.Calls()[0].Text, "Done!");
    EXPECT_EQ(FUI.Calls()[0].Type, TMsgDlgType::mtInformation);
    // The backup stays for a later uninstall, and associating again works.
    EXPECT_EQ(Value(TRootKey::HKEY_CLASSES_ROOT, STextFileCommandKey, "Quillan_Bak"), "org.gnome.TextEditor.desktop");
    EXPECT_TRUE(shell.AssociateTextFiles());
}

TEST_F(ShellIntegrationTest, RevertWithoutAPreviousEditorKeepsTheCurrentOneAndSaysSo)
{
    FDesktop.SetDefault("text/plain", "org.kde.kate.desktop");
    EXPECT_EQ(Shell().RevertTextFileAssociation(), TRevertResult::rrNoBackup);
    EXPECT_EQ(FUI.Messages(), std::vector<std::string> { SNoPreviousEditor });
    EXPECT_EQ(FDesktop.DefaultFor("text/plain"), "org.kde.kate.desktop");

    // No default at all before the association: nothing to go back to either.
    TFakeDesktop::WriteFile(FDesktop.ConfigHome() + "/fake-mime/defaults", "");
    FUI.Clear();
    TShellIntegration shell = Shell();
    ASSERT_TRUE(shell.AssociateTextFiles());
    EXPECT_EQ(shell.RevertTextFileAssociation(), TRevertResult::rrNoBackup);
    EXPECT_EQ(FDesktop.DefaultFor("text/plain"), "Quillan-textfiles.desktop");
}

TEST_F(ShellIntegrationTest, UninstallAnsweredNoLeavesEverythingInPlace)
{
    Shell().RunFirstSetup({});
    const TRegistryTree before = FRegistry;
    FUI.AnswerMessage(TModalResult::mrNo);
    EXPECT_FALSE(Shell().Uninstall());
    ASSERT_EQ(FUI.Calls().size(), 1u);
    EXPECT_EQ(FUI.Calls()[0].Text, "Do you REALLY want to uninstall Quillan?");
    EXPECT_EQ(FUI.Calls()[0].Type, TMsgDlgType::mtConfirmation);
    EXPECT_EQ(FUI.Calls()[0].Buttons, TMsgDlgButtons::mbYesNo);
    EXPECT_TRUE(FRegistry == before);
    for (const std::string& file :
        { StartMenuFile(), DesktopFile(), SendToFile(), AssociationFile(), FConfig + "/Quillan.ini", ProgramLink() })
        EXPECT_TRUE(Exists(file)) << file;
    EXPECT_EQ(FDesktop.DefaultFor("text/plain"), "Quillan-textfiles.desktop");
}

TEST_F(ShellIntegrationTest, UninstallRemovesWhatTheProgramMadeAndGivesTextFilesBack)
{
    Shell().RunFirstSetup({});
    FUI.AnswerMessage(TModalResult::mrYes);
    EXPECT_TRUE(Shell().Uninstall());
    for (const std::string& file :
        { StartMenuFile(), DesktopFile(), SendToFile(), AssociationFile(), FConfig + "/Quillan.ini", ProgramLink() })
        EXPECT_FALSE(Exists(file)) << file;
    EXPECT_EQ(FDesktop.DefaultFor("text/plain"), "org.gnome.TextEditor.desktop");
    EXPECT_FALSE(FRegistry.KeyExists(TRootKey::HKEY_LOCAL_MACHINE, SUninstallKey));
    EXPECT_FALSE(FRegistry.KeyExists(TRootKey::HKEY_LOCAL_MACHINE, SAppPathsKey));
    // The backup and the .htm entry stay, as do the program's own files.
    EXPECT_EQ(Value(TRootKey::HKEY_CLASSES_ROOT, STextFileCommandKey, "Quillan_Bak"), "org.gnome.TextEditor.desktop");
    EXPECT_TRUE(FRegistry.KeyExists(TRootKey::HKEY_CLASSES_ROOT, SHtmEditCommandKey));
    EXPECT_TRUE(Exists(FProgram));

    // Nothing left to remove: a second uninstall skips every missing piece.
    FUI.AnswerMessage(TModalResult::mrYes);
    EXPECT_TRUE(Shell().Uninstall());
}

TEST_F(ShellIntegrationTest, UninstallLeavesWhatOthersMadeUnderTheSameNames)
{
    Shell().RunFirstSetup({});
    // Someone else's launcher on the desktop, a program of the user's own where the link was,
    // and a default text editor chosen after the association.
    const std::string foreign = "[Desktop Entry]\nType=Application\nName=Quillan\nExec=/usr/bin/gedit %F\n";
    TFakeDesktop::WriteFile(DesktopFile(), foreign);
    fs::remove(ProgramLink());
    TFakeDesktop::WriteFile(ProgramLink(), "#!/bin/sh\necho mine\n");
    FDesktop.SetDefault("text/plain", "org.kde.kate.desktop");

    FUI.AnswerMessage(TModalResult::mrYes);
    EXPECT_TRUE(Shell().Uninstall());
    EXPECT_EQ(ReadFileBytes(DesktopFile()), foreign);
    EXPECT_EQ(ReadFileBytes(ProgramLink()), "#!/bin/sh\necho mine\n");
    EXPECT_EQ(FDesktop.DefaultFor("text/plain"), "org.kde.kate.desktop");
    EXPECT_FALSE(Exists(StartMenuFile()));
}

TEST_F(ShellIntegrationTest, TheProgramLinkReplacesOnlyALinkToAQuillanProgram)
{
    fs::create_directories(FDesktop.UserBin());
    // A link to another build of Quillan gives way to the running one.
    fs::create_symlink("/old/build/quillan", ProgramLink());
    Shell().RegisterProgram();
    EXPECT_EQ(LinkTarget(ProgramLink()), FProgram);

    // A link to some other program stays, and so does a program of that name.
    fs::remove(ProgramLink());
    fs::create_symlink("/usr/bin/vim", ProgramLink());
    Shell().RegisterProgram();
    EXPECT_EQ(LinkTarget(ProgramLink()), "/usr/bin/vim");
    FUI.AnswerMessage(TModalResult::mrYes);
    Shell().Uninstall();
    EXPECT_EQ(LinkTarget(ProgramLink()), "/usr/bin/vim");
    // The registry entry is written all the same.
    Shell().RegisterProgram();
    EXPECT_EQ(Value(TRootKey::HKEY_LOCAL_MACHINE, SAppPathsKey, ""), FProgram);
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(FDesktop.UserBin()))
        ++entries;
    EXPECT_EQ(entries, 1u) << "a temporary link was left behind";
}

TEST_F(ShellIntegrationTest, ShortcutBoxesActAtOnce)
{
    TShellIntegration shell = Shell();
    // Start Menu and Desktop keep a shortcut that exists; SendTo is written over.
    const std::string custom = "[Desktop Entry]\nName=Custom\nExec=" + FProgram + " %F\n";
    for (const std::string& file : { StartMenuFile(), DesktopFile(), SendToFile() })
        TFakeDesktop::WriteFile(file, custom);
    shell.ShortcutBoxChanged(TShortcutPlace::spStartMenu, true);
    shell.ShortcutBoxChanged(TShortcutPlace::spDesktop, true);
    shell.ShortcutBoxChanged(TShortcutPlace::spSendTo, true);
    EXPECT_EQ(ReadFileBytes(StartMenuFile()), custom);
    EXPECT_EQ(ReadFileBytes(DesktopFile()), custom);
    EXPECT_NE(ReadFileBytes(SendToFile()), custom);
    EXPECT_TRUE(shell.ShortcutExists(TShortcutPlace::spSendTo));

    fs::remove(DesktopFile());
    shell.ShortcutBoxChanged(TShortcutPlace::spDesktop, true);
    EXPECT_EQ(LauncherExecProgram(ReadFileBytes(DesktopFile())), FProgram);

    for (TShortcutPlace place : { TShortcutPlace::spStartMenu, TShortcutPlace::spDesktop, TShortcutPlace::spSendTo }) {
        shell.ShortcutBoxChanged(place, false);
        EXPECT_FALSE(shell.ShortcutExists(place));
    }
    // Unticking a box whose file is not the program's leaves the file.
    TFakeDesktop::WriteFile(DesktopFile(), "[Desktop Entry]\nExec=/usr/bin/other\n");
    shell.ShortcutBoxChanged(TShortcutPlace::spDesktop, false);
    EXPECT_TRUE(shell.ShortcutExists(TShortcutPlace::spDesktop));
}

TEST_F(ShellIntegrationTest, QuickLaunchIsAbsentHereAndNeedsItsBarWhereItExists)
{
    TShellIntegration shell = Shell();
    EXPECT_FALSE(shell.ShortcutFile(TShortcutPlace::spQuickLaunch));
    EXPECT_FALSE(shell.ShortcutPlaceAvailable(TShortcutPlace::spQuickLaunch));
    EXPECT_TRUE(shell.ShortcutPlaceAvailable(TShortcutPlace::spStartMenu));
    shell.ShortcutBoxChanged(TShortcutPlace::spQuickLaunch, true);
    shell.ShortcutBoxChanged(TShortcutPlace::spQuickLaunch, false);

    const std::string bar = FDesktop.Home() + "/QuickLaunch";
    fs::create_directories(bar);
    TQuickLaunchShell withBar(bar);
    TShellIntegration other(withBar, FRegistry, FUI, { FProgram, FConfig });
    // The folder alone is not enough: its bar's marker file must be there.
    EXPECT_FALSE(other.ShortcutPlaceAvailable(TShortcutPlace::spQuickLaunch));
    other.RunFirstSetup({});
    EXPECT_FALSE(Exists(bar + "/Quillan.desktop"));
    TFakeDesktop::WriteFile(bar + "/SHOWDE~1.SCF", "");
    EXPECT_TRUE(other.ShortcutPlaceAvailable(TShortcutPlace::spQuickLaunch));
    other.ShortcutBoxChanged(TShortcutPlace::spQuickLaunch, true);
    EXPECT_TRUE(Exists(bar + "/Quillan.desktop"));
    FUI.AnswerMessage(TModalResult::mrYes);
    other.Uninstall();
    EXPECT_FALSE(Exists(bar + "/Quillan.desktop"));
}

TEST_F(ShellIntegrationTest, TheMenuLauncherStandsInForTheInstalledOneAndAnOlderOneIsStillKnown)
{
    // The same id as the launcher a package installs: the user's menu shows one "Quillan".
    Shell().CreateShortcut(TShortcutPlace::spStartMenu);
    EXPECT_EQ(StartMenuFile(), FDesktop.Applications() + "/quillan.desktop");
    EXPECT_TRUE(Exists(StartMenuFile()));
    EXPECT_FALSE(Exists(FDesktop.Applications() + "/Quillan.desktop"));

    // A launcher an earlier version wrote under the other name counts as the menu's shortcut
    // and goes when the box is unticked, unless someone else made it.
    fs::remove(StartMenuFile());
    const std::string older = FDesktop.Applications() + "/Quillan.desktop";
    TFakeDesktop::WriteFile(older, "[Desktop Entry]\nType=Application\nName=Quillan\nExec=" + FProgram + " %F\n");
    TShellIntegration shell = Shell();
    EXPECT_TRUE(shell.ShortcutExists(TShortcutPlace::spStartMenu));
    shell.ShortcutBoxChanged(TShortcutPlace::spStartMenu, true); // kept, not doubled
    EXPECT_FALSE(Exists(StartMenuFile()));
    shell.ShortcutBoxChanged(TShortcutPlace::spStartMenu, false);
    EXPECT_FALSE(Exists(older));
    EXPECT_FALSE(shell.ShortcutExists(TShortcutPlace::spStartMenu));
    const std::string foreign = "[Desktop Entry]\nType=Application\nName=Quillan\nExec=/usr/bin/gedit %F\n";
    TFakeDesktop::WriteFile(older, foreign);
    EXPECT_FALSE(shell.RemoveShortcut(TShortcutPlace::spStartMenu));
    EXPECT_EQ(ReadFileBytes(older), foreign);
}

TEST_F(ShellIntegrationTest, ALauncherThatCannotBeWrittenRaisesTheShortcutError)
{
    // The desktop folder is a file: nothing can be made in it.
    TFakeDesktop::WriteFile(FDesktop.Desktop(), "not a folder");
    try {
        Shell().RunFirstSetup({});
        FAIL() << "no error";
    } catch (const EShortcutError& e) {
        EXPECT_STREQ(e.what(), "Unable to create .lnk file");
    }
    // The steps before the failure stay done: the association and the SendTo shortcut.
    EXPECT_EQ(FDesktop.DefaultFor("text/plain"), "Quillan-textfiles.desktop");
    EXPECT_TRUE(Exists(SendToFile()));
    EXPECT_FALSE(Exists(StartMenuFile()));
}

} // namespace
