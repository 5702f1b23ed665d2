#include "app/ShortcutLink.h"

#include "support/TempFolder.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace quillan;

namespace {

namespace fs = std::filesystem;
using testutil::ReadFileBytes;

bool HasLine(const std::string& text, const std::string& line)
{
    return ("\n" + text).find("\n" + line + "\n") != std::string::npos;
}

TShortcutLink ProgramLink(const std::string& file, const std::string& program = "/opt/quillan/bin/quillan")
{
    TShortcutLink link;
    link.ShortcutFile = file;
    link.Target = program;
    link.IconLocation = program;
    link.WorkingDir = "/opt/quillan/bin/";
    link.Description = "Quillan v1.2.0";
    return link;
}

// desktop-file-validate's verdict on a launcher: empty when it passes. Warnings fail too, since
// a launcher the menus only half understand is as bad as none; hints do not.
std::string Validate(const std::string& path)
{
    std::string out;
    const std::string command = "desktop-file-validate --no-hints '" + path + "' 2>&1";
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, pipe))
            out += buffer;
        if (::pclose(pipe) != 0 && out.empty())
            out = "failed without a word";
    }
    return out;
}

bool HaveValidator()
{
    return std::system("command -v desktop-file-validate >/dev/null 2>&1") == 0;
}

TEST(ShortcutLinkTest, HotKeyIsOneUpperCaseCharacterAndOnlyAVisibleOneIsWritten)
{
    TShortcutLink link = ProgramLink("/x/Quillan.desktop");
    EXPECT_EQ(link.HotKey(), " ");
    EXPECT_EQ(link.LauncherText().find("X-KDE-Shortcuts"), std::string::npos);
    link.SetHotKey("q");
    EXPECT_EQ(link.HotKey(), "Q");
    EXPECT_TRUE(HasLine(link.LauncherText(), "X-KDE-Shortcuts=Ctrl+Alt+Q")) << link.LauncherText();
    link.SetHotKey("zebra");
    EXPECT_EQ(link.HotKey(), "Z");
    link.SetHotKey("");
    EXPECT_EQ(link.HotKey(), " ");
    link.SetHotKey("\t");
    EXPECT_EQ(link.HotKeyCode(), ' ');
    EXPECT_EQ(link.LauncherText().find("X-KDE-Shortcuts"), std::string::npos);
}

TEST(ShortcutLinkTest, ShowCommandIsWrittenAsStoredAndReadsBackThreeWays)
{
    TShortcutLink link = ProgramLink("/x/Quillan.desktop");
    EXPECT_EQ(link.ShowCmd(), TShowCmd::scShowNormal);
    EXPECT_TRUE(HasLine(link.LauncherText(), "X-Quillan-ShowCmd=0"));
    link.SetShowCmd(TShowCmd::scShowMinimized);
    EXPECT_EQ(link.StoredShowCmd(), 7);
    EXPECT_EQ(link.ShowCmd(), TShowCmd::scShowMinimized);
    EXPECT_TRUE(HasLine(link.LauncherText(), "X-Quillan-ShowCmd=7"));
    link.SetShowCmd(TShowCmd::scShowMaximized);
    EXPECT_EQ(link.StoredShowCmd(), 3);
    EXPECT_EQ(link.ShowCmd(), TShowCmd::scShowMaximized);
    link.SetShowCmd(TShowCmd::scShowNormal);
    EXPECT_EQ(link.StoredShowCmd(), 9);
}

