#include "backends/posix/IniFile.h"

#include "support/TempFolder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quillan;

namespace {

class IniFile : public ::testing::Test {
protected:
    testutil::TTempFolder FTemp { "ini" };
    void SetUp() override
    {
        FDir = FTemp.Path();
        FFile = FDir + "/Quillan.ini";
    }

    void Put(const std::string& text) const { std::ofstream(FFile, std::ios::binary) << text; }
    std::string Get() const
    {
        std::ifstream in(FFile, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::vector<std::string> FolderEntries() const
    {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(FDir))
            names.push_back(e.path().filename().string());
        return names;
    }

    std::string FDir;
    std::string FFile;
};

TEST_F(IniFile, ReadsHandWrittenFilesTheWayTheProfileFunctionsDo)
{
    // An editor's byte-order mark must not hide the first section.
    Put("\xEF\xBB\xBF[general]\r\n"
        "; comment=2\n"
        "  Top  =  200  \n"
        "top=999\n"
        "Name= \"  spaced  \" \n"
        "Single='quoted'\n"
        "Half=\"open\n"
        "NoEquals\n"
        "Empty=\n"
        "[ Tray ]\n"
        "Enabled=0\n"
        "[GENERAL]\n"
        "Left=5\n");
    TIniFile ini(FFile);
    ASSERT_TRUE(ini.Loaded());
    EXPECT_EQ(ini.ReadInteger("GENERAL", "TOP", 1), 200); // first of two keys, names in any case
    EXPECT_EQ(ini.ReadString("General", "Name", "x"), "  spaced  ");
    EXPECT_EQ(ini.ReadString("General", "Single", "x"), "quoted");
    EXPECT_EQ(ini.ReadString("General", "Half", "x"), "\"open");
    EXPECT_EQ(ini.ReadString("General", "NoEquals", "dflt"), "dflt");
    EXPECT_EQ(ini.ReadString("General", "Empty", "dflt"), "");
    EXPECT_EQ(ini.ReadString("General", "; comment", "dflt"), "dflt");
    EXPECT_FALSE(ini.ReadBool("tray", "Enabled", true));
    // Only the first section of a name counts.
    EXPECT_EQ(ini.ReadInteger("General", "Left", 190), 190);
    EXPECT_EQ(ini.ReadString("Missing", "Key", "d"), "d");
}

TEST_F(IniFile, IntegersThatAreNotNumbersReadAsTheDefault)
{
    Put("[N]\na=-42\nb=+7\nc=$FF\nd=0x80000005\ne=12abc\nf=abc\ng=\nh=2147483648\ni=-2147483648\n"
        "j=\" 3 \"\nk=0x\nl=1.5\n");
    const TIniFile ini(FFile);
    const std::pair<const char*, std::int32_t> expected[]
        = { { "a", -42 }, { "b", 7 }, { "c", 255 }, { "d", static_cast<std::int32_t>(0x80000005u) }, { "e", 5 },
              { "f", 5 }, { "g", 5 }, { "h", 5 }, { "i", INT32_MIN }, { "j", 3 }, { "k", 5 }, { "l", 5 } };
    for (const auto& [key, value] : expected)
        EXPECT_EQ(ini.ReadInteger("N", key, 5), value) << key;
    EXPECT_TRUE(ini.ReadBool("N", "b", false));
    EXPECT_TRUE(ini.ReadBool("N", "f", true));
    EXPECT_FALSE(ini.ReadBool("N", "f", false));
}

TEST_F(IniFile, WritingKeepsEverythingItDoesNotChange)
{
    Put("; settings\r\n[General]\r\nTop=1\r\nUnknown = keep me\r\n\r\n; tray follows\r\n[Tray]\r\nEnabled=1\r\n");
    TIniFile ini(FFile);
    ini.WriteInteger("general", "top", 250); // existing key keeps its spelling
    ini.WriteInteger("General", "Left", 190); // new key after the section's last value
    ini.WriteString("RichEdit", "Name", "Courier New"); // new section at the end
    ASSERT_TRUE(ini.UpdateFile()) << ini.LastError();
    EXPECT_EQ(Get(),
        "; settings\r\n[General]\r\nTop=250\r\nUnknown = keep me\r\nLeft=190\r\n\r\n; tray follows\r\n"
        "[Tray]\r\nEnabled=1\r\n[RichEdit]\r\nName=Courier New\r\n");
}

TEST_F(IniFile, ValuesReadBackExactlyOrAreRefused)
{
    const std::vector<std::string> values
        = { "plain", " lead", "trail ", "\"quoted\"", "'single'", "\"", "a=b", "", "x\"y\"", "\t" };
    {
        TIniFile ini(FFile);
        for (std::size_t i = 0; i < values.size(); ++i)
            EXPECT_TRUE(ini.WriteString("S", "K" + std::to_string(i), values[i]));
        EXPECT_FALSE(ini.WriteString("S", "Broken", "two\nlines"));
        EXPECT_FALSE(ini.WriteString("S", "Broken", "cr\r"));
        EXPECT_FALSE(ini.WriteString("S", "a=b", "v"));
        EXPECT_FALSE(ini.WriteString("S]", "k", "v"));
        EXPECT_FALSE(ini.WriteString("S", " k", "v"));
        ASSERT_TRUE(ini.UpdateFile());
    }
    TIniFile again(FFile);
    for (std::size_t i = 0; i < values.size(); ++i)
        EXPECT_EQ(again.ReadString("S", "K" + std::to_string(i), "?"), values[i]) << i;
    EXPECT_EQ(again.ReadString("S", "Broken", "none"), "none");
    EXPECT_EQ(Get().find("two"), std::string::npos);
}

TEST_F(IniFile, NewFileUsesLineFeedsAndCreatesItsFolder)
{
    FFile = FDir + "/deeper/Quillan/Quillan.ini";
    TIniFile ini(FFile);
    EXPECT_TRUE(ini.Loaded());
    ini.WriteBool("Tray", "Enabled", true);
    ini.WriteBool("Tray", "Always", false);
    ASSERT_TRUE(ini.UpdateFile()) << ini.LastError();
    EXPECT_EQ(Get(), "[Tray]\nEnabled=1\nAlways=0\n");
    struct stat st { };
    ASSERT_EQ(::stat((FDir + "/deeper/Quillan").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST_F(IniFile, ReplacementKeepsPermissionsAndLinksAndLeavesNoTemporaryFile)
{
    const std::string real = FDir + "/real.ini";
    std::ofstream(real) << "[A]\nK=1\n";
    ::chmod(real.c_str(), 0640);
    ASSERT_EQ(::symlink("real.ini", FFile.c_str()), 0);

    TIniFile ini(FFile);
    EXPECT_EQ(ini.ReadInteger("A", "K", 0), 1);
    ini.WriteInteger("A", "K", 2);
    ASSERT_TRUE(ini.UpdateFile()) << ini.LastError();

    struct stat st { };
    ASSERT_EQ(::lstat(FFile.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(::stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(TIniFile(real).ReadInteger("A", "K", 0), 2);
    EXPECT_EQ(FolderEntries().size(), 2u);
}

TEST_F(IniFile, FailedWriteLeavesTheOldFile)
{
    const std::string old = "[General]\nTop=1\n";
    Put(old);
    // A file size limit makes the write fail half-way even for root; run it in a child so the
    // limit and the ignored signal do not leak into other tests.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit { 8, 8 };
        ::setrlimit(RLIMIT_FSIZE, &limit);
        TIniFile ini(FFile);
        ini.WriteString("General", "Name", std::string(4096, 'x'));
        ::_exit(ini.UpdateFile() ? 1 : 0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "UpdateFile reported success";
    EXPECT_EQ(Get(), old);
    EXPECT_EQ(FolderEntries().size(), 1u) << "temporary file left behind";
}

TEST_F(IniFile, ASettingsFileThatIsNoRegularFileIsIgnored)
{
    ASSERT_EQ(::mkfifo(FFile.c_str(), 0600), 0);
    TIniFile ini(FFile); // would wait for a writer without O_NONBLOCK
    EXPECT_FALSE(ini.Loaded());
    EXPECT_NE(ini.LastError().find("not a regular file"), std::string::npos) << ini.LastError();
    ini.WriteInteger("General", "Top", 1);
    EXPECT_FALSE(ini.UpdateFile());
    struct stat st { };
    ASSERT_EQ(::lstat(FFile.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST_F(IniFile, FileThatCannotBeReadIsNeverOverwritten)
{
    std::filesystem::create_directory(FFile); // exists, but cannot be read as a file
    TIniFile ini(FFile);
    EXPECT_FALSE(ini.Loaded());
    EXPECT_EQ(ini.ReadInteger("General", "Top", 200), 200);
    ini.WriteInteger("General", "Top", 1);
    EXPECT_FALSE(ini.UpdateFile());
    EXPECT_FALSE(ini.LastError().empty());
    EXPECT_TRUE(std::filesystem::is_directory(FFile));
}

} // namespace
