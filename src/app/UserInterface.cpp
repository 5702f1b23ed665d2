#include "app/UserInterface.h"

#include "app/AppStrings.h"

#include <algorithm>

namespace quillan {

std::string FileDialogFilter(std::string_view highlighterFilter)
{
    std::string filter(highlighterFilter);
    // Without any highlighter filter a lone "|" would make an empty first entry.
    if (!filter.empty() && !filter.ends_with('|'))
        filter += '|';
    filter += STextFilesFilter;
    filter += SAllFilesFilter;
    return filter;
}

namespace {

TFileDialog MakeDialog(std::string_view title, std::string_view filter, TOpenOptions options)
{
    TFileDialog dialog;
    dialog.Title = title;
    dialog.Filter = filter;
    // Every entry is a description and a mask, so the last entry ("All files") is at half the
    // number of "|"-separated parts.
    const auto parts = std::count(dialog.Filter.begin(), dialog.Filter.end(), '|') + 1;
    dialog.FilterIndex = std::max<int>(1, static_cast<int>(parts / 2));
    dialog.Options = options;
    return dialog;
}

} // namespace

TFileDialog MakeOpenDialog(std::string_view filter)
{
    return MakeDialog(SOpenDialogTitle, filter, OpenDialogOptions);
}

TFileDialog MakeSaveDialog(std::string_view filter)
{
    return MakeDialog(SSaveDialogTitle, filter, SaveDialogOptions);
}

void ShowException(IUserInterface& ui, const std::exception& error)
{
    if (dynamic_cast<const EAbort*>(&error))
        return;
    ui.MessageDlg(error.what(), TMsgDlgType::mtError, TMsgDlgButtons::mbOK);
}

} // namespace quillan
