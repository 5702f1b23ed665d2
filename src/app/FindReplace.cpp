#include "app/FindReplace.h"

#include "editor/QuillEdit.h"

namespace quillan {

namespace {

unsigned CommonOptions(const TFindDialogState& state)
{
    return (state.MatchCase ? srMatchCase : 0u) | (state.WholeWord ? srWholeWord : 0u);
}

} // namespace

unsigned FindNextOptions(const TFindDialogState& state)
{
    return CommonOptions(state) | (state.Down ? 0u : srBackwards);
}

unsigned ReplaceOptions(const TFindDialogState& state, bool all)
{
    return CommonOptions(state) | srReplace | (all ? srReplaceAll : 0u);
}

bool TFindReplace::Searchable(const char* emptyMessage)
{
    const std::string& text = State.FindText;
    const char* problem = nullptr;
    if (text.empty())
        problem = emptyMessage;
    // The editor matches within one line: a text with a line break would never be found, and
    // saying "not found" would blame the document.
    else if (text.find_first_of("\r\n") != std::string::npos)
        problem = "The search text contains a line break; only text within one line can be found.";
    if (!problem)
        return true;
    FUI.Beep();
    FUI.MessageDlg(problem, TMsgDlgType::mtError, TMsgDlgButtons::mbOK);
    return false;
}

void TFindReplace::NotFound()
{
    FUI.Beep();
    FUI.MessageDlg("Search string '" + State.FindText + "' not found.", TMsgDlgType::mtError, TMsgDlgButtons::mbOK);
}

int TFindReplace::Find(TCustomQuillEdit* edit)
{
    if (!edit || !Searchable("Can't search for nothing!"))
        return 0;
    const int found = edit->SearchReplace(State.FindText, {}, FindNextOptions(State));
    if (found == 0)
        NotFound();
    return found;
}

int TFindReplace::Replace(TCustomQuillEdit* edit, bool all)
{
    if (!edit || !Searchable("Nothing to replace with!"))
        return 0;
    const int found = edit->SearchReplace(State.FindText, State.ReplaceText, ReplaceOptions(State, all));
    if (found == 0)
        NotFound();
    return found;
}

} // namespace quillan
