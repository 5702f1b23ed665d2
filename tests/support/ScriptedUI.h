#pragma once

#include "app/UserInterface.h"

#include <deque>
#include <string>
#include <vector>

namespace quillan {

// The user interface of tests: answers come from a script queued beforehand, and every question
// is recorded with what was asked and what was answered. A question without a scripted answer
// gets the most cautious one (Cancel, else No, else OK; a file dialog is cancelled) and is
// counted in Unanswered(), so a test can tell an unexpected question from an expected one.
class TScriptedUI : public IUserInterface {
public:
    enum class TCallKind { ckMessageDlg, ckShowMessage, ckOpenDialog, ckSaveDialog, ckBeep };

    struct TCall {
        TCallKind Kind = TCallKind::ckMessageDlg;
        std::string Text; // message text, or the dialog's title
        TMsgDlgType Type = TMsgDlgType::mtInformation;
        TMsgDlgButtons Buttons = TMsgDlgButtons::mbOK;
        TModalResult Answer = TModalResult::mrNone;
        TFileDialog Dialog; // a file dialog as it was shown
    };

    // Queues the answer to the next message box. An answer that is not one of the box's
    // buttons is a mistake in the test and raises std::logic_error when the box is shown.
    void AnswerMessage(TModalResult answer);
    // Queues the choice in the next file dialog (open or save). filterIndex 0 keeps the
    // dialog's index.
    void AnswerOpen(std::vector<std::string> files, bool readOnly = false, int filterIndex = 0);
    void AnswerSave(std::string file, int filterIndex = 0);
    void CancelDialog();

    const std::vector<TCall>& Calls() const { return FCalls; }
    // The texts of the message boxes and plain messages, in order.
    std::vector<std::string> Messages() const;
    int Unanswered() const { return FUnanswered; }
    // True when every queued answer was used.
    bool ScriptDone() const { return FMessageAnswers.empty() && FDialogAnswers.empty(); }
    void Clear();

    TModalResult MessageDlg(std::string_view text, TMsgDlgType type, TMsgDlgButtons buttons) override;
    void ShowMessage(std::string_view text) override;
    bool ExecuteOpenDialog(TFileDialog& dialog) override;
    bool ExecuteSaveDialog(TFileDialog& dialog) override;
    void Beep() override;

private:
    struct TDialogAnswer {
        bool Ok = false;
        std::vector<std::string> Files;
        bool ReadOnly = false;
        int FilterIndex = 0;
    };

    bool ExecuteDialog(TCallKind kind, TFileDialog& dialog);

    std::deque<TModalResult> FMessageAnswers;
    std::deque<TDialogAnswer> FDialogAnswers;
    std::vector<TCall> FCalls;
    int FUnanswered = 0;
};

} // namespace quillan
