#include "app/MailLink.h"

#include "app/HelpPages.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>

using namespace quillan;
namespace fs = std::filesystem;

namespace {

class TempFolder {
public:
    TempFolder()
    {
        char pattern[] = "/tmp/quillan-mail-XXXXXX";
        FPath = ::mkdtemp(pattern);
    }
    ~TempFolder() { fs::remove_all(FPath); }
    const std::string& Path() const { return FPath; }

private:
    std::string FPath;
};

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(SendSubject, ProposalEscapeUnchangedAndCleared)
{
    EXPECT_EQ(ProposedSubject("Untitled"), "Put the subject here...");
    EXPECT_EQ(ProposedSubject("/home/u/notes/todo.txt"), "todo.txt");

    // The proposal left as it was is what is sent.
    EXPECT_EQ(SubjectToSend(true, ProposedSubject("Untitled"), "Untitled"), "Put the subject here...");
    EXPECT_EQ(SubjectToSend(true, "Weekly report", "/a/todo.txt"), "Weekly report");
    // A cleared box sends the file name without its folder.
    EXPECT_EQ(SubjectToSend(true, "", "Untitled"), "Untitled");
    EXPECT_EQ(SubjectToSend(true, "", "/a/todo.txt"), "todo.txt");
    // Escape sends nothing at all, whatever the box holds.
    EXPECT_EQ(SubjectToSend(false, "Weekly report", "/a/todo.txt"), std::nullopt);
}

TEST(SendCommand, TheTextIsTheBodyAsOneArgument)
{
    const std::string text = "line one\r\n$(rm -rf ~) `x` 'q' \"dq\"\r\n";
    EXPECT_FALSE(NeedsAttachment(text));
    const auto args = MailCommand("a; b", text, "", "x.txt");
    EXPECT_EQ(args, (std::vector<std::string> { "xdg-email", "--subject", "a; b", "--body", text }));
}

TEST(SendCommand, LongDocumentsAndDocumentsWithNulBytesAreAttached)
{
    EXPECT_FALSE(NeedsAttachment(std::string(MaxBodyBytes, 'a')));
    EXPECT_TRUE(NeedsAttachment(std::string(MaxBodyBytes + 1, 'a')));
    EXPECT_TRUE(NeedsAttachment(std::string("ab\0cd", 5)));

    const auto args = MailCommand("big", std::string(MaxBodyBytes + 1, 'a'), "/run/q/mail/0/big.txt", "big.txt");
    ASSERT_EQ(args.size(), 7u);
    EXPECT_EQ(args[3], "--body");
    EXPECT_NE(args[4].find("big.txt"), std::string::npos) << "the body says where the text went";
    EXPECT_LT(args[4].size(), 200u);
    EXPECT_EQ(args[5], "--attach");
    EXPECT_EQ(args[6], "/run/q/mail/0/big.txt");

    EXPECT_EQ(AttachmentName("Untitled"), "Untitled.txt");
    EXPECT_EQ(AttachmentName("/src/main.cpp"), "main.cpp");
}

TEST(SendCommand, AttachedCopiesKeepTheirBytesAndGoAway)
{
    TempFolder temp;
    const std::string folder = temp.Path() + "/mail";
    const std::string text = std::string("with\0nul\r\n", 10) + std::string(MaxBodyBytes, 'z');
    std::string first, second;
    {
        TMailAttachments attachments(folder);
        first = attachments.Add("main.cpp", text);
        second = attachments.Add("main.cpp", "other");
        ASSERT_FALSE(first.empty());
        ASSERT_FALSE(second.empty());
        EXPECT_NE(first, second) << "a second send must not overwrite the first copy";
        EXPECT_EQ(fs::path(first).filename(), "main.cpp");
        EXPECT_EQ(ReadFile(first), text);
        EXPECT_EQ(ReadFile(second), "other");
        struct stat st { };
        ASSERT_EQ(::stat(folder.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u);
    }
    EXPECT_FALSE(fs::exists(first));
    EXPECT_FALSE(fs::exists(second));
    EXPECT_FALSE(fs::exists(folder));
}

TEST(SendCommand, AnAttachmentThatCannotBeWrittenIsReported)
{
    TMailAttachments attachments("/nonexistent-quillan-parent/mail");
    EXPECT_EQ(attachments.Add("a.txt", "x"), "");
    EXPECT_TRUE(attachments.Files().empty());
}

TEST(Addresses, PercentEncodingMailtoAndFileUrls)
{
    EXPECT_EQ(PercentEncode("a-Z_0.~"), "a-Z_0.~");
    EXPECT_EQ(PercentEncode("a b&c=d?e#f%\r\n\xC3\xA9"), "a%20b%26c%3Dd%3Fe%23f%25%0D%0A%C3%A9");
    EXPECT_EQ(MailtoUrl("quillan@example.org", "Hi there"), "mailto:quillan@example.org?subject=Hi%20there");
    EXPECT_EQ(FileUrl("/opt/my help/quillan.html", "context-4000"), "file:///opt/my%20help/quillan.html#context-4000");
    EXPECT_EQ(FileUrl("/a#b"), "file:///a%23b");
    EXPECT_EQ(OpenCommand("/tmp/a b.html"), (std::vector<std::string> { "xdg-open", "/tmp/a b.html" }));
}

TEST(Addresses, ProgramsAreFoundOnlyInAbsoluteFoldersOfThePath)
{
    TempFolder temp;
    const std::string bin = temp.Path() + "/bin";
    fs::create_directories(bin);
    const std::string tool = bin + "/xdg-email";
    std::ofstream(tool) << "#!/bin/sh\n";
    EXPECT_EQ(FindOnPath("xdg-email", "/nonexistent:" + bin), "") << "not executable yet";
    fs::permissions(tool, fs::perms::owner_all);
    EXPECT_EQ(FindOnPath("xdg-email", "/nonexistent::" + bin), tool);
    EXPECT_EQ(FindOnPath("xdg-email", ""), "");
    // A relative entry would pick up whatever lies in the current folder.
    fs::create_directories(bin + "/sub");
    EXPECT_EQ(FindOnPath("xdg-email", "bin"), "");
    EXPECT_EQ(FindOnPath("bin/xdg-email", "/"), "");
    EXPECT_EQ(FindOnPath("sub", bin), "") << "a folder is no program";
}

TEST(HelpPage, ItIsFoundBesideTheProgramOrInTheInstalledShareFolder)
{
    TempFolder temp;
    const std::string prefix = temp.Path();
    fs::create_directories(prefix + "/bin");
    EXPECT_EQ(FindHelpPage(prefix + "/bin"), "");
    fs::create_directories(prefix + "/share/quillan/help");
    std::ofstream(prefix + "/share/quillan/help/quillan.html") << "<html>";
    EXPECT_EQ(FindHelpPage(prefix + "/bin"), prefix + "/share/quillan/help/quillan.html");
    fs::create_directories(prefix + "/bin/help");
    std::ofstream(prefix + "/bin/help/quillan.html") << "<html>";
    EXPECT_EQ(FindHelpPage(prefix + "/bin/"), prefix + "/bin/help/quillan.html");
    EXPECT_EQ(HelpAnchor(HelpContextFind), "context-4000");
}

TEST(HelpPage, TheShippedPageHasTheHelpContextsAndDescribesTheSettingsFile)
{
    const char* data = std::getenv("QUILLAN_TEST_DATA");
    ASSERT_NE(data, nullptr);
    const std::string page = ReadFile(std::string(data) + "/../../docs/help/quillan.html");
    ASSERT_FALSE(page.empty());
    for (const int context : { HelpContextMain, HelpContextFind })
        EXPECT_NE(page.find("id=\"" + HelpAnchor(context) + "\""), std::string::npos) << context;
    for (const char* word : { "Quillan.ini", "MinToTray", "Ctrl+S", "F10", "xdg-email" })
        EXPECT_NE(page.find(word), std::string::npos) << word;
}

} // namespace
