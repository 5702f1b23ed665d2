#pragma once

#include "app/ColourPreview.h"

#include <memory>
#include <string>
#include <wx/dialog.h>

namespace quillan {

class TQuillEdit;
class TWxEditorWindow;

// "Previewing": a read-only editor showing a sample of one language in the colours the options
// dialog holds, drawn by highlighters of its own. Esc closes it.
class TTestForm : public wxDialog {
public:
    explicit TTestForm(wxWindow* parent);
    ~TTestForm() override;

    // Fills the editor with the language's sample in the boxes' colours and shows it modally.
    void Preview(TPreviewLanguage language, const TOptionsValues& values);

private:
    void OnCharHook(wxKeyEvent& event);
    void OnIdle(wxIdleEvent& event);
    void WriteStateFile();

    TColourPreview FPreview;
    std::unique_ptr<TQuillEdit> FEdit;
    TWxEditorWindow* FWindow = nullptr;
    std::string FStateFile; // tests read where the sample is drawn from here
    std::string FLastState;
};

} // namespace quillan
