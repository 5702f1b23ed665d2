#include "gui/RecoveryFrontEnd.h"

#include "app/AppStrings.h"
#include "app/DocumentGuard.h"
#include "backends/posix/InotifyWatch.h"
#include "backends/posix/RecoveryFolder.h"

#include <wx/frame.h>
#include <wx/msgdlg.h>
#include <wx/statusbr.h>

namespace quillan {

namespace {

// Often enough that a due copy is late by a fraction of its delay and a file changed while the
// window has the focus shows at once; the tick itself costs a few system calls.
constexpr int TickMs = 250;

wxString Wx(std::string_view s)
{
    return wxString::FromUTF8(s.data(), s.size());
}

} // namespace

class TWxRecoveryPrompt : public IRecoveryPrompt {
public:
    explicit TWxRecoveryPrompt(wxWindow* parent)
        : FParent(parent)
    {
    }
    TRecoveryAnswer AskRecover(std::string_view text) override
    {
        wxMessageDialog dlg(FParent, Wx(text), SAppTitle, wxYES_NO | wxCANCEL | wxICON_QUESTION);
        dlg.SetYesNoCancelLabels("&Recover", "&Keep for later", "&Discard");
        switch (dlg.ShowModal()) {
        case wxID_YES:
            return TRecoveryAnswer::raRecover;
        case wxID_CANCEL:
            return TRecoveryAnswer::raDiscard;
        default:
            // Closing the box decides nothing: the copies wait for the next start.
            return TRecoveryAnswer::raKeep;
        }
    }

private:
    wxWindow* FParent;
};

TRecoveryFrontEnd::TRecoveryFrontEnd(wxFrame& frame, TMainFormModel& model, IUserInterface& ui)
    : FFrame(frame)
    , FStore(std::make_unique<TRecoveryFolder>())
    , FFiles(std::make_unique<TInotifyWatch>())
    , FPrompt(std::make_unique<TWxRecoveryPrompt>(&frame))
    , FTimer(this)
{
    FGuard = std::make_unique<TDocumentGuard>(
        model, ui, *FPrompt, *FStore, *FFiles, [this](const std::string& text) { Say(text); });
    FGuard->Start();
    Bind(wxEVT_TIMER, &TRecoveryFrontEnd::OnTimer, this, FTimer.GetId());
    FFrame.Bind(wxEVT_ACTIVATE, &TRecoveryFrontEnd::OnActivate, this);
    FTimer.Start(TickMs);
}

TRecoveryFrontEnd::~TRecoveryFrontEnd()
{
    FTimer.Stop();
    FFrame.Unbind(wxEVT_ACTIVATE, &TRecoveryFrontEnd::OnActivate, this);
    // Copies stay on disk unless NormalExit ran: a teardown for any other reason keeps them.
    FGuard.reset();
}

void TRecoveryFrontEnd::OfferRecovery()
{
    FGuard->OfferRecovery();
}

void TRecoveryFrontEnd::BeforeRiskyOperation()
{
    FGuard->BeforeRiskyOperation();
}

void TRecoveryFrontEnd::NormalExit()
{
    FTimer.Stop();
    FGuard->NormalExit();
}

std::string TRecoveryFrontEnd::StateLines() const
{
    return "recoverywritten=" + std::to_string(FGuard->Copies().Written()) + "\nrecoverynote=" + FLastNote
        + "\nrecoveryquestions=" + std::to_string(FGuard->QuestionsAsked())
        + "\nrecoveryasking=" + (FGuard->Asking() ? "1" : "0") + "\n";
}

void TRecoveryFrontEnd::OnTimer(wxTimerEvent&)
{
    FGuard->Tick(TRecoveryClock::now(), false);
    // The check may ask a question: never from inside the timer's own handler, where GTK would
    // run the box's loop without painting it.
    if (FActive && FGuard->Disk().EventsPending())
        CallAfter([this] { FGuard->CheckFiles(); });
}

void TRecoveryFrontEnd::OnActivate(wxActivateEvent& event)
{
    FActive = event.GetActive();
    if (FActive)
        // After the activation has been handled, so that a question does not open inside it.
        CallAfter([this] { FGuard->CheckFiles(); });
    event.Skip();
}

void TRecoveryFrontEnd::Say(const std::string& text)
{
    FLastNote = text;
    if (wxStatusBar* bar = FFrame.GetStatusBar(); bar && bar->GetFieldsCount() > 3)
        bar->SetStatusText(Wx(text), 3);
}

} // namespace quillan
