#include "base/QuillEditStrConst.h"
#include "support/TempFolder.h"
#include "text/QuillEditFiler.h"
#include "text/QuillEditTextBuffer.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace quillan {
namespace {

using namespace std::string_literals;
namespace fs = std::filesystem;
using Lines = std::vector<std::string>;
using TQuillEditLineBreakStyle::lbCRLF;
using TQuillEditLineBreakStyle::lbLF;

class Filer : public ::testing::Test {
protected:
    testutil::TTempFolder FTemp { "filer" };
    void SetUp() override { FDir = FTemp.Path(); }

    std::string Path(const std::string& name) const { return FDir + "/" + name; }
    std::string Write(const std::string& name, const std::string& bytes) const
    {
        std::ofstream(Path(name), std::ios::binary) << bytes;
        return Path(name);
    }
    static std::string Read(const std::string& path) { return testutil::ReadFileBytes(path); }
    std::vector<std::string> DirEntries() const
    {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(FDir))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string FDir;
};

// Reads with the given block size, one line per call or (batch > 0) in batches.
Lines ReadAll(const std::string& path, std::size_t blockSize, std::size_t batch, TQuillEditLineBreakStyle* style)
{
    TQuillEditFileReader reader(path, blockSize);
    Lines lines;
    if (batch == 0) {
        while (!reader.Eof())
            lines.push_back(reader.ReadLine().str());
    } else {
        std::vector<QuillStringRep> reps(batch);
        while (std::size_t n = reader.ReadLines(reps.data(), batch))
            for (std::size_t i = 0; i < n; ++i)
                lines.push_back(QuillString::FromRep(reps[i]).str()), QuillStringBlock::Release(reps[i].Block);
    }
    *style = reader.LineBreakStyle();
    return lines;
}

TEST_F(Filer, SplitsAtEveryBreakWhereverTheBlocksEnd)
{
    struct Case {
        std::string bytes;
        Lines lines;
        TQuillEditLineBreakStyle style;
    };
    const std::string longLine(40000, 'x');
    const std::vector<Case> cases = {
        { "a\nb", { "a", "b" }, lbLF },
        { "a\r\nb\r\n", { "a", "b" }, lbCRLF },
        { "a\r\nb\nc", { "a", "b", "c" }, lbCRLF },
        { "a\r", { "a" }, lbCRLF },
        { "a\r\n\r\n", { "a", "" }, lbCRLF },
        { "", {}, lbLF },
        { "\n", { "" }, lbLF },
        { "\r\n\r", { "", "" }, lbCRLF },
        { "a\n\rb", { "a", "", "b" }, lbCRLF },
        { "a\r\rb\n", { "a", "", "b" }, lbCRLF },
        { "\0a\0\nb\0"s, { "\0a\0"s, "b\0"s }, lbLF },
        { "\0"s, { "\0"s }, lbLF },
        { "\n\0"s, { "", "\0"s }, lbLF },
        { "\xff\xc3(\r\n\xe2\x82"s, { "\xff\xc3("s, "\xe2\x82"s }, lbCRLF },
        { longLine + "\r\n" + longLine + "\nend", { longLine, longLine, "end" }, lbCRLF },
        // Breaks at the edges of the 64-byte stretches that batched reading scans at once.
        { std::string(63, 'a') + "\n" + std::string(63, 'b') + "\n", { std::string(63, 'a'), std::string(63, 'b') },
            lbLF },
        { std::string(63, 'a') + "\r\n" + std::string(62, 'b') + "\r\n\n",
            { std::string(63, 'a'), std::string(62, 'b'), "" }, lbCRLF },
        { std::string(64, 'a') + "\r" + std::string(63, 'b') + "\r", { std::string(64, 'a'), std::string(63, 'b') },
            lbCRLF },
    };
    int n = 0;
    for (const Case& c : cases) {
        std::string path = Write("case" + std::to_string(n++), c.bytes);
        for (std::size_t block : { 1, 2, 3, 5, 16, 64, 65, 4096, 16384, 1 << 20 }) {
            for (std::size_t batch : { 0, 1, 3, 256 }) {
                TQuillEditLineBreakStyle style {};
                EXPECT_EQ(ReadAll(path, block, batch, &style), c.lines)
                    << "case " << n << " block " << block << " batch " << batch;
                EXPECT_EQ(style, c.style) << "case " << n << " block " << block << " batch " << batch;
            }
        }
        TQuillEditStringList list;
        list.LoadFromFile(path);
        EXPECT_EQ(list.Count(), static_cast<int>(c.lines.size())) << "case " << n;
    }
}

TEST_F(Filer, SavesEveryLineWithTheBreakThatWasRead)
{
    TQuillEditStringList list;
    EXPECT_EQ(list.LineBreakStyle(), lbCRLF) << "a new list writes CR LF";
    list.LoadFromFile(Write("lf", "a\nb"));
    EXPECT_EQ(list.LineBreakStyle(), lbLF);
    list.SaveToFile(Path("out"));
    EXPECT_EQ(Read(Path("out")), "a\nb\n");

    list.LoadFromFile(Write("mixed", "a\r\nb\nc\rd"));
    EXPECT_EQ(list.Count(), 4);
    list.SaveToFile(Path("out"));
    EXPECT_EQ(Read(Path("out")), "a\r\nb\r\nc\r\nd\r\n");

    list.LoadFromFile(Write("empty", ""));
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.LineBreakStyle(), lbLF);
    list.SaveToFile(Path("out"));
    EXPECT_EQ(fs::file_size(Path("out")), 0u);
    EXPECT_EQ(DirEntries(), (Lines { "empty", "lf", "mixed", "out" })) << "no temporary file is left";
}