TEST(ShortcutLinkTest, EveryPropertyLandsInTheLauncher)
{
    TShortcutLink link = ProgramLink("/home/u/Desktop/Quillan.desktop");
    link.Arguments = "-x \"two words\"";
    link.IconNumber = 2;
    const std::string text = link.LauncherText();
    EXPECT_EQ(text.rfind("[Desktop Entry]\n", 0), 0u) << text;
    EXPECT_TRUE(HasLine(text, "Name=Quillan")) << text;
    EXPECT_TRUE(HasLine(text, "Comment=Quillan v1.2.0")) << text;
    EXPECT_TRUE(HasLine(text, "Exec=/opt/quillan/bin/quillan -x \"two words\" %F")) << text;
    EXPECT_TRUE(HasLine(text, "Path=/opt/quillan/bin")) << text;
    // A program holds no icon file here; its icon is the theme's of that name.
    EXPECT_TRUE(HasLine(text, "Icon=quillan")) << text;
    EXPECT_TRUE(HasLine(text, "X-Quillan-IconNumber=2")) << text;

    link.IconLocation = "/usr/share/icons/hicolor/48x48/apps/quillan.png";
    EXPECT_TRUE(HasLine(link.LauncherText(), "Icon=/usr/share/icons/hicolor/48x48/apps/quillan.png"));
}

TEST(ShortcutLinkTest, PathsWithReservedCharactersStayOneWordAndComeBackIntact)
{
    for (const std::string program : { "/opt/my tools/quillan", "/opt/100%/quillan", "/opt/a\"b/quillan",
             "/opt/$HOME/`x`/quillan", "/opt/back\\slash/quillan", "/opt/semi;colon/quillan" }) {
        TShortcutLink link = ProgramLink("/x/Quillan.desktop", program);
        link.Actions.push_back({ "Uninstall", "Uninstall", "/UNINSTALL" });
        const std::string text = link.LauncherText();
        EXPECT_EQ(LauncherExecProgram(text), program) << text;
        // The action's line names the same program.
        const std::string action = text.substr(text.find("[Desktop Action Uninstall]"));
        EXPECT_EQ(LauncherExecProgram("[Desktop Entry]" + action.substr(action.find('\n'))), program) << text;
    }
    EXPECT_EQ(QuoteExecWord("plain-word_1.txt"), "plain-word_1.txt");
    EXPECT_EQ(QuoteExecWord("50%"), "50%%");
    EXPECT_EQ(QuoteExecWord(""), "\"\"");
    EXPECT_EQ(QuoteExecWord("a b"), "\"a b\"");
    EXPECT_EQ(QuoteExecWord("say \"hi\""), "\"say \\\"hi\\\"\"");
}

TEST(ShortcutLinkTest, CommandLinesSplitIntoWords)
{
    using TWords = std::vector<std::string>;
    EXPECT_EQ(SplitCommandLine(""), TWords {});
    EXPECT_EQ(SplitCommandLine("  a   b\tc "), (TWords { "a", "b", "c" }));
    EXPECT_EQ(SplitCommandLine("\"two words\" x"), (TWords { "two words", "x" }));
    EXPECT_EQ(SplitCommandLine("\"\""), TWords { "" });
    EXPECT_EQ(SplitCommandLine("say \\\"hi\\\""), (TWords { "say", "\"hi\"" }));
    EXPECT_EQ(SplitCommandLine("pre\"fix mid\"post"), TWords { "prefix midpost" });
}

TEST(ShortcutLinkTest, ValuesWithLineBreaksCannotAddKeys)
{
    TShortcutLink link = ProgramLink("/x/Quillan.desktop");
    link.Description = "one\nExec=/bin/evil";
    const std::string text = link.LauncherText();
    EXPECT_TRUE(HasLine(text, "Comment=one\\nExec=/bin/evil")) << text;
    EXPECT_EQ(LauncherExecProgram(text), "/opt/quillan/bin/quillan");
}

TEST(ShortcutLinkTest, ExecProgramOnlyFromTheDesktopEntryGroup)
{
    EXPECT_EQ(LauncherExecProgram("[Desktop Action X]\nExec=/bin/other\n"), "");
    EXPECT_EQ(LauncherExecProgram("#!/usr/bin/env x\n[Desktop Entry]\r\nName=Q\r\nExec = /usr/bin/quillan %F\r\n"),
        "/usr/bin/quillan");
    EXPECT_EQ(LauncherExecProgram("[Desktop Entry]\nExecutable=/bin/no\nExec=\"/a b/quillan\"\n"), "/a b/quillan");
    EXPECT_EQ(LauncherExecProgram("garbage"), "");
}

