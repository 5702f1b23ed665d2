#include "gui/OptionsForm.h"

#include "app/MainFormModel.h"
#include "backends/wx/WxCanvas.h"
#include "base/AtomicFile.h"
#include "gui/TestForm.h"
#include "print/QuillEditPageSetup.h"

#include <cstdlib>
#include <gtk/gtk.h>
#include <sstream>
#include <tuple>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/colordlg.h>
#include <wx/dcclient.h>
#include <wx/fontdlg.h>
#include <wx/msgdlg.h>
#include <wx/notebook.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/spinbutt.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

namespace quillan {

namespace {

wxString Wx(std::string_view s)
{
    return wxString::FromUTF8(s.data(), s.size());
}

TColor FromWxColour(const wxColour& c)
{
    return static_cast<TColor>(c.Red() | (c.Green() << 8) | (c.Blue() << 16));
}

constexpr const char* SColourHint = "Click to change the colour";
constexpr const char* SPreviewHint = "Click here for a preview of the current settings";
constexpr const char* SDefaultHint = "Revert to efault font and colour";
const wxColour GroupCaptionColour(0, 0, 128); // navy

} // namespace

// A colour box: a small panel whose own colour is the value; a click opens the colour dialog.
class TColourBox : public wxPanel {
public:
    TColourBox(wxWindow* parent, std::function<TColor&(TOptionsValues&)> value)
        : wxPanel(parent, wxID_ANY, wxDefaultPosition, wxSize(41, 17), wxBORDER_SIMPLE)
        , Value(std::move(value))
    {
        SetToolTip(SColourHint);
        SetBackgroundStyle(wxBG_STYLE_PAINT);
        Bind(wxEVT_PAINT, [this](wxPaintEvent&) {
            wxPaintDC dc(this);
            dc.SetBackground(wxBrush(ToWxColour(FColour)));
            dc.Clear();
        });
        Bind(wxEVT_LEFT_UP, [this](wxMouseEvent&) {
            if (OnClick)
                OnClick(*this);
        });
    }
    TColor Colour() const { return FColour; }
    void SetColour(TColor value)
    {
        if (value == FColour)
            return;
        FColour = value;
        Refresh();
    }