TEST_F(Filer, WriterBatchesShortLinesAndWritesLongOnesWhole)
{
    std::string longLine(100000, 'y');
    {
        TQuillEditFileWriter writer(Path("w"), false, 8);
        writer.SetLineBreakStyle(lbCRLF);
        writer.WriteLine("abc");
        writer.WriteLine("defgh"); // does not fit beside "abc\r\n"
        writer.WriteLine(longLine);
        writer.WriteLine("");
        writer.Commit();
    }
    EXPECT_EQ(Read(Path("w")), "abc\r\ndefgh\r\n" + longLine + "\r\n\r\n");
}

// Load then save must give back the bytes, with every line end in the file's own style.
TEST_F(Filer, RandomBytesSurviveARoundTrip)
{
    std::mt19937 rng(99);
    const std::string alphabet = "ab\r\n\0\xff\t"s;
    for (int round = 0; round < 300; ++round) {
        std::string bytes;
        for (int k = static_cast<int>(rng() % 200); k > 0; --k)
            bytes += alphabet[rng() % alphabet.size()];
        std::string in = Write("in", bytes);
        TQuillEditStringList list;
        list.LoadFromFile(in);
        list.SaveToFile(Path("out"), false);

        std::string expected;
        bool crlf = bytes.find('\r') != std::string::npos;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            if (bytes[i] == '\r' || bytes[i] == '\n') {
                if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
                    ++i;
                expected += crlf ? "\r\n" : "\n";
            } else {
                expected += bytes[i];
                if (i + 1 == bytes.size())
                    expected += crlf ? "\r\n" : "\n";
            }
        }
        ASSERT_EQ(Read(Path("out")), expected) << "round " << round;
        TQuillEditStringList again;
        again.LoadFromFile(Path("out"));
        ASSERT_EQ(again.GetText(), list.GetText()) << "round " << round;
    }
}

TEST_F(Filer, OpenFailuresLeaveTheListAlone)
{
    TQuillEditStringList list;
    list.SetText("keep\nme");
    try {
        list.LoadFromFile(Path("missing"));
        FAIL() << "no exception";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file " + Path("missing"));
    }
    EXPECT_THROW(list.LoadFromFile(FDir), EFOpenError) << "a directory is no file";
    EXPECT_EQ(list.Count(), 2);
}