TEST(ShortcutLinkTest, WritingTwiceLeavesOneFileWithTheSecondValues)
{
    testutil::TTempFolder temp("lnk");
    const std::string file = temp / "new/folders/Quillan.desktop";
    TShortcutLink link = ProgramLink(file);
    link.CreateLink();
    link.Description = "second";
    link.SetHotKey("w");
    link.CreateLink();
    const std::string text = ReadFileBytes(file);
    EXPECT_TRUE(HasLine(text, "Comment=second")) << text;
    EXPECT_TRUE(HasLine(text, "X-KDE-Shortcuts=Ctrl+Alt+W")) << text;
    EXPECT_EQ(text.find("Quillan v1.2.0"), std::string::npos);
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(temp / "new/folders"))
        ++files;
    EXPECT_EQ(files, 1u) << "a temporary file was left behind";
    struct stat st { };
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_TRUE(st.st_mode & S_IXUSR) << "desktops start only executable launchers";
}

TEST(ShortcutLinkTest, AFailedSaveRaisesTheShortcutErrorAndKeepsTheOldFile)
{
    testutil::TTempFolder temp("lnk");
    // A file where a folder should be: nothing can be made below it.
    std::FILE* f = std::fopen((temp / "blocker").c_str(), "w");
    std::fclose(f);
    TShortcutLink link = ProgramLink(temp / "blocker/Quillan.desktop");
    try {
        link.CreateLink();
        FAIL() << "no error";
    } catch (const EShortcutError& e) {
        EXPECT_STREQ(e.what(), "Unable to create .lnk file");
    }
    TShortcutLink unnamed;
    EXPECT_THROW(unnamed.CreateLink(), EShortcutError);

    // Replacing fails in a folder that takes no new file: the old launcher stays whole.
    const std::string file = temp / "locked/Quillan.desktop";
    link.ShortcutFile = file;
    link.CreateLink();
    const std::string before = ReadFileBytes(file);
    fs::permissions(temp / "locked", fs::perms::owner_read | fs::perms::owner_exec);
    fs::permissions(file, fs::perms::owner_read);
    link.Description = "changed";
    if (::geteuid() != 0) {
        EXPECT_THROW(link.CreateLink(), EShortcutError);
        EXPECT_EQ(ReadFileBytes(file), before);
    }
    fs::permissions(temp / "locked", fs::perms::owner_all);
}

TEST(ShortcutLinkTest, LaunchersPassTheDesktopValidator)
{
    if (!HaveValidator())
        GTEST_SKIP() << "desktop-file-validate is not installed (package desktop-file-utils)";
    testutil::TTempFolder temp("lnk");
    TShortcutLink plain = ProgramLink(temp / "Quillan.desktop", "/opt/my tools/quillan");
    plain.CreateLink();
    EXPECT_EQ(Validate(plain.ShortcutFile), "");

    TShortcutLink full = ProgramLink(temp / "Full.desktop");
    full.Arguments = "--flag \"a b\" 100%";
    full.SetHotKey("q");
    full.SetShowCmd(TShowCmd::scShowMaximized);
    full.IconNumber = 3;
    full.Categories = "Utility;TextEditor;";
    full.MimeTypes = { "text/plain", "text/html" };
    full.NoDisplay = true;
    full.Actions.push_back({ "Uninstall", "Uninstall", "/UNINSTALL" });
    full.Interpreter = "/usr/bin/env -S gio launch";
    full.Description = "two\nlines";
    full.CreateLink();
    EXPECT_EQ(Validate(full.ShortcutFile), "") << ReadFileBytes(full.ShortcutFile);
}

} // namespace
