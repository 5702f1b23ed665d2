#include "highlight/HighlighterFactory.h"
#include "highlight/HighlighterTestUtil.h"
#include "support/RunShell.h"
#include "support/TempFolder.h"

#include <cstdio>
#include <filesystem>
#include <unistd.h>

namespace quillan {
namespace {

namespace fs = std::filesystem;

struct TRun {
    int ExitCode;
    std::string Out;
    std::string Err;
};

TRun RunCli(const std::string& args)
{
    const char* cli = std::getenv("QUILLAN_CLI");
    EXPECT_NE(cli, nullptr) << "QUILLAN_CLI is not set";
    const fs::path err = fs::temp_directory_path() / ("quillan-tokens-err-" + std::to_string(::getpid()));
    const std::string cmd = std::string(cli ? cli : "quillan-cli") + " tokens " + args + " 2>" + err.string();
    std::string out;
    const int status = testutil::RunShell(cmd, out);
    TRun run { status, out, testutil::ReadFile(err.string()) };
    fs::remove(err);
    return run;
}

class TokensCommand : public ::testing::Test {
protected:
    testutil::TTempFolder FTemp { "tokens" };
    void SetUp() override { FDir = FTemp.Path(); }
    std::string Write(const std::string& name, const std::string& bytes)
    {
        const fs::path p = FDir / name;
        FILE* f = std::fopen(p.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
        return p.string();
    }
    fs::path FDir;
};

TEST_F(TokensCommand, PrintsTheGoldenDumpChoosingTheHighlighterByExtension)
{
    const std::string page = testutil::TestDataPath("highlight/html/page.html");
    const std::string expected = testutil::ReadFile(page + ".tokens");
    ASSERT_FALSE(expected.empty());
    TRun byExtension = RunCli(page);
    EXPECT_EQ(byExtension.ExitCode, 0) << byExtension.Err;
    EXPECT_EQ(byExtension.Out, expected);

    const std::string copy = Write("PAGE.HTM", testutil::ReadFile(page));
    EXPECT_EQ(RunCli(copy).Out, expected) << "extensions match in any letter case";
    const std::string txt = Write("page.txt", testutil::ReadFile(page));
    EXPECT_EQ(RunCli("--lang html " + txt).Out, expected);
}

TEST_F(TokensCommand, LinesSplitAtEveryBreakAndRangesCarryOver)
{
    const std::string file = Write("x.html", "<!-- a\r\rb -->\r\n<a\nhref=\"\\\"\n");
    TRun run = RunCli(file);
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(run.Out,
        "0\t0\t2\tComment\t<!--\n0\t4\t2\tComment\t a\n0\tend\t2\n"
        "1\tend\t2\n"
        "2\t0\t2\tComment\tb -->\n2\tend\t5\n"
        "3\t0\t8\tSymbol\t<\n3\t1\t4\tReserved word\ta\n3\tend\t4\n"
        "4\t0\t3\tIdentifier\thref\n4\t4\t8\tSymbol\t=\n4\t5\t11\tValue\t\"\\\\\"\n4\tend\t4\n");
}

TEST_F(TokensCommand, FailuresExitNonZeroWithAMessage)
{
    const std::string html = Write("a.html", "<b>\n");
    TRun unknown = RunCli("--lang cobol " + html);
    EXPECT_NE(unknown.ExitCode, 0);
    EXPECT_NE(unknown.Err.find("cobol"), std::string::npos);
    EXPECT_EQ(unknown.Out, "");

    TRun missing = RunCli((FDir / "missing.html").string());
    EXPECT_NE(missing.ExitCode, 0);
    EXPECT_NE(missing.Err.find("missing.html"), std::string::npos);

    TRun plain = RunCli(Write("notes.txt", "x\n"));
    EXPECT_NE(plain.ExitCode, 0);
    EXPECT_FALSE(plain.Err.empty());

    EXPECT_NE(RunCli("--lang").ExitCode, 0);
    EXPECT_NE(RunCli("").ExitCode, 0);
}

TEST(HighlighterFactory, LanguageFollowsTheExtensionInAnyCase)
{
    const std::pair<const char*, const char*> cases[] = {
        { "main.cpp", "cpp" },
        { "Main.C", "cpp" },
        { "x.h", "cpp" },
        { "/src/y.HPP", "cpp" },
        { "unit.pas", "pas" },
        { "p.DPR", "pas" },
        { "pk.dpk", "pas" },
        { "x.inc", "pas" },
        { "page.HTML", "html" },
        { "page.htm", "html" },
        { "Form1.dfm", "dfm" },
        { "README", "" },
        { "notes.txt", "" },
        { "file.", "" },
        { "dir.pas/readme", "" },
        { "archive.cpp.bak", "" },
        { "x.cc", "" },
    };
    for (auto [name, lang] : cases)
        EXPECT_EQ(LanguageForFileName(name), lang) << name;

    auto html = CreateHighlighter("html");
    ASSERT_NE(html, nullptr);
    EXPECT_STREQ(html->ClassName(), "THTMLHighlighter");
    EXPECT_EQ(CreateHighlighter("HTML"), nullptr);
    EXPECT_EQ(CreateHighlighter(""), nullptr);
    for (const char* lang : { "cpp", "pas", "dfm" }) {
        auto hl = CreateHighlighter(lang);
        ASSERT_NE(hl, nullptr) << lang;
        EXPECT_EQ(LanguageForFileName(std::string("f.") + lang), lang);
    }
}

} // namespace
} // namespace quillan