TEST_F(Filer, FifosAndEndlessDevicesAreNoFilesToOpen)
{
    std::string fifo = Path("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    TQuillEditStringList list;
    list.SetText("keep");
    EXPECT_THROW(list.LoadFromFile(fifo), EFOpenError) << "no writer: the open must not wait for one";
    EXPECT_EQ(list.Get(0), "keep");
    EXPECT_THROW(list.SaveToFile(fifo), EFCreateError) << "no reader: the save must not wait for one";

    TQuillEditFileReader zero("/dev/zero");
    EXPECT_THROW(
        {
            while (!zero.Eof())
                zero.ReadLine();
        },
        EFOpenError)
        << "an endless device ends at the limit";
    EXPECT_EQ(zero.BytesRead(), TQuillEditFileReader::DeviceReadLimit + 1) << "not a byte more than it takes to tell";
    list.LoadFromFile("/dev/null");
    EXPECT_EQ(list.Count(), 0) << "a device that ends is read";
}

TEST_F(Filer, FilesWithoutASizeAreReadToTheirEnd)
{
    TQuillEditStringList list;
    list.LoadFromFile("/proc/self/status"); // a regular file that reports size 0
    ASSERT_GT(list.Count(), 3);
    EXPECT_EQ(list.Get(0).view().substr(0, 5), "Name:");
}

TEST_F(Filer, AFileThatShrinksWhileReadIsAReadError)
{
    std::string path = Write("shrinks", "line one\nline two\nline three\n");
    TQuillEditFileReader reader(path, 12);
    EXPECT_EQ(reader.ReadLine(), "line one");
    ASSERT_EQ(::truncate(path.c_str(), 10), 0);
    EXPECT_THROW(
        {
            while (!reader.Eof())
                reader.ReadLine();
        },
        EReadError);
}

TEST_F(Filer, AFileThatShrinksWhileLoadingKeepsTheLinesReadSoFar)
{
    std::string bytes;
    for (int i = 0; i < 20000; ++i)
        bytes += "line " + std::to_string(i) + "\r\n";
    std::string path = Write("shrinks", bytes);
    TQuillEditStringList list;
    list.SetLineBreakStyle(lbLF);
    bool truncated = false;
    list.OnLineAdded = [&](TQuillEditStringList*, int) {
        if (!truncated)
            truncated = ::truncate(path.c_str(), 100) == 0;
    };
    EXPECT_THROW(list.LoadFromFile(path), EReadError);
    ASSERT_TRUE(truncated);
    EXPECT_GT(list.Count(), 100) << "the lines of the first block stay";
    EXPECT_LT(list.Count(), 20000);
    EXPECT_EQ(list.Get(1), "line 1");
    EXPECT_EQ(list.UpdateCount(), 0);
    EXPECT_EQ(list.LineBreakStyle(), lbLF) << "the style is taken only from a complete read";
}

TEST_F(Filer, SaveReplacesTheFileAtomicallyAndKeepsItsMode)
{
    std::string target = Write("doc.txt", "old contents\n");
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
    ASSERT_EQ(::symlink("doc.txt", Path("link").c_str()), 0);
    TQuillEditStringList list;
    list.SetText("new\ncontents");
    list.SetLineBreakStyle(lbLF);
    list.SaveToFile(Path("link"));

    EXPECT_EQ(Read(target), "new\ncontents\n");
    EXPECT_TRUE(fs::is_symlink(Path("link"))) << "the link is followed, not replaced";
    struct stat st { };
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(DirEntries(), (Lines { "doc.txt", "link" }));

    mode_t mask = ::umask(022);
    list.SaveToFile(Path("fresh.txt"));
    ::umask(mask);
    ASSERT_EQ(::stat(Path("fresh.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u) << "a new file gets the usual mode";

    list.SaveToFile("/dev/null"); // a device is written in place, never replaced
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

TEST_F(Filer, FailedSavesLeaveTheOldFileAndNoTemporaryFile)
{
    TQuillEditStringList list;
    list.SetText("text");
    try {
        list.SaveToFile(Path("no/such/dir/file.txt"));
        FAIL() << "no exception";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot create file " + Path("no/such/dir/file.txt"));
    }
    fs::create_directory(Path("folder"));
    EXPECT_THROW(list.SaveToFile(Path("folder")), EFCreateError);
    EXPECT_THROW(list.SaveToFile("/dev/full"), EWriteError);

    // A write that the system refuses half way: the file-size limit makes write() fail.
    std::string target = Write("doc.txt", "the old text\n");
    for (int i = 0; i < 5000; ++i)
        list.Add("a line that takes some room in the file");
    struct rlimit old { };
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    bool raised = false;
    try {
        TQuillEditFileWriter writer(target, true, 1024);
        for (int i = 0; i < list.Count(); ++i)
            writer.WriteLine(list.GetView(i));
        writer.Commit();
    } catch (const EWriteError& e) {
        raised = true;
        EXPECT_STREQ(e.what(), "Stream write error");
    }
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_TRUE(raised);
    EXPECT_EQ(Read(target), "the old text\n");
    EXPECT_EQ(DirEntries(), (Lines { "doc.txt", "folder" }));

    // A writer given up before Commit (an exception on the way) removes its file too.
    {
        TQuillEditFileWriter writer(target);
        writer.WriteLine("half");
        EXPECT_TRUE(fs::exists(writer.TempName()));
    }
    EXPECT_EQ(Read(target), "the old text\n");
    EXPECT_EQ(DirEntries(), (Lines { "doc.txt", "folder" }));
}

} // namespace
} // namespace quillan
