#include "highlight/FormFile.h"

#include "HighlighterTestUtil.h"
#include "highlight/FormStream.h"
#include "support/TempFolder.h"
#include "text/QuillEditTextBuffer.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quillan;
namespace fs = std::filesystem;

namespace {

class DfmFiles : public ::testing::Test {
protected:
    testutil::TTempFolder FTemp { "dfm" };
    void SetUp() override { FDir = FTemp.Path(); }

    std::string Path(const std::string& name) const { return (FDir / name).string(); }
    std::string Write(const std::string& name, const std::string& bytes) const
    {
        FILE* f = std::fopen(Path(name).c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
        return Path(name);
    }
    std::vector<std::string> Entries() const
    {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(FDir))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    static void Fill(TQuillEditStringList& lines, std::string_view text) { lines.SetText(text); }

    fs::path FDir;
};

const std::string kFormText = testutil::TestDataPath("highlight/dfm/form.txt");
const std::string kFormBinary = testutil::TestDataPath("highlight/dfm/form.dfm");

struct TRun {
    int ExitCode;
    std::string Err;
};

TRun RunCli(const std::string& args)
{
    const char* cli = std::getenv("QUILLAN_CLI");
    EXPECT_NE(cli, nullptr) << "QUILLAN_CLI is not set";
    const fs::path err = fs::temp_directory_path() / ("quillan-dfm-err-" + std::to_string(::getpid()));
    const std::string cmd = std::string(cli ? cli : "quillan-cli") + " " + args + " 2>" + err.string();
    const int rc = std::system(cmd.c_str());
    TRun run { WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, testutil::ReadFile(err.string()) };
    fs::remove(err);
    return run;
}

} // namespace

TEST_F(DfmFiles, LoadGivesTheTextAndSaveTheSameFile)
{
    TQuillEditStringList lines;
    lines.Add("left over");
    std::string message;
    ASSERT_EQ(LoadFormFileAsText(kFormBinary, lines, &message), 0) << message;
    EXPECT_EQ(lines.GetText(), testutil::ReadFile(kFormText));

    ASSERT_EQ(SaveTextAsFormFile(lines, Path("out.dfm"), &message), 0) << message;
    EXPECT_EQ(testutil::ReadFile(Path("out.dfm")), testutil::ReadFile(kFormBinary));
    EXPECT_EQ(Entries(), std::vector<std::string> { "out.dfm" });
}

TEST_F(DfmFiles, SavedHeaderNamesTheTopClass)
{
    TQuillEditStringList lines;
    // A child position sits between the prefix byte and the class name.
    Fill(lines, "inherited Form2: TForm2_x [300]\r\n  Tag = 1\r\nend\r\n");
    ASSERT_EQ(SaveTextAsFormFile(lines, Path("f.dfm")), 0);
    const std::string file = testutil::ReadFile(Path("f.dfm"));
    const std::string stream = FormTextToBinary(lines.GetText());
    const std::string header
        = std::string("\xFF\x0A\x00TFORM2_X\x00\x30\x10", 14) + static_cast<char>(stream.size()) + std::string(3, '\0');
    EXPECT_EQ(file, header + stream);
}

TEST_F(DfmFiles, LoadFailuresLeaveNoLines)
{
    TQuillEditStringList lines;
    auto load = [&](const std::string& path) {
        lines.Clear();
        lines.Add("stale");
        const int r = LoadFormFileAsText(path, lines);
        if (r != 0) {
            EXPECT_EQ(lines.Count(), 0) << path;
        } else {
            EXPECT_EQ(lines.GetText(), testutil::ReadFile(kFormText)) << path;
        }
        return r;
    };
    const std::string good = testutil::ReadFile(kFormBinary);
    EXPECT_EQ(load(Path("missing.dfm")), -ENOENT);
    EXPECT_EQ(load(FDir.string()), -EISDIR);
    EXPECT_EQ(load(kFormText), -1); // already text
    EXPECT_EQ(load(Write("empty.dfm", "")), -1);
    EXPECT_EQ(load(Write("type.dfm", "\xFF\x0B" + good.substr(2))), -1);
    EXPECT_EQ(load(Write("noname.dfm", std::string("\xFF\x0A\x00TFORM", 8))), -1);
    EXPECT_EQ(load(Write("short.dfm", good.substr(0, good.size() - 1))), -1);
    std::string badSignature = good;
    badSignature[good.find("TPF0") + 3] = '1';
    EXPECT_EQ(load(Write("sig.dfm", badSignature)), -1);
    // The size field is not trusted: the stream says where it ends.
    std::string wrongSize = good;
    wrongSize[good.find("TPF0") - 1] = '\x7F';
    EXPECT_EQ(load(Write("size.dfm", wrongSize + "trailing")), 0);
    // Name and flags are not checked either.
    const std::string other = std::string("\xFF\x0A\x00X\x00\x01\x02\x00\x00\x00\x00", 11);
    EXPECT_EQ(load(Write("other.dfm", other + good.substr(good.find("TPF0")))), 0);
}

TEST_F(DfmFiles, FailedSaveKeepsTheOldFile)
{
    const std::string target = Write("keep.dfm", "old contents");
    ::chmod(target.c_str(), 0640);
    TQuillEditStringList lines;
    std::string message;
    Fill(lines, "object A: TA\r\n  X = 1\r\n"); // no "end"
    EXPECT_EQ(SaveTextAsFormFile(lines, target, &message), -1);
    EXPECT_EQ(message, "Identifier expected on line 3");
    EXPECT_EQ(testutil::ReadFile(target), "old contents");
    EXPECT_EQ(SaveTextAsFormFile(lines, Path("new.dfm")), -1);
    EXPECT_EQ(Entries(), std::vector<std::string> { "keep.dfm" });

    // A successful save replaces the file whole and keeps its permissions.
    Fill(lines, "object A: TA\r\nend\r\n");
    ASSERT_EQ(SaveTextAsFormFile(lines, target), 0);
    struct stat st;
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(testutil::ReadFile(target).substr(0, 4), std::string("\xFF\x0A\x00T", 4));

    EXPECT_EQ(SaveTextAsFormFile(lines, Path("no/such/dir.dfm")), -ENOENT);
    EXPECT_EQ(SaveTextAsFormFile(lines, FDir.string()), -EISDIR);
    EXPECT_EQ(Entries(), std::vector<std::string> { "keep.dfm" });
}

TEST_F(DfmFiles, CommandLineConvertsBothWays)
{
    ASSERT_EQ(RunCli("dfm2txt " + kFormBinary + " " + Path("a.txt")).ExitCode, 0);
    EXPECT_EQ(testutil::ReadFile(Path("a.txt")), testutil::ReadFile(kFormText));
    ASSERT_EQ(RunCli("txt2dfm " + Path("a.txt") + " " + Path("a.dfm")).ExitCode, 0);
    EXPECT_EQ(testutil::ReadFile(Path("a.dfm")), testutil::ReadFile(kFormBinary));

    // Failures: a message on stderr, OUT neither created nor touched.
    Write("bad.txt", "object A: TA\r\n  X = 'open\r\nend\r\n");
    TRun run = RunCli("txt2dfm " + Path("bad.txt") + " " + Path("bad.dfm"));
    EXPECT_NE(run.ExitCode, 0);
    EXPECT_NE(run.Err.find("Invalid string constant on line 2"), std::string::npos) << run.Err;
    Write("old.txt", "old");
    run = RunCli("dfm2txt " + kFormText + " " + Path("old.txt"));
    EXPECT_NE(run.ExitCode, 0);
    EXPECT_NE(run.Err.find("Invalid stream format"), std::string::npos) << run.Err;
    EXPECT_EQ(testutil::ReadFile(Path("old.txt")), "old");
    run = RunCli("dfm2txt " + Path("missing.dfm") + " " + Path("x.txt"));
    EXPECT_NE(run.ExitCode, 0);
    EXPECT_NE(run.Err.find("missing.dfm"), std::string::npos) << run.Err;
    EXPECT_NE(RunCli("txt2dfm " + Path("a.txt")).ExitCode, 0);
    EXPECT_EQ(Entries(), (std::vector<std::string> { "a.dfm", "a.txt", "bad.txt", "old.txt" }));
}
