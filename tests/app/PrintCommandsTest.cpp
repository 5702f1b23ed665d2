#include "app/PrintCommands.h"

#include "backends/headless/HeadlessHost.h"
#include "editor/QuillEdit.h"

#include <gtest/gtest.h>

namespace quillan {
namespace {

// Counts jobs and keeps the header's left texts of each job's first page.
class TJobCounter : public IPrintTarget {
public:
    bool GetDeviceCaps(TPrinterDeviceCaps& caps) override
    {
        caps = DefaultPageCaps();
        return true;
    }
    void BeginDoc(std::string_view title) override
    {
        Titles.emplace_back(title);
        FCanvas.ClearCalls();
    }
    ICanvas& Canvas() override { return FCanvas; }
    void NewPage() override { ++Pages; }
    void EndDoc() override { ++Ended; }
    void Abort() noexcept override { }
    bool Printing() const override { return false; }
    std::vector<std::string> Titles;
    int Pages = 0;
    int Ended = 0;
    THeadlessCanvas FCanvas;
};

TEST(PrintCommandsTest, EachCopyIsACompleteJobTitledWithTheFileName)
{
    THeadlessHost host;
    TQuillEdit edit(&host);
    edit.Lines().Add("hello");
    TPrintCommands commands;
    TJobCounter printer;
    commands.Engine().SetPrinter(&printer);

    commands.LoadDocument(edit, "");
    EXPECT_EQ(commands.Engine().Title(), "Untitled");
    commands.PrintCopies(3);
    EXPECT_EQ(printer.Ended, 3);
    EXPECT_EQ(printer.Titles, (std::vector<std::string>(3, "Untitled")));
    bool untitled = false;
    for (const std::string& call : printer.FCanvas.Calls())
        untitled = untitled || call.ends_with(" Untitled");
    EXPECT_TRUE(untitled) << "$TITLE$ printed as Untitled";

    commands.LoadDocument(edit, "/home/u/a.cpp");
    commands.PrintCopies(1);
    EXPECT_EQ(printer.Titles.back(), "/home/u/a.cpp");
    commands.Engine().SetPrinter(nullptr);
}

TEST(PrintCommandsTest, PageSetupValuesLastAcrossDocuments)
{
    THeadlessHost host;
    TQuillEdit first(&host), second(&host);
    first.Lines().Add("one");
    second.Lines().Add("two");
    TPrintCommands commands;
    TPageSetupData data = commands.LoadPageSetup();
    data.Margins.SetLeft(40);
    data.Footer.Fields[pfLeft] = { { "From the dialog", data.Footer.DefaultFont } };
    commands.SavePageSetup(data);

    commands.LoadDocument(first, "a.txt");
    commands.LoadDocument(second, "b.txt");
    EXPECT_EQ(commands.Engine().Margins().Left(), 40);
    ASSERT_GE(commands.Engine().Footer().Count(), 1);
    EXPECT_EQ(commands.Engine().Footer().Get(0)->Text, "From the dialog");
}

} // namespace
} // namespace quillan
