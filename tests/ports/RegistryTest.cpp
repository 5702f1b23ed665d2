#include "ports/Registry.h"

#include "backends/headless/MemoryRegistry.h"
#include "backends/posix/FileRegistry.h"
#include "support/TempFolder.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <sstream>
#include <sys/resource.h>
#include <unistd.h>

namespace quillan {
namespace {

namespace fs = std::filesystem;
constexpr auto HKCU = TRootKey::HKEY_CURRENT_USER;
constexpr auto HKLM = TRootKey::HKEY_LOCAL_MACHINE;

TEST(MemoryRegistry, KeysAndValuesIgnoreCaseButKeepIt)
{
    TMemoryRegistry reg;
    EXPECT_FALSE(reg.KeyExists(HKCU, "Software\\Quillan"));
    EXPECT_FALSE(reg.WriteInteger(HKCU, "Software\\Quillan", "x", 1)) << "writing needs an existing key";
    ASSERT_TRUE(reg.CreateKey(HKCU, "Software\\Quillan\\Colours"));
    EXPECT_TRUE(reg.KeyExists(HKCU, "\\SOFTWARE\\\\quillan\\"));
    EXPECT_FALSE(reg.KeyExists(HKLM, "Software")) << "roots are separate trees";

    ASSERT_TRUE(reg.WriteInteger(HKCU, "software\\quillan", "Width", -5));
    ASSERT_TRUE(reg.WriteString(HKCU, "Software\\Quillan", "", "default value"));
    EXPECT_EQ(reg.ReadInteger(HKCU, "Software\\Quillan", "WIDTH"), -5);
    EXPECT_EQ(reg.ReadString(HKCU, "Software\\Quillan", "Width"), std::nullopt) << "wrong type reads nothing";
    EXPECT_EQ(reg.GetDataType(HKCU, "Software\\Quillan", "width"), TRegDataType::rdInteger);
    ASSERT_TRUE(reg.WriteString(HKCU, "Software\\Quillan", "WIDTH", "wide"));
    EXPECT_EQ(reg.ReadString(HKCU, "Software\\Quillan", "width"), "wide");

    std::vector<std::string> names;
    ASSERT_TRUE(reg.GetValueNames(HKCU, "Software\\Quillan", names));
    EXPECT_EQ(names, (std::vector<std::string> { "", "Width" }));
    reg.CreateKey(HKCU, "Software\\Quillan\\alpha");
    reg.CreateKey(HKCU, "Software\\Quillan\\ALPHA\\deep");
    ASSERT_TRUE(reg.GetKeyNames(HKCU, "Software\\Quillan", names));
    EXPECT_EQ(names, (std::vector<std::string> { "alpha", "Colours" }));

    EXPECT_TRUE(reg.DeleteKey(HKCU, "Software\\Quillan\\Alpha"));
    EXPECT_FALSE(reg.KeyExists(HKCU, "Software\\Quillan\\alpha\\deep")) << "subkeys go with their key";
    EXPECT_FALSE(reg.DeleteKey(HKCU, "Software\\Quillan\\alpha"));
    EXPECT_FALSE(reg.DeleteKey(HKCU, "")) << "a root cannot be deleted";
    EXPECT_TRUE(reg.DeleteValue(HKCU, "Software\\Quillan", "width"));
    EXPECT_FALSE(reg.DeleteValue(HKCU, "Software\\Quillan", "width"));
}

TEST(RegistryCursor, OpensRelativeToTheCurrentKey)
{
    TMemoryRegistry store;
    TRegistry reg(store, HKCU);
    EXPECT_FALSE(reg.OpenKeyReadOnly("Software"));
    EXPECT_FALSE(reg.HasCurrentKey());
    ASSERT_TRUE(reg.OpenKey("Software\\Quillan", true));
    ASSERT_TRUE(reg.OpenKey("Colours", true));
    EXPECT_EQ(reg.CurrentPath(), "Software\\Quillan\\Colours");
    EXPECT_TRUE(reg.WriteInteger("Comment", 3));
    ASSERT_TRUE(reg.OpenKey("\\Software", false)) << "a leading separator starts from the root";
    EXPECT_EQ(reg.CurrentPath(), "Software");
    EXPECT_FALSE(reg.ValueExists("Comment"));
    EXPECT_TRUE(reg.KeyExists("Quillan\\Colours"));
    EXPECT_FALSE(reg.OpenKey("Missing", false));
    EXPECT_EQ(reg.CurrentPath(), "Software") << "a failed open keeps the current key";
    reg.SetRootKey(HKLM);
    EXPECT_FALSE(reg.HasCurrentKey());
    EXPECT_EQ(store.ReadInteger(HKCU, "Software\\Quillan\\Colours", "Comment"), 3);

    EXPECT_EQ(RootKeyFromName("hkey_local_machine"), HKLM);
    EXPECT_EQ(RootKeyName(HKCU), "HKEY_CURRENT_USER");
    EXPECT_EQ(RootKeyFromName("HKEY_NOWHERE"), std::nullopt);
}

class FileRegistry : public ::testing::Test {
protected:
    testutil::TTempFolder FTemp { "registry" };
    void SetUp() override
    {
        FDir = fs::path(FTemp.Path()) / "registry";
        FFile = (FDir / "sub" / "registry.txt").string();
    }
    static std::string Slurp(const std::string& path)
    {
        std::ifstream f(path, std::ios::binary);
        std::stringstream s;
        s << f.rdbuf();
        return s.str();
    }
    fs::path FDir;
    std::string FFile;
};

TEST_F(FileRegistry, EveryChangeIsOnDiskAndReloadsExactly)
{
    TFileRegistry reg(FFile);
    ASSERT_TRUE(reg.Load()) << "a missing file is an empty registry";
    ASSERT_TRUE(reg.CreateKey(HKCU, "Software\\Odd]%Name\x01\\\xC3\xA9"));
    ASSERT_TRUE(reg.WriteString(HKCU, "Software\\Odd]%Name\x01", "q\"uo\\te\n", std::string("nul\0byte\r\n", 10)));
    ASSERT_TRUE(reg.WriteInteger(HKLM, "", "root value", 1)) << "values may sit on a root";
    ASSERT_TRUE(reg.CreateKey(HKLM, "Empty\\Key"));
    ASSERT_TRUE(reg.WriteInteger(HKCU, "Software", "min", INT32_MIN));

    TFileRegistry again(FFile);
    ASSERT_TRUE(again.Load());
    EXPECT_TRUE(again.Data() == reg.Data());
    EXPECT_EQ(again.ReadString(HKCU, "software\\odd]%name\x01", "Q\"UO\\TE\n"), std::string("nul\0byte\r\n", 10));
    EXPECT_TRUE(again.KeyExists(HKLM, "Empty\\Key"));
    EXPECT_EQ(again.ReadInteger(HKCU, "Software", "min"), INT32_MIN);
}

TEST_F(FileRegistry, AFailedWriteLeavesFileAndStoreAsTheyWere)
{
    TFileRegistry reg(FFile);
    ASSERT_TRUE(reg.Load());
    ASSERT_TRUE(reg.CreateKey(HKCU, "Software"));
    ASSERT_TRUE(reg.WriteInteger(HKCU, "Software", "kept", 7));
    const std::string before = Slurp(FFile);

    // A write the system refuses half way: the file-size limit lets no file grow past the old one.
    struct rlimit old { };
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = before.size();
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool wroteValue = reg.WriteInteger(HKCU, "Software", "kept", 12345678);
    const bool madeKey = reg.CreateKey(HKCU, "Software\\New");
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(wroteValue);
    EXPECT_FALSE(madeKey);
    EXPECT_EQ(reg.ReadInteger(HKCU, "Software", "kept"), 7);
    EXPECT_FALSE(reg.KeyExists(HKCU, "Software\\New"));
    EXPECT_EQ(Slurp(FFile), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(fs::path(FFile).parent_path()), fs::directory_iterator {}), 1)
        << "the temporary file is gone";
    EXPECT_TRUE(reg.WriteInteger(HKCU, "Software", "kept", 8));
}

TEST_F(FileRegistry, AnUnreadableFileIsNeverOverwritten)
{
    fs::create_directories(fs::path(FFile).parent_path());
    const std::string garbage = "[HKEY_CURRENT_USER\\x]\nnot a value line\n";
    std::ofstream(FFile, std::ios::binary) << garbage;
    TFileRegistry reg(FFile);
    EXPECT_FALSE(reg.Load());
    EXPECT_TRUE(reg.ReadOnly());
    EXPECT_FALSE(reg.CreateKey(HKCU, "Software"));
    EXPECT_EQ(Slurp(FFile), garbage);

    for (const char* bad : { "[HKEY_NOWHERE\\x]\n", "[HKEY_CURRENT_USER\\x\n", "\"v\"=int:1\n",
             "[HKEY_CURRENT_USER\\x]\n\"v\"=int:99999999999\n", "[HKEY_CURRENT_USER\\x]\n\"v\"=str:\"open\n",
             "[HKEY_CURRENT_USER\\%zz]\n" }) {
        TMemoryRegistry data;
        EXPECT_FALSE(TFileRegistry::Parse(bad, data)) << bad;
    }
}

} // namespace
} // namespace quillan
