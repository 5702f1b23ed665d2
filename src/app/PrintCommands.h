#pragma once

#include "print/QuillEditPageSetup.h"
#include "print/QuillEditPrint.h"

#include <string_view>

namespace quillan {

class TCustomQuillEdit;

// The main window's one print engine and what its print commands do with it, without dialogs.
// The engine is configured once as the main window designs it; only the page setup dialog changes
// it afterwards, and its values last until the program ends (they are not saved).
class TPrintCommands {
public:
    TPrintCommands();

    TQuillEditPrint& Engine() { return FEngine; }

    // Binds the engine to the document about to be printed or previewed: its lines, highlighter
    // and font, titled with its file name, or "Untitled" when it has none.
    void LoadDocument(const TCustomQuillEdit& editor, std::string_view fileName);
    // One complete job per copy: three copies print the whole document three times.
    void PrintCopies(int copies);

    // The page setup dialog's load and save.
    TPageSetupData LoadPageSetup() { return quillan::LoadPageSetup(FEngine); }
    void SavePageSetup(const TPageSetupData& data) { quillan::SavePageSetup(data, FEngine); }

private:
    TQuillEditPrint FEngine;
};

} // namespace quillan
