#pragma once

#include "app/UserInterface.h"

class wxWindow;

namespace quillan {

// Real dialogs for the main window's logic: GTK message boxes with the program's title and the
// file chooser, whose open variant carries an "Open as read-only" box.
class TWxUserInterface : public IUserInterface {
public:
    explicit TWxUserInterface(wxWindow* parent)
        : FParent(parent)
    {
    }

    TModalResult MessageDlg(std::string_view text, TMsgDlgType type, TMsgDlgButtons buttons) override;
    void ShowMessage(std::string_view text) override;
    bool ExecuteOpenDialog(TFileDialog& dialog) override;
    bool ExecuteSaveDialog(TFileDialog& dialog) override;
    void Beep() override;

private:
    wxWindow* FParent;
};

} // namespace quillan
