#pragma once

#include <memory>
#include <string>
#include <wx/event.h>
#include <wx/timer.h>

class wxFrame;

namespace quillan {

class TMainFormModel;
class IUserInterface;
class TDocumentGuard;
class TRecoveryFolder;
class TInotifyWatch;
class TWxRecoveryPrompt;

// The window's side of recovery copies and of files changed by other programs: a timer for the
// copies and the folder watch, the frame's activation for the check on focus regain, and the
// start-up question. The logic is TDocumentGuard's.
class TRecoveryFrontEnd : public wxEvtHandler {
public:
    TRecoveryFrontEnd(wxFrame& frame, TMainFormModel& model, IUserInterface& ui);
    ~TRecoveryFrontEnd() override;

    // Once the window is shown: asks about copies a crashed run left.
    void OfferRecovery();
    void BeforeRiskyOperation();
    // The window closes normally.
    void NormalExit();
    // For the window's state file.
    std::string StateLines() const;

private:
    void OnTimer(wxTimerEvent& event);
    void OnActivate(wxActivateEvent& event);
    void Say(const std::string& text);

    wxFrame& FFrame;
    std::unique_ptr<TRecoveryFolder> FStore;
    std::unique_ptr<TInotifyWatch> FFiles;
    std::unique_ptr<TWxRecoveryPrompt> FPrompt;
    std::unique_ptr<TDocumentGuard> FGuard;
    wxTimer FTimer;
    std::string FLastNote;
    bool FActive = true;
};

} // namespace quillan
