#include "app/UserInterface.h"

#include "base/QuillEditStrConst.h"
#include "support/ScriptedUI.h"

#include <gtest/gtest.h>

using namespace quillan;

namespace {

TEST(UserInterfaceTest, DialogsStartOnAllFilesAfterTheHighlighterEntries)
{
    const std::string highlighters = "C++ files (*.cpp)|*.cpp|HTML Document (*.htm,*.html)|*.htm;*.html";
    const std::string filter = FileDialogFilter(highlighters);
    EXPECT_EQ(filter, highlighters + "|Text files (*.txt)|*.txt|All files (*.*)|*.*");
    EXPECT_EQ(FileDialogFilter(highlighters + "|"), filter);
    EXPECT_EQ(MakeOpenDialog(filter).FilterIndex, 4);
    EXPECT_EQ(MakeSaveDialog(FileDialogFilter("")).FilterIndex, 2); // no empty first entry
}

TEST(UserInterfaceTest, ErrorReportIsSilentOnlyForTheAbort)
{
    TScriptedUI ui;
    ui.AnswerMessage(TModalResult::mrOk);
    ShowException(ui, EAbort());
    ShowException(ui, EFCreateError("/ro/x.txt"));
    ASSERT_EQ(ui.Calls().size(), 1u);
    EXPECT_EQ(ui.Calls()[0].Text, "Cannot create file /ro/x.txt");
    EXPECT_EQ(ui.Calls()[0].Type, TMsgDlgType::mtError);
    EXPECT_EQ(ui.Unanswered(), 0);
}

} // namespace
