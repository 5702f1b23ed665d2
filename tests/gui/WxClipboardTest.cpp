#include "backends/wx/WxClipboard.h"

#include "GuiTestUtil.h"

#include <cstdio>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <iostream>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <wx/clipbrd.h>

extern char** environ;

namespace quillan {

namespace {

// The editor's block: mode byte, text, zero byte; NULs inside the text too.
const std::string Block("\x02"
                        "col\0umn\r\n\xFF\xFE\0",
    13);

std::string Hex(std::string_view bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

std::string Unhex(std::string_view hex)
{
    std::string out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        out += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
    return out;
}

// A second process of this program, with pipes to its standard input and output. It talks
// in lines; the test keeps the event loop running while it waits, because the clipboard's
// owner has to answer the other side's requests.
class TChild {
public:
    explicit TChild(const std::vector<std::string>& args)
    {
        int in[2], out[2];
        if (pipe(in) != 0 || pipe(out) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], 0);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_addclose(&actions, in[1]);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        std::vector<std::string> all { guitest::SelfPath(), "--child" };
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& a : all)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&FPid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
            FPid = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(in[0]);
        close(out[1]);
        FIn = in[1];
        FOut = out[0];
        fcntl(FOut, F_SETFL, O_NONBLOCK);
    }
    ~TChild()
    {
        if (FIn >= 0)
            close(FIn);
        if (FOut >= 0)
            close(FOut);
        if (FPid > 0 && waitpid(FPid, nullptr, WNOHANG) == 0) {
            kill(FPid, SIGKILL);
            waitpid(FPid, nullptr, 0);
        }
    }
    bool Started() const { return FPid > 0; }

    // The next line the child writes, or empty after `timeoutMs`.
    std::string ReadLine(int timeoutMs = 10000)
    {
        std::string line;
        guitest::WaitFor(
            [&] {
                char buf[4096];
                ssize_t n;
                while ((n = read(FOut, buf, sizeof buf)) > 0)
                    FBuffer.append(buf, static_cast<std::size_t>(n));
                std::size_t eol = FBuffer.find('\n');
                if (eol == std::string::npos)
                    return false;
                line = FBuffer.substr(0, eol);
                FBuffer.erase(0, eol + 1);
                return true;
            },
            timeoutMs);
        return line;
    }

    // Closes the child's input, which tells it to end, and returns its exit status.
    int Finish()
    {
        close(FIn);
        FIn = -1;
        int status = -1;
        guitest::WaitFor([&] { return waitpid(FPid, &status, WNOHANG) == FPid; }, 10000);
        FPid = -1;
        return status;
    }

private:
    pid_t FPid = -1;
    int FIn = -1;
    int FOut = -1;
    std::string FBuffer;
};

TEST(WxClipboard, PrivateFormatRoundTripsExactBytes)
{
    TWxClipboard clipboard;
    ASSERT_TRUE(clipboard.SetContents("col\numn", QuillEditClipboardFormat, Block));
    EXPECT_TRUE(clipboard.HasText());
    EXPECT_TRUE(clipboard.HasFormat(QuillEditClipboardFormat));
    EXPECT_FALSE(clipboard.HasFormat("Some Other Format"));
    EXPECT_EQ(clipboard.GetText(), "col\numn");
    EXPECT_EQ(clipboard.GetFormat(QuillEditClipboardFormat), Block);
    EXPECT_EQ(clipboard.GetFormat("Some Other Format"), std::nullopt);
}

TEST(WxClipboard, PlainTextAloneReplacesTheBlockAndOffersValidText)
{
    TWxClipboard clipboard;
    ASSERT_TRUE(clipboard.SetContents("x", QuillEditClipboardFormat, Block));
    // What another program leaves: text only, and the editor's old block is gone.
    ASSERT_TRUE(clipboard.SetContents("a\xFF"
                                      "b\xC3\xA9",
        "", ""));
    EXPECT_FALSE(clipboard.HasFormat(QuillEditClipboardFormat));
    EXPECT_EQ(clipboard.GetFormat(QuillEditClipboardFormat), std::nullopt);
    EXPECT_EQ(clipboard.GetText(),
        "a\xEF\xBF\xBD"
        "b\xC3\xA9");
}

// While GTK waits for one answer it runs events, and a menu update may ask again then.
TEST(WxClipboard, AQuestionAskedWhileTheClipboardIsOpenGetsNoAnswerAndNoAssertion)
{
    TWxClipboard clipboard;
    ASSERT_TRUE(clipboard.SetContents("held", "", ""));
    ASSERT_TRUE(wxTheClipboard->Open());
    EXPECT_FALSE(clipboard.HasText());
    EXPECT_EQ(clipboard.GetText(), std::nullopt);
    EXPECT_FALSE(clipboard.SetContents("other", "", ""));
    wxTheClipboard->Close();
    EXPECT_EQ(clipboard.GetText(), "held");
}

TEST(WxClipboard, BlocksTravelBetweenProcesses)
{
    TWxClipboard clipboard;
    ASSERT_TRUE(clipboard.SetContents("plain", QuillEditClipboardFormat, Block));
    {
        TChild reader({ "clipboard-read" });
        ASSERT_TRUE(reader.Started());
        EXPECT_EQ(reader.ReadLine(), "text " + Hex("plain"));
        EXPECT_EQ(reader.ReadLine(), "block " + Hex(Block));
        EXPECT_EQ(reader.Finish(), 0);
    }
    {
        const std::string other = std::string("\x01line\0one\r\n", 11);
        TChild writer({ "clipboard-write", Hex("from child"), Hex(other) });
        ASSERT_TRUE(writer.Started());
        ASSERT_EQ(writer.ReadLine(), "ready");
        EXPECT_EQ(clipboard.GetText(), "from child");
        EXPECT_EQ(clipboard.GetFormat(QuillEditClipboardFormat), other);
        EXPECT_EQ(writer.Finish(), 0);
    }
}

} // namespace

namespace guitest {

// The child side of BlocksTravelBetweenProcesses.
int RunChild()
{
    const std::vector<std::string>& args = ChildArguments();
    TWxClipboard clipboard;
    if (!args.empty() && args[0] == "clipboard-read") {
        std::cout << "text " << Hex(clipboard.GetText().value_or("-")) << '\n';
        std::cout << "block " << Hex(clipboard.GetFormat(QuillEditClipboardFormat).value_or("-")) << std::endl;
        return 0;
    }
    if (args.size() == 3 && args[0] == "clipboard-write") {
        if (!clipboard.SetContents(Unhex(args[1]), QuillEditClipboardFormat, Unhex(args[2])))
            return 1;
        std::cout << "ready" << std::endl;
        // Serve the clipboard until the parent closes our input.
        fcntl(0, F_SETFL, O_NONBLOCK);
        WaitFor(
            [] {
                char c;
                return read(0, &c, 1) == 0;
            },
            30000);
        return 0;
    }
    std::cerr << "unknown child request\n";
    return 2;
}

} // namespace guitest
} // namespace quillan
