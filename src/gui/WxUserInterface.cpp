#include "gui/WxUserInterface.h"

#include "app/AppStrings.h"

#include <wx/checkbox.h>
#include <wx/filedlg.h>
#include <wx/filedlgcustomize.h>
#include <wx/msgdlg.h>
#include <wx/utils.h>

namespace quillan {

namespace {

wxString Wx(std::string_view s)
{
    return wxString::FromUTF8(s.data(), s.size());
}
std::string Std(const wxString& s)
{
    return std::string(s.utf8_str());
}

// wx counts filter entries from 0, the dialogs' users from 1.
void Apply(wxFileDialog& dlg, const TFileDialog& dialog)
{
    dlg.SetFilterIndex(std::max(0, dialog.FilterIndex - 1));
    if (!dialog.InitialDir.empty())
        dlg.SetDirectory(Wx(dialog.InitialDir));
}

void Collect(const wxFileDialog& dlg, TFileDialog& dialog, bool multiple)
{
    dialog.Files.clear();
    if (multiple) {
        wxArrayString paths;
        dlg.GetPaths(paths);
        for (const wxString& p : paths)
            dialog.Files.push_back(Std(p));
    } else {
        dialog.Files.push_back(Std(dlg.GetPath()));
    }
    dialog.FileName = dialog.Files.empty() ? std::string() : dialog.Files.front();
    dialog.FilterIndex = dlg.GetFilterIndex() + 1;
    dialog.InitialDir = Std(dlg.GetDirectory());
}

class TReadOnlyHook : public wxFileDialogCustomizeHook {
public:
    explicit TReadOnlyHook(bool initial)
        : FValue(initial)
    {
    }
    void AddCustomControls(wxFileDialogCustomize& customizer) override
    {
        FBox = customizer.AddCheckBox("Open as read-only");
        FBox->SetValue(FValue);
    }
    void TransferDataFromCustomControls() override { FValue = FBox->GetValue(); }
    bool Value() const { return FValue; }

private:
    wxFileDialogCheckBox* FBox = nullptr;
    bool FValue;
};

} // namespace

TModalResult TWxUserInterface::MessageDlg(std::string_view text, TMsgDlgType type, TMsgDlgButtons buttons)
{
    long style = 0;
    switch (type) {
    case TMsgDlgType::mtConfirmation:
        style |= wxICON_QUESTION;
        break;
    case TMsgDlgType::mtInformation:
        style |= wxICON_INFORMATION;
        break;
    case TMsgDlgType::mtError:
        style |= wxICON_ERROR;
        break;
    }
    switch (buttons) {
    case TMsgDlgButtons::mbOK:
        style |= wxOK;
        break;
    case TMsgDlgButtons::mbYesNo:
        style |= wxYES_NO;
        break;
    case TMsgDlgButtons::mbYesNoCancel:
        style |= wxYES_NO | wxCANCEL;
        break;
    }
    wxMessageDialog dlg(FParent, Wx(text), SAppTitle, style);
    switch (dlg.ShowModal()) {
    case wxID_YES:
        return TModalResult::mrYes;
    case wxID_NO:
        return TModalResult::mrNo;
    case wxID_OK:
        return TModalResult::mrOk;
    default:
        // Closing the box counts as its most cautious button.
        return buttons == TMsgDlgButtons::mbYesNoCancel ? TModalResult::mrCancel
            : buttons == TMsgDlgButtons::mbYesNo        ? TModalResult::mrNo
                                                        : TModalResult::mrOk;
    }
}

void TWxUserInterface::ShowMessage(std::string_view text)
{
    wxMessageDialog dlg(FParent, Wx(text), SAppTitle, wxOK);
    dlg.ShowModal();
}

bool TWxUserInterface::ExecuteOpenDialog(TFileDialog& dialog)
{
    long style = wxFD_OPEN;
    if (dialog.Options & ofAllowMultiSelect)
        style |= wxFD_MULTIPLE;
    if (dialog.Options & ofFileMustExist)
        style |= wxFD_FILE_MUST_EXIST;
    wxFileDialog dlg(FParent, Wx(dialog.Title), wxEmptyString, wxEmptyString, Wx(dialog.Filter), style);
    Apply(dlg, dialog);
    TReadOnlyHook hook((dialog.Options & ofReadOnly) != 0);
    if (!(dialog.Options & ofHideReadOnly))
        dlg.SetCustomizeHook(hook);
    if (dlg.ShowModal() != wxID_OK)
        return false;
    Collect(dlg, dialog, (style & wxFD_MULTIPLE) != 0);
    if (!(dialog.Options & ofHideReadOnly)) {
        if (hook.Value())
            dialog.Options |= ofReadOnly;
        else
            dialog.Options &= ~static_cast<TOpenOptions>(ofReadOnly);
    }
    return true;
}

bool TWxUserInterface::ExecuteSaveDialog(TFileDialog& dialog)
{
    // The program asks about overwriting itself, so the chooser must not.
    wxFileDialog dlg(FParent, Wx(dialog.Title), wxEmptyString, Wx(dialog.FileName), Wx(dialog.Filter), wxFD_SAVE);
    Apply(dlg, dialog);
    if (dlg.ShowModal() != wxID_OK)
        return false;
    Collect(dlg, dialog, false);
    return true;
}

void TWxUserInterface::Beep()
{
    wxBell();
}

} // namespace quillan
