// `quillan-cli resave IN OUT` is a stable interface: scripts rely on its name, its byte-exact round
// trip and its exit status.
#include "support/TempFolder.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <sys/wait.h>

namespace {

namespace fs = std::filesystem;

std::string DataPath(const std::string& name)
{
    const char* dir = std::getenv("QUILLAN_TEST_DATA");
    fs::path data = dir && *dir ? fs::path(dir) : fs::path(__FILE__).parent_path().parent_path() / "data";
    return (data / "editor" / name).string();
}

std::string Quote(const std::string& s)
{
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

class ResaveCommand : public ::testing::Test {
protected:
    quillan::testutil::TTempFolder FTemp { "resave" };
    void SetUp() override
    {
        FDir = FTemp.Path();
        const char* cli = std::getenv("QUILLAN_CLI");
        ASSERT_NE(cli, nullptr) << "QUILLAN_CLI names the quillan-cli binary";
        FCli = cli;
    }

    // Runs resave and returns its exit code; stderr goes to FErr.
    int Resave(const std::string& in, const std::string& out)
    {
        std::string errFile = FDir + "/stderr";
        std::string cmd = Quote(FCli) + " resave " + Quote(in) + " " + Quote(out) + " 2>" + Quote(errFile);
        int rc = std::system(cmd.c_str());
        FErr = quillan::testutil::ReadFileBytes(errFile);
        fs::remove(errFile);
        return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    }

    std::string FDir;
    std::string FCli;
    std::string FErr;
};

TEST_F(ResaveCommand, RoundTripsEveryKindOfFile)
{
    struct Case {
        const char* input;
        const char* expected;
    };
    for (Case c : { Case { "crlf.txt", "crlf.txt" }, Case { "lf.txt", "lf.txt" }, Case { "nul.bin", "nul.bin" },
             Case { "invalid-utf8.txt", "invalid-utf8.txt" }, Case { "mixed.txt", "mixed.expected" } }) {
        std::string out = FDir + "/" + c.input;
        ASSERT_EQ(Resave(DataPath(c.input), out), 0) << c.input << ": " << FErr;
        EXPECT_TRUE(FErr.empty()) << FErr;
        std::string expected = quillan::testutil::ReadFileBytes(DataPath(c.expected));
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(quillan::testutil::ReadFileBytes(out), expected) << c.input;
    }
    // Saving over the input itself is the ordinary "open, save" of an editor.
    std::string self = FDir + "/self.txt";
    fs::copy_file(DataPath("nul.bin"), self);
    ASSERT_EQ(Resave(self, self), 0) << FErr;
    EXPECT_EQ(quillan::testutil::ReadFileBytes(self), quillan::testutil::ReadFileBytes(DataPath("nul.bin")));
}

TEST_F(ResaveCommand, FailuresExitNonZeroWithTheMessage)
{
    EXPECT_NE(Resave(FDir + "/missing.txt", FDir + "/out.txt"), 0);
    EXPECT_NE(FErr.find("Cannot open file " + FDir + "/missing.txt"), std::string::npos) << FErr;
    EXPECT_FALSE(fs::exists(FDir + "/out.txt"));

    EXPECT_NE(Resave(DataPath("lf.txt"), FDir + "/no/such/folder/out.txt"), 0);
    EXPECT_NE(FErr.find("Cannot create file " + FDir + "/no/such/folder/out.txt"), std::string::npos) << FErr;

    EXPECT_NE(Resave(DataPath("lf.txt"), ""), 0);
    EXPECT_NE(FErr.find("Cannot create file"), std::string::npos) << FErr;
}

} // namespace
