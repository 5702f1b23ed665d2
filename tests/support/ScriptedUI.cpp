#include "support/ScriptedUI.h"

#include <stdexcept>

namespace quillan {

namespace {

bool Offers(TMsgDlgButtons buttons, TModalResult answer)
{
    switch (buttons) {
    case TMsgDlgButtons::mbOK:
        return answer == TModalResult::mrOk;
    case TMsgDlgButtons::mbYesNo:
        return answer == TModalResult::mrYes || answer == TModalResult::mrNo;
    case TMsgDlgButtons::mbYesNoCancel:
        return answer == TModalResult::mrYes || answer == TModalResult::mrNo || answer == TModalResult::mrCancel;
    }
    return false;
}

TModalResult CautiousAnswer(TMsgDlgButtons buttons)
{
    switch (buttons) {
    case TMsgDlgButtons::mbYesNoCancel:
        return TModalResult::mrCancel;
    case TMsgDlgButtons::mbYesNo:
        return TModalResult::mrNo;
    case TMsgDlgButtons::mbOK:
        break;
    }
    return TModalResult::mrOk;
}

TScriptedUI::TCall MakeCall(TScriptedUI::TCallKind kind, std::string_view text)
{
    TScriptedUI::TCall call;
    call.Kind = kind;
    call.Text = text;
    return call;
}

} // namespace

void TScriptedUI::AnswerMessage(TModalResult answer)
{
    FMessageAnswers.push_back(answer);
}

void TScriptedUI::AnswerOpen(std::vector<std::string> files, bool readOnly, int filterIndex)
{
    FDialogAnswers.push_back({ true, std::move(files), readOnly, filterIndex });
}

void TScriptedUI::AnswerSave(std::string file, int filterIndex)
{
    FDialogAnswers.push_back({ true, { std::move(file) }, false, filterIndex });
}

void TScriptedUI::CancelDialog()
{
    FDialogAnswers.push_back({});
}

std::vector<std::string> TScriptedUI::Messages() const
{
    std::vector<std::string> texts;
    for (const TCall& call : FCalls)
        if (call.Kind == TCallKind::ckMessageDlg || call.Kind == TCallKind::ckShowMessage)
            texts.push_back(call.Text);
    return texts;
}

void TScriptedUI::Clear()
{
    FMessageAnswers.clear();
    FDialogAnswers.clear();
    FCalls.clear();
    FUnanswered = 0;
}

TModalResult TScriptedUI::MessageDlg(std::string_view text, TMsgDlgType type, TMsgDlgButtons buttons)
{
    TCall call = MakeCall(TCallKind::ckMessageDlg, text);
    call.Type = type;
    call.Buttons = buttons;
    if (FMessageAnswers.empty()) {
        ++FUnanswered;
        call.Answer = CautiousAnswer(buttons);
    } else {
        call.Answer = FMessageAnswers.front();
        FMessageAnswers.pop_front();
        if (!Offers(buttons, call.Answer))
            throw std::logic_error("scripted answer is not a button of \"" + call.Text + "\"");
    }
    FCalls.push_back(call);
    return call.Answer;
}

void TScriptedUI::ShowMessage(std::string_view text)
{
    FCalls.push_back(MakeCall(TCallKind::ckShowMessage, text));
    FCalls.back().Answer = TModalResult::mrOk;
}

bool TScriptedUI::ExecuteOpenDialog(TFileDialog& dialog)
{
    return ExecuteDialog(TCallKind::ckOpenDialog, dialog);
}

bool TScriptedUI::ExecuteSaveDialog(TFileDialog& dialog)
{
    return ExecuteDialog(TCallKind::ckSaveDialog, dialog);
}

void TScriptedUI::Beep()
{
    FCalls.push_back(MakeCall(TCallKind::ckBeep, {}));
}

bool TScriptedUI::ExecuteDialog(TCallKind kind, TFileDialog& dialog)
{
    TCall call = MakeCall(kind, dialog.Title);
    call.Dialog = dialog;
    TDialogAnswer answer;
    if (FDialogAnswers.empty()) {
        ++FUnanswered;
    } else {
        answer = std::move(FDialogAnswers.front());
        FDialogAnswers.pop_front();
    }
    call.Answer = answer.Ok ? TModalResult::mrOk : TModalResult::mrCancel;
    FCalls.push_back(std::move(call));
    if (!answer.Ok)
        return false;

    dialog.Files = std::move(answer.Files);
    dialog.FileName = dialog.Files.empty() ? std::string() : dialog.Files.front();
    const std::size_t slash = dialog.FileName.rfind('/');
    if (slash != std::string::npos)
        dialog.InitialDir = dialog.FileName.substr(0, slash == 0 ? 1 : slash);
    if (answer.FilterIndex > 0)
        dialog.FilterIndex = answer.FilterIndex;
    if (kind == TCallKind::ckOpenDialog && !(dialog.Options & ofHideReadOnly)) {
        if (answer.ReadOnly)
            dialog.Options |= ofReadOnly;
        else
            dialog.Options &= ~ofReadOnly;
    }
    return true;
}

} // namespace quillan