    std::function<TColor&(TOptionsValues&)> Value;
    std::function<void(TColourBox&)> OnClick;

private:
    TColor FColour = 0xFFFFFF;
};

TOptionsForm::TOptionsForm(wxWindow* parent, TMainFormModel& main, IShellActions& shell, ISettingsStore& store)
    : wxDialog(
        parent, wxID_ANY, "Options...", wxDefaultPosition, wxDefaultSize, wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX)
    , FMain(main)
    , FShell(shell)
    , FModel(main, shell, store)
{
    if (const char* state = std::getenv("QUILLAN_STATE_FILE"))
        FStateFile = std::string(state) + ".options";

    auto* sizer = new wxBoxSizer(wxVERTICAL);
    auto* title = new wxStaticText(this, wxID_ANY, "Options");
    wxFont titleFont(wxFontInfo(wxSize(0, 33)).FaceName("Comic Sans MS"));
    title->SetFont(titleFont);
    sizer->Add(title, 0, wxLEFT | wxRIGHT | wxTOP, 8);

    FBook = new wxNotebook(this, wxID_ANY);
    FBook->SetName("PageControl1");
    FBook->AddPage(CreateGeneralPage(FBook), "General");
    FBook->AddPage(CreateEdittingPage(FBook), "Editting");
    sizer->Add(FBook, 1, wxEXPAND | wxALL, 6);

    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    auto* ok = new wxButton(this, wxID_OK, "OK");
    ok->SetName("BitBtn1");
    ok->SetToolTip("Apply changes");
    ok->SetDefault();
    auto* cancel = new wxButton(this, wxID_CANCEL, "Cancel");
    cancel->SetName("BitBtn2");
    cancel->SetToolTip("Close without applying changes");
    FNamed["BitBtn1"] = ok;
    FNamed["BitBtn2"] = cancel;
    buttons->AddStretchSpacer();
    buttons->Add(ok, 0, wxALL, 4);
    buttons->Add(cancel, 0, wxALL, 4);
    sizer->Add(buttons, 0, wxEXPAND | wxRIGHT | wxBOTTOM, 4);
    SetEscapeId(wxID_CANCEL);

    // 770 x 430 at least, more where the theme's controls need it.
    SetSizerAndFit(sizer);
    const wxSize fitted = GetClientSize();
    SetClientSize(std::max(fitted.x, 770), std::max(fitted.y, 430));
    Layout();

    ok->Bind(wxEVT_BUTTON, &TOptionsForm::OnOK, this);
    if (!FStateFile.empty())
        Bind(wxEVT_IDLE, &TOptionsForm::OnIdle, this);
}

TOptionsForm::~TOptionsForm() = default;

wxStaticBoxSizer* TOptionsForm::Group(wxWindow* parent, const char* caption)
{
    auto* group = new wxStaticBoxSizer(wxVERTICAL, parent, caption);
    wxStaticBox* box = group->GetStaticBox();
    box->SetForegroundColour(GroupCaptionColour);
    box->SetFont(box->GetFont().Bold());
    return group;
}

wxButton* TOptionsForm::Button(
    wxWindow* parent, const char* name, const char* caption, const char* hint, const std::function<void()>& click)
{
    auto* button = new wxButton(parent, wxID_ANY, caption);
    button->SetName(name);
    if (hint && *hint)
        button->SetToolTip(hint);
    button->Bind(wxEVT_BUTTON, [click](wxCommandEvent&) { click(); });
    FNamed[name] = button;
    return button;
}

wxCheckBox* TOptionsForm::CheckBox(wxWindow* parent, const char* name, const char* caption, const char* hint)
{
    auto* box = new wxCheckBox(parent, wxID_ANY, caption);
    box->SetName(name);
    if (hint && *hint)
        box->SetToolTip(hint);
    FNamed[name] = box;
    return box;
}

wxPanel* TOptionsForm::CreateGeneralPage(wxNotebook* book)
{
    auto* page = new wxPanel(book);
    auto* grid = new wxGridSizer(2, 2, 6, 6);
    auto label = [page](const char* text) { return new wxStaticText(page, wxID_ANY, text); };

    auto* association = Group(page, "Text file Assocation");
    association->Add(label("Click the button below to open your text "), 0, wxLEFT | wxRIGHT, 6);
    association->Add(label("files with Quillan."), 0, wxLEFT | wxRIGHT, 6);
    association->Add(Button(page, "BitBtn4", "Associate text files with Quillan", "",
                         [this] { Guarded([this] { FModel.AssociateButtonClick(); }); }),
        0, wxEXPAND | wxALL, 6);
    association->Add(label("Click the button below to use your "), 0, wxLEFT | wxRIGHT, 6);
    association->Add(label("previous text editor to open you text files."), 0, wxLEFT | wxRIGHT, 6);
    association->Add(Button(page, "BitBtn5", "Revert to previous text editor", "",
                         [this] { Guarded([this] { FModel.RevertButtonClick(); }); }),
        0, wxEXPAND | wxALL, 6);
    grid->Add(association, 1, wxEXPAND);

    auto* recent = Group(page, "Recent Files");
    auto* capacity = new wxBoxSizer(wxHORIZONTAL);
    capacity->Add(label("Maximum recent files:"), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 6);
    FEdit1 = new wxTextCtrl(page, wxID_ANY, "", wxDefaultPosition, wxSize(60, -1));
    FEdit1->SetName("Edit1");
    FEdit1->SetMaxLength(RecentCapacityMaxLength);
    FNamed["Edit1"] = FEdit1;
    FUpDown1 = new wxSpinButton(page, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxSP_VERTICAL);
    FUpDown1->SetName("UpDown1");
    FUpDown1->SetRange(MinRecentCapacity, MaxRecentCapacity);
    FNamed["UpDown1"] = FUpDown1;
    capacity->Add(FEdit1, 0, wxALIGN_CENTER_VERTICAL);
    capacity->Add(FUpDown1, 0, wxALIGN_CENTER_VERTICAL);
    recent->Add(capacity, 0, wxALL, 6);
    auto* note = new wxStaticText(page, wxID_ANY,
        "Clicking the button below \nwill clear the list of the \nmost recently editted files, \nlocated at the "
        "bottom of \nthe File Menu.",
        wxDefaultPosition, wxDefaultSize, wxALIGN_CENTRE_HORIZONTAL);
    recent->Add(note, 0, wxALIGN_CENTER_HORIZONTAL | wxALL, 4);
    recent->Add(Button(page, "ClearButton", "&Clear", "Clears the contents of the recent file list",
                    [this] { Guarded([this] { FModel.ClearButtonClick(); }); }),
        0, wxALIGN_CENTER_HORIZONTAL | wxALL, 6);
    FEdit1->Bind(wxEVT_TEXT, [this](wxCommandEvent&) {
        if (FShowing)
            return;
        FModel.Values.MaxRecentText = FEdit1->GetValue().utf8_string();
        long value = 0;
        if (FEdit1->GetValue().ToLong(&value) && value >= MinRecentCapacity && value <= MaxRecentCapacity)
            FUpDown1->SetValue(static_cast<int>(value));
    });
    FUpDown1->Bind(wxEVT_SPIN, [this](wxSpinEvent& event) {
        FEdit1->ChangeValue(wxString::Format("%d", event.GetPosition()));
        FModel.Values.MaxRecentText = FEdit1->GetValue().utf8_string();
    });
    grid->Add(recent, 1, wxEXPAND);

    auto* tray = Group(page, "Tray Icon");
    FTrayEnable = CheckBox(page, "TrayEnable", "Enable tray icon", "Check this box to enable Quillan's tray icon");
    FTrayMinOnly = CheckBox(page, "TrayMinOnly", "Minimize to tray only",
        "Check this box to make Quillan only appear on the system tray when minimized");
    FAlwaysShow = CheckBox(page, "AlwaysShow", "Always show tray icon",
        "Check this box if you permanently want a tray icon of Quillan on your system tray");
    tray->Add(FTrayEnable, 0, wxALL, 4);
    tray->Add(FTrayMinOnly, 0, wxALL, 4);
    tray->Add(FAlwaysShow, 0, wxALL, 4);
    tray->Add(label("Note: If you disable the tray icon,"), 0, wxLEFT | wxRIGHT | wxTOP, 6);
    tray->Add(label("Quillan will minimize to the taskbar."), 0, wxLEFT | wxRIGHT, 6);
    FTrayEnable->Bind(wxEVT_CHECKBOX, [this](wxCommandEvent&) {
        FModel.Values.TrayEnable = FTrayEnable->GetValue();
        FModel.TrayEnableClick();
        ShowValues();
    });
    FTrayMinOnly->Bind(
        wxEVT_CHECKBOX, [this](wxCommandEvent&) { FModel.Values.TrayMinOnly = FTrayMinOnly->GetValue(); });
    FAlwaysShow->Bind(wxEVT_CHECKBOX, [this](wxCommandEvent&) { FModel.Values.AlwaysShow = FAlwaysShow->GetValue(); });
    grid->Add(tray, 1, wxEXPAND);

    auto* shortcuts = Group(page, "Shortcuts");
    shortcuts->Add(label("Check/uncheck the checkboxes"), 0, wxLEFT | wxRIGHT, 6);
    shortcuts->Add(label("to enable/disable the shortcuts in "), 0, wxLEFT | wxRIGHT, 6);
    shortcuts->Add(label("their respective locations:"), 0, wxLEFT | wxRIGHT, 6);
    FStartMenuCheck = CheckBox(page, "StartMenuCheck", "Start Menu", "");
    FDesktopCheck = CheckBox(page, "DesktopCheck", "Desktop", "");
    FSendToCheck = CheckBox(page, "SendToCheck", "SendTo Menu", "");
    FQLCheck = CheckBox(page, "QLCheck", "Quick Launch Panel", "");
    const std::pair<wxCheckBox*, TShortcutPlace> places[] = {
        { FStartMenuCheck, TShortcutPlace::spStartMenu },
        { FDesktopCheck, TShortcutPlace::spDesktop },
        { FSendToCheck, TShortcutPlace::spSendTo },
        { FQLCheck, TShortcutPlace::spQuickLaunch },
    };
    for (const auto& [box, place] : places) {
        shortcuts->Add(box, 0, wxLEFT | wxRIGHT | wxTOP, 4);
        box->Bind(wxEVT_CHECKBOX, [this, box = box, place = place](wxCommandEvent&) { Shortcut(place, box); });
    }
    grid->Add(shortcuts, 1, wxEXPAND);

    auto* outer = new wxBoxSizer(wxVERTICAL);
    outer->Add(grid, 1, wxEXPAND | wxALL, 6);
    page->SetSizer(outer);
    return page;
}

void TOptionsForm::ColourRow(wxWindow* parent, wxSizer* grid, const char* name, const char* caption,
    std::function<TColor&(TOptionsValues&)> value)
{
    grid->Add(new wxStaticText(parent, wxID_ANY, caption), 0, wxALIGN_CENTER_VERTICAL);
    auto* box = new TColourBox(parent, std::move(value));
    box->SetName(name);
    box->OnClick = [this](TColourBox& b) { ChooseColour(b); };
    FColourBoxes.push_back(box);
    FNamed[name] = box;
    grid->Add(box, 0, wxALIGN_CENTER_VERTICAL);
}

void TOptionsForm::ColourGroup(wxWindow* parent, wxSizer* column, const char* caption,
    const std::vector<std::tuple<const char*, const char*, std::function<TColor&(TOptionsValues&)>>>& rows,
    const char* previewName, TPreviewLanguage language, const char* defaultName, bool (TOptionsModel::*restore)())
{
    auto* group = Group(parent, caption);
    auto* grid = new wxFlexGridSizer(2, 3, 6);
    grid->AddGrowableCol(0);
    for (const auto& [name, label, value] : rows)
        ColourRow(parent, grid, name, label, value);
    group->Add(grid, 0, wxEXPAND | wxALL, 4);
    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    buttons->Add(Button(parent, previewName, "&Preview", SPreviewHint,
                     [this, language] {
                         if (!FTestForm)
                             FTestForm = std::make_unique<TTestForm>(this);
                         FTestForm->Preview(language, FModel.Values);
                     }),
        1, wxRIGHT, 4);
    buttons->Add(Button(parent, defaultName, "&Default", SDefaultHint,
                     [this, restore] {
                         if ((FModel.*restore)())
                             ShowValues();
                     }),
        1);
    group->AddStretchSpacer();
    group->Add(buttons, 0, wxEXPAND | wxALL, 4);
    column->Add(group, 1, wxEXPAND | wxALL, 3);
}

wxPanel* TOptionsForm::CreateEdittingPage(wxNotebook* book)
{
    auto* page = new wxPanel(book);
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    auto* left = new wxBoxSizer(wxVERTICAL);

    auto* general = Group(page, "General Options");
    auto* colourGrid = new wxFlexGridSizer(2, 3, 6);
    ColourRow(page, colourGrid, "EditorColour",
        "Current editor colour:", [](TOptionsValues& v) -> TColor& { return v.EditorColour; });
    general->Add(colourGrid, 0, wxALL, 4);
    FCheckBox1 = CheckBox(page, "CheckBox1", "&Show line numbers by default", "");
    FCheckBox1->Bind(
        wxEVT_CHECKBOX, [this](wxCommandEvent&) { FModel.Values.ShowLineNumbers = FCheckBox1->GetValue(); });
    general->Add(FCheckBox1, 0, wxALL, 4);
    general->Add(Button(page, "DefButton", "&Restore defaults", "Revert to efault settings",
                     [this] {
                         FModel.DefButtonClick();
                         ShowValues();
                     }),
        0, wxALL, 4);
    left->Add(general, 0, wxEXPAND | wxALL, 3);

    auto* text = Group(page, "General Text Options");
    auto* textGrid = new wxFlexGridSizer(2, 3, 6);
    ColourRow(page, textGrid, "TxtCol", "Plain text colour:", [](TOptionsValues& v) -> TColor& { return v.TxtCol; });
    textGrid->Add(new wxStaticText(page, wxID_ANY, "Font Name:"));
    FFontNameLabel = new wxStaticText(page, wxID_ANY, "");
    FFontNameLabel->SetName("FontNameLabel");
    FNamed["FontNameLabel"] = FFontNameLabel;
    textGrid->Add(FFontNameLabel);
    textGrid->Add(new wxStaticText(page, wxID_ANY, "Font Size:"));
    FFontSizeLabel = new wxStaticText(page, wxID_ANY, "");
    FFontSizeLabel->SetName("FontSizeLabel");
    FNamed["FontSizeLabel"] = FFontSizeLabel;
    textGrid->Add(FFontSizeLabel);
    text->Add(textGrid, 0, wxALL, 4);
    auto* textButtons = new wxBoxSizer(wxHORIZONTAL);
    textButtons->Add(Button(page, "TxtDefButton", "&Restore defaults", SDefaultHint,
                         [this] {
                             FModel.TxtDefButtonClick();
                             ShowValues();
                         }),
        0, wxRIGHT, 4);
    textButtons->Add(
        Button(page, "FontButton", "&Change Font", "Click to change the font face and size", [this] { ChooseFont(); }));
    text->Add(textButtons, 0, wxALL, 4);
    left->Add(text, 0, wxEXPAND | wxALL, 3);
    row->Add(left, 0, wxEXPAND);

    using Rows = std::vector<std::tuple<const char*, const char*, std::function<TColor&(TOptionsValues&)>>>;
    auto* cppColumn = new wxBoxSizer(wxVERTICAL);
    ColourGroup(page, cppColumn, "C++ Highlighting Options",
        Rows {
            { "CPPAsmCol", "Assembler text colour:", [](TOptionsValues& v) -> TColor& { return v.Cpp.Asm; } },
            { "CPPComCol", "Comment text colour:", [](TOptionsValues& v) -> TColor& { return v.Cpp.Comment; } },
            { "CppDirectCol", "Direct Attribute (#):", [](TOptionsValues& v) -> TColor& { return v.Cpp.Direc; } },
            { "CPPIdenCol", "Identifier text colour:", [](TOptionsValues& v) -> TColor& { return v.Cpp.Ident; } },
            { "CPPInvalidCol", "Invalid symbol colour:", [](TOptionsValues& v) -> TColor& { return v.Cpp.Invalid; } },
            { "CPPKeyCol", "Key word text colour:", [](TOptionsValues& v) -> TColor& { return v.Cpp.Key; } },
            { "CPPNumCol", "Number text colour:", [](TOptionsValues& v) -> TColor& { return v.Cpp.Number; } },
            { "CPPStrCol", "String text colour:", [](TOptionsValues& v) -> TColor& { return v.Cpp.String; } },
            { "CPPSymCol", "Symbol text colour:", [](TOptionsValues& v) -> TColor& { return v.Cpp.Symbol; } },
        },
        "CPPPreviewButton", TPreviewLanguage::plCpp, "CppDefButton", &TOptionsModel::CppDefButtonClick);
    row->Add(cppColumn, 1, wxEXPAND);

    auto* pasColumn = new wxBoxSizer(wxVERTICAL);
    ColourGroup(page, pasColumn, "Pascal Highlighting Options",
        Rows {
            { "PasSymCol", "Symbol text colour:", [](TOptionsValues& v) -> TColor& { return v.Pas.Symbol; } },
            { "PasAsmCol", "Assembler text colour:", [](TOptionsValues& v) -> TColor& { return v.Pas.Asm; } },
            { "PasComCol", "Comment text colour:", [](TOptionsValues& v) -> TColor& { return v.Pas.Comment; } },
            { "PasIdeCol", "Identifier text colour:", [](TOptionsValues& v) -> TColor& { return v.Pas.Ident; } },
            { "PasKeyCol", "Key word text colour:", [](TOptionsValues& v) -> TColor& { return v.Pas.Key; } },
            { "PasNumCol", "Number text colour:", [](TOptionsValues& v) -> TColor& { return v.Pas.Number; } },
            { "PasStrCol", "String text colour:", [](TOptionsValues& v) -> TColor& { return v.Pas.String; } },
        },
        "PasPreviewButton", TPreviewLanguage::plPascal, "PasDefButton", &TOptionsModel::PasDefButtonClick);
    row->Add(pasColumn, 1, wxEXPAND);

    auto* htmlColumn = new wxBoxSizer(wxVERTICAL);
    ColourGroup(page, htmlColumn, "HTML Highlighting Options",
        Rows {
            { "HTMSymCol", "Symbol text colour:", [](TOptionsValues& v) -> TColor& { return v.HTML.Symbol; } },
            { "HTMAndCol", "And symbol colour:", [](TOptionsValues& v) -> TColor& { return v.HTML.And; } },
            { "HTMComCol", "Comment text colour:", [](TOptionsValues& v) -> TColor& { return v.HTML.Comment; } },
            { "HTMIdeCol", "Identifier text colour:", [](TOptionsValues& v) -> TColor& { return v.HTML.Ident; } },
            { "HTMTxtCol", "Plain text colour:", [](TOptionsValues& v) -> TColor& { return v.HTML.Text; } },
            { "HTMKeyCol", "Key word text colour:", [](TOptionsValues& v) -> TColor& { return v.HTML.Key; } },
            { "HTMUndCol", "Undefined tag colour:", [](TOptionsValues& v) -> TColor& { return v.HTML.Undef; } },
            { "HTMValCol", "Tag value colour:", [](TOptionsValues& v) -> TColor& { return v.HTML.Value; } },
        },
        "HTMPreviewButton", TPreviewLanguage::plHTML, "HTMDefButton", &TOptionsModel::HTMDefButtonClick);
    row->Add(htmlColumn, 1, wxEXPAND);

    auto* outer = new wxBoxSizer(wxVERTICAL);
    outer->Add(row, 1, wxEXPAND | wxALL, 3);
    page->SetSizer(outer);
    return page;
}

bool TOptionsForm::Execute()
{
    FModel.Load();
    FFontData = wxFontData();
    FFontData.SetInitialFont(wxFont(wxFontInfo(FModel.Values.FontSize).FaceName(Wx(FModel.Values.FontName))));
    ShowValues();
    CentreOnScreen();
    const bool ok = ShowModal() == wxID_OK;
    if (!FStateFile.empty())
        std::remove(FStateFile.c_str());
    FLastState.clear();
    return ok;
}

void TOptionsForm::ShowValues()
{
    const TOptionsValues& v = FModel.Values;
    FShowing = true;
    FEdit1->ChangeValue(Wx(v.MaxRecentText));
    long capacity = 0;
    if (FEdit1->GetValue().ToLong(&capacity))
        FUpDown1->SetValue(static_cast<int>(std::clamp<long>(capacity, MinRecentCapacity, MaxRecentCapacity)));
    FTrayEnable->SetValue(v.TrayEnable);
    FTrayMinOnly->SetValue(v.TrayMinOnly);
    FAlwaysShow->SetValue(v.AlwaysShow);
    FTrayMinOnly->Enable(v.TrayBoxesEnabled);
    FAlwaysShow->Enable(v.TrayBoxesEnabled);
    FStartMenuCheck->SetValue(v.StartMenuCheck);
    FDesktopCheck->SetValue(v.DesktopCheck);
    FSendToCheck->SetValue(v.SendToCheck);
    FQLCheck->SetValue(v.QLCheck);
    FQLCheck->Enable(v.QLEnabled);
    FCheckBox1->SetValue(v.ShowLineNumbers);
    FFontNameLabel->SetLabel(Wx(v.FontName));
    FFontSizeLabel->SetLabel(wxString::Format("%d", v.FontSize));
    for (TColourBox* box : FColourBoxes)
        box->SetColour(box->Value(FModel.Values));
    FShowing = false;
}

void TOptionsForm::ChooseColour(TColourBox& box)
{
    wxColourData data;
    data.SetChooseFull(false);
    data.SetColour(ToWxColour(box.Colour()));
    wxColourDialog dialog(this, &data);
    if (dialog.ShowModal() != wxID_OK)
        return;
    box.Value(FModel.Values) = FromWxColour(dialog.GetColourData().GetColour());
    box.SetColour(box.Value(FModel.Values));
}

void TOptionsForm::ChooseFont()
{
    FFontData.SetRange(MinOptionsFontSize, MaxOptionsFontSize);
    FFontData.EnableEffects(false);
    wxFontDialog dialog(this, FFontData);
    // GTK's chooser offers faces and sizes only when asked to: no style, as the dialog always had.
    if (GtkWidget* chooser = dialog.GetHandle(); chooser && GTK_IS_FONT_CHOOSER(chooser))
        gtk_font_chooser_set_level(GTK_FONT_CHOOSER(chooser),
            static_cast<GtkFontChooserLevel>(GTK_FONT_CHOOSER_LEVEL_FAMILY | GTK_FONT_CHOOSER_LEVEL_SIZE));
    if (dialog.ShowModal() != wxID_OK)
        return;
    const wxFont chosen = dialog.GetFontData().GetChosenFont();
    if (!chosen.IsOk())
        return;
    FModel.FontChosen(chosen.GetFaceName().utf8_string(), chosen.GetPointSize());
    FFontData.SetInitialFont(wxFont(wxFontInfo(FModel.Values.FontSize).FaceName(Wx(FModel.Values.FontName))));
    ShowValues();
}

void TOptionsForm::Shortcut(TShortcutPlace place, wxCheckBox* box)
{
    Guarded([&] { FModel.ShortcutClick(place, box->GetValue()); });
    // The box tells what is there: a launcher that could not be written leaves it unticked.
    const bool exists = FShell.ShortcutExists(place);
    box->SetValue(exists);
}

void TOptionsForm::Guarded(const std::function<void()>& action)
{
    FMain.Execute(action);
}

void TOptionsForm::OnOK(wxCommandEvent&)
{
    if (!FModel.RecentCapacityValid()) {
        FMain.UI().MessageDlg(SInvalidNumber, TMsgDlgType::mtError, TMsgDlgButtons::mbOK);
        FBook->SetSelection(0);
        FEdit1->SetFocus();
        FEdit1->SelectAll();
        return;
    }
    EndModal(wxID_OK);
}

void TOptionsForm::OnIdle(wxIdleEvent& event)
{
    event.Skip();
    if (IsModal())
        WriteStateFile();
}

void TOptionsForm::WriteStateFile()
{
    std::ostringstream out;
    out << "page=" << FBook->GetSelection() << "\n";
    // Where the second tab's caption is: GTK tells it only through hit tests.
    const wxPoint bookOrigin = FBook->ClientToScreen(wxPoint(0, 0));
    for (int x = 0; x < FBook->GetClientSize().x; x += 4) {
        bool found = false;
        for (int y = 2; y < 40 && !found; y += 4) {
            if (FBook->HitTest(wxPoint(x, y)) == 1) {
                out << "tab1=" << bookOrigin.x + x + 8 << "," << bookOrigin.y + y << "\n";
                found = true;
            }
        }
        if (found)
            break;
    }
    for (const auto& [name, window] : FNamed) {
        if (!window->IsShownOnScreen())
            continue;
        const wxPoint at = window->ClientToScreen(wxPoint(0, 0));
        const wxSize size = window->GetClientSize();
        out << name << "=" << at.x << "," << at.y << "," << size.x << "," << size.y << "," << window->IsEnabled();
        if (auto* box = dynamic_cast<wxCheckBox*>(window))
            out << "," << box->GetValue();
        else if (auto* colour = dynamic_cast<TColourBox*>(window))
            out << "," << colour->Colour();
        else if (auto* label = dynamic_cast<wxStaticText*>(window))
            out << "," << label->GetLabel().utf8_string();
        else if (auto* edit = dynamic_cast<wxTextCtrl*>(window))
            out << "," << edit->GetValue().utf8_string();
        out << "\n";
    }
    const std::string text = out.str();
    if (text == FLastState)
        return;
    FLastState = text;
    TAtomicFileOptions options;
    options.SyncFile = options.SyncFolder = false;
    WriteFileAtomically(FStateFile, text, options);
}

} // namespace quillan
