#include "PrintTestUtil.h"
#include "support/RunShell.h"
#include "support/TempFolder.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <unistd.h>

namespace quillan {
namespace {

using printtest::TestDataPath;

std::string RunCli(const std::string& args, int* exitCode)
{
    const char* cli = std::getenv("QUILLAN_CLI");
    std::string out;
    *exitCode = testutil::RunShell(std::string(cli ? cli : "quillan-cli") + " " + args + " 2>&1", out);
    return out;
}

bool Exists(const std::string& path)
{
    return access(path.c_str(), F_OK) == 0;
}

struct TOutDir : testutil::TTempFolder {
    TOutDir()
        : TTempFolder("print-cli")
    {
    }
};

TEST(PrintCommand, WritesThePdfAndOneImagePerPage)
{
    TOutDir out;
    // 130 lines make three pages of the design's page.
    {
        std::ofstream f(out / "long.txt");
        for (int i = 0; i < 130; ++i)
            f << "line " << i << "\n";
    }
    int rc = 0;
    std::string msg = RunCli("print '" + (out / "long.txt") + "' --pdf '" + (out / "o.pdf") + "' --png '" + (out / "p")
            + "' --dpi 40 --title 'My Title'",
        &rc);
    ASSERT_EQ(rc, 0) << msg;
    std::string pdf = testutil::ReadFileBytes(out / "o.pdf");
    EXPECT_EQ(pdf.rfind("%PDF", 0), 0u);
    EXPECT_NE(pdf.find("My Title"), std::string::npos);
    EXPECT_TRUE(Exists(out / "p-1.png"));
    EXPECT_TRUE(Exists(out / "p-3.png"));
    EXPECT_FALSE(Exists(out / "p-4.png"));
    EXPECT_FALSE(Exists(out / "o.pdf.part"));
}

TEST(PrintCommand, PrintsAnyBytesAndAnEmptyFile)
{
    TOutDir out;
    int rc = 0;
    std::string msg = RunCli("print '" + TestDataPath("print/bytes.txt") + "' --pdf '" + (out / "b.pdf") + "' --png '"
            + (out / "b") + "' --dpi 20",
        &rc);
    EXPECT_EQ(rc, 0) << msg;
    EXPECT_TRUE(Exists(out / "b-1.png"));
    {
        std::ofstream f(out / "empty.cpp");
    }
    msg = RunCli("print '" + (out / "empty.cpp") + "' --pdf '" + (out / "e.pdf") + "'", &rc);
    EXPECT_EQ(rc, 0) << msg;
    EXPECT_TRUE(Exists(out / "e.pdf"));
}

TEST(PrintCommand, RefusesBadArgumentsAndReportsFailures)
{
    TOutDir out;
    const std::string file = "'" + TestDataPath("print/sample.cpp") + "'";
    int rc = 0;
    std::string msg = RunCli("print " + file, &rc);
    EXPECT_NE(rc, 0);
    EXPECT_NE(msg.find("usage: print FILE --pdf"), std::string::npos) << msg;
    msg = RunCli("print " + file + " --pdf '" + (out / "x.pdf") + "' --dpi 0", &rc);
    EXPECT_NE(rc, 0);
    EXPECT_NE(msg.find("--dpi"), std::string::npos) << msg;
    msg = RunCli("print " + file + " --pdf '" + (out / "x.pdf") + "' --dpi 30x", &rc);
    EXPECT_NE(rc, 0);
    msg = RunCli("print " + file + " --pdf", &rc);
    EXPECT_NE(rc, 0);
    msg = RunCli("print '" + (out / "missing.cpp") + "' --pdf '" + (out / "x.pdf") + "'", &rc);
    EXPECT_NE(rc, 0);
    EXPECT_NE(msg.find("Cannot open file"), std::string::npos) << msg;
    msg = RunCli("print " + file + " --pdf '" + (out / "no/such/dir/x.pdf") + "'", &rc);
    EXPECT_NE(rc, 0);
    EXPECT_NE(msg.find("Cannot create file"), std::string::npos) << msg;
    msg = RunCli("print " + file + " --pdf '" + (out / "y.pdf") + "' --png '" + (out / "no/dir/p") + "'", &rc);
    EXPECT_NE(rc, 0);
    EXPECT_FALSE(Exists(out / "y.pdf"));
    EXPECT_FALSE(Exists(out / "y.pdf.part"));
    EXPECT_FALSE(Exists(out / "x.pdf"));
}

} // namespace
} // namespace quillan
