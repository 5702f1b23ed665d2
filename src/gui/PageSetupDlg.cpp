#include "gui/PageSetupDlg.h"

#include "backends/wx/WxCanvas.h"
#include "print/QuillEditPrint.h"

#include <wx/artprov.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/colordlg.h>
#include <wx/dcclient.h>
#include <wx/fontdlg.h>
#include <wx/msgdlg.h>
#include <wx/notebook.h>
#include <wx/panel.h>
#include <wx/richtext/richtextctrl.h>
#include <wx/sizer.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/toolbar.h>

namespace quillan {

namespace {

enum : int {
    ID_PAGENUM = wxID_HIGHEST + 700,
    ID_PAGES,
    ID_TIME,
    ID_DATE,
    ID_TITLE,
    ID_FONT,
    ID_BOLD,
    ID_ITALIC,
    ID_UNDERLINE,
};

wxString Wx(std::string_view s)
{
    return wxString::FromUTF8(s.data(), s.size());
}

TColor FromWxColour(const wxColour& c)
{
    return static_cast<TColor>(c.Red() | (c.Green() << 8) | (c.Blue() << 16));
}

wxFont ToWxFont(const TFontSpec& spec)
{
    wxFontInfo info(spec.Size > 0 ? spec.Size : 10);
    info.FaceName(Wx(spec.Name))
        .Bold((spec.Style & fsBold) != 0)
        .Italic((spec.Style & fsItalic) != 0)
        .Underlined((spec.Style & fsUnderline) != 0)
        .Strikethrough((spec.Style & fsStrikeOut) != 0);
    return wxFont(info);
}

wxRichTextAttr ToAttr(const TFontSpec& spec)
{
    wxRichTextAttr attr;
    attr.SetFont(ToWxFont(spec));
    attr.SetTextColour(ToWxColour(spec.Color));
    return attr;
}

// The item font a line's attributes stand for; what wx does not say comes from `base`.
TFontSpec FromAttr(const wxRichTextAttr& attr, const TFontSpec& base)
{
    TFontSpec spec = base;
    if (attr.HasFontFaceName())
        spec.Name = attr.GetFontFaceName().utf8_string();
    if (attr.HasFontPointSize())
        spec.Size = attr.GetFontSize();
    if (attr.HasFontWeight())
        spec.Style = attr.GetFontWeight() >= wxFONTWEIGHT_BOLD ? (spec.Style | fsBold) : (spec.Style & ~fsBold);
    if (attr.HasFontItalic())
        spec.Style = attr.GetFontStyle() == wxFONTSTYLE_ITALIC ? (spec.Style | fsItalic) : (spec.Style & ~fsItalic);
    if (attr.HasFontUnderlined())
        spec.Style = attr.GetFontUnderlined() ? (spec.Style | fsUnderline) : (spec.Style & ~fsUnderline);
    if (attr.HasTextEffects() && (attr.GetTextEffectFlags() & wxTEXT_ATTR_EFFECT_STRIKETHROUGH))
        spec.Style = (attr.GetTextEffects() & wxTEXT_ATTR_EFFECT_STRIKETHROUGH) ? (spec.Style | fsStrikeOut)
                                                                                : (spec.Style & ~fsStrikeOut);
    if (attr.HasTextColour())
        spec.Color = FromWxColour(attr.GetTextColour());
    return spec;
}

// Paragraphs of the field: its lines.
std::vector<wxRichTextParagraph*> Paragraphs(wxRichTextCtrl* field)
{
    std::vector<wxRichTextParagraph*> result;
    for (wxRichTextObjectList::compatibility_iterator node = field->GetBuffer().GetChildren().GetFirst(); node;
         node = node->GetNext())
        if (auto* p = dynamic_cast<wxRichTextParagraph*>(node->GetData()))
            result.push_back(p);
    return result;
}

wxRichTextRange LineRange(wxRichTextParagraph* p)
{
    const wxRichTextRange r = p->GetRange();
    // The paragraph's range includes its closing break.
    return wxRichTextRange(r.GetStart(), std::max(r.GetStart(), r.GetEnd()));
}

wxRichTextAttr LineAttr(wxRichTextCtrl* field, wxRichTextParagraph* p)
{
    wxRichTextAttr attr = p->GetCombinedAttributes();
    wxRichTextAttr first;
    if (p->GetRange().GetLength() > 1 && field->GetStyle(p->GetRange().GetStart(), first))
        attr.Apply(first);
    return attr;
}

} // namespace

// A colour shown as a filled box with a dotted outline.
class TColorSwatch : public wxPanel {
public:
    explicit TColorSwatch(wxWindow* parent)
        : wxPanel(parent, wxID_ANY, wxDefaultPosition, wxSize(40, 20))
    {
        Bind(wxEVT_PAINT, [this](wxPaintEvent&) {
            wxPaintDC dc(this);
            const wxSize size = GetClientSize();
            dc.SetBrush(wxBrush(ToWxColour(FColor)));
            dc.SetPen(wxPen(*wxBLACK, 1, wxPENSTYLE_DOT));
            dc.DrawRectangle(0, 0, size.x, size.y);
        });
    }
    TColor Color() const { return FColor; }
    void SetColor(TColor value)
    {
        FColor = value;
        Refresh();
    }

private:
    TColor FColor = PrintBlack;
};

TPageSetupDlg::TPageSetupDlg(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, "Page Setup", wxDefaultPosition, wxDefaultSize, wxDEFAULT_DIALOG_STYLE)
{
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    FBook = new wxNotebook(this, wxID_ANY);
    FBook->AddPage(CreateMarginsPage(FBook), "Margins && Options");
    FBook->AddPage(CreateBandsPage(FBook), "Header && Footer");
    sizer->Add(FBook, 1, wxEXPAND | wxALL, 4);
    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    auto* ok = new wxButton(this, wxID_OK, "OK");
    auto* cancel = new wxButton(this, wxID_CANCEL, "Cancel");
    ok->SetDefault();
    buttons->AddStretchSpacer();
    buttons->Add(ok, 0, wxALL, 4);
    buttons->Add(cancel, 0, wxALL, 4);
    sizer->Add(buttons, 0, wxEXPAND);
    // 632 x 397 at least, more where the theme's controls need it.
    SetSizerAndFit(sizer);
    const wxSize fitted = GetClientSize();
    SetClientSize(std::max(fitted.x, 632), std::max(fitted.y, 397));
    Layout();
    Centre();

    ok->Bind(wxEVT_BUTTON, &TPageSetupDlg::OnOK, this);
    Bind(wxEVT_CHILD_FOCUS, &TPageSetupDlg::OnChildFocus, this);
    FBook->Bind(wxEVT_NOTEBOOK_PAGE_CHANGED, [this](wxBookCtrlEvent& e) {
        e.Skip();
        UpdateActions();
    });
}

TPageSetupDlg::~TPageSetupDlg() = default;

wxPanel* TPageSetupDlg::CreateMarginsPage(wxNotebook* book)
{
    auto* page = new wxPanel(book);
    auto* grid = new wxFlexGridSizer(2, 4, 8);
    auto label
        = [&](const char* text) { grid->Add(new wxStaticText(page, wxID_ANY, text), 0, wxALIGN_CENTER_VERTICAL); };
    label("Units:");
    FUnits = new wxChoice(page, wxID_ANY);
    for (const char* unit : { "mm", "cm", "Inches", "Thousandths Of Inches" })
        FUnits->Append(unit);
    grid->Add(FUnits, 0, wxEXPAND);
    const char* captions[MarginFieldCount] = { "Left:", "Right:", "Top:", "Bottom:", "Header:", "Footer:",
        "HFInternalMargin:", "LeftHFTextIndent:", "RightHFTextIndent:", "Gutter" };
    for (int i = 0; i < MarginFieldCount; ++i) {
        label(captions[i]);
        FFields[static_cast<std::size_t>(i)] = new wxTextCtrl(page, wxID_ANY);
        grid->Add(FFields[static_cast<std::size_t>(i)], 0, wxEXPAND);
    }
    auto* options = new wxBoxSizer(wxVERTICAL);
    FMirrorMargins = new wxCheckBox(page, wxID_ANY, "Mirror margins");
    FLineNumbers = new wxCheckBox(page, wxID_ANY, "Line numbers");
    FLineNumbersInMargin = new wxCheckBox(page, wxID_ANY, "Print line numbers in margin");
    FHighlight = new wxCheckBox(page, wxID_ANY, "Syntax print");
    FColors = new wxCheckBox(page, wxID_ANY, "Use colors");
    FWrap = new wxCheckBox(page, wxID_ANY, "Wrap lines");
    for (wxCheckBox* box : { FMirrorMargins, FLineNumbers, FLineNumbersInMargin, FHighlight, FColors, FWrap })
        options->Add(box, 0, wxALL, 3);
    // The illustration: a sheet with its margins.
    auto* picture = new wxPanel(page, wxID_ANY, wxDefaultPosition, wxSize(120, 160));
    picture->Bind(wxEVT_PAINT, [picture](wxPaintEvent&) {
        wxPaintDC dc(picture);
        dc.SetBrush(*wxWHITE_BRUSH);
        dc.SetPen(*wxBLACK_PEN);
        dc.DrawRectangle(10, 5, 100, 141);
        dc.SetPen(wxPen(*wxLIGHT_GREY, 1, wxPENSTYLE_DOT));
        dc.DrawRectangle(25, 20, 75, 111);
        for (int y = 30; y < 125; y += 8)
            dc.DrawLine(30, y, 95, y);
    });
    options->Add(picture, 0, wxALL, 6);
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    row->Add(grid, 1, wxALL, 8);
    row->Add(options, 0, wxALL, 8);
    page->SetSizer(row);
    FUnits->Bind(wxEVT_CHOICE, &TPageSetupDlg::OnUnitChanged, this);
    return page;
}

wxPanel* TPageSetupDlg::CreateBandsPage(wxNotebook* book)
{
    auto* page = new wxPanel(book);
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    FToolBar = new wxToolBar(page, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTB_FLAT | wxTB_HORIZONTAL | wxTB_TEXT);
    auto tool = [&](int id, const char* label, const wxArtID& art, const char* hint) {
        FToolBar->AddTool(id, label, wxArtProvider::GetBitmap(art, wxART_TOOLBAR, wxSize(16, 16)), hint);
    };
    tool(ID_PAGENUM, "#", wxART_NEW, "Page number");
    tool(ID_PAGES, "##", wxART_COPY, "Num. pages");
    tool(ID_TIME, "T", wxART_TIP, "Time");
    tool(ID_DATE, "D", wxART_LIST_VIEW, "Date");
    tool(ID_TITLE, "Ti", wxART_NORMAL_FILE, "Title");
    FToolBar->AddSeparator();
    tool(ID_FONT, "F", wxART_HELP_SETTINGS, "Font");
    FToolBar->AddSeparator();
    tool(ID_BOLD, "B", wxART_TICK_MARK, "Bold");
    tool(ID_ITALIC, "I", wxART_GO_FORWARD, "Italic");
    tool(ID_UNDERLINE, "U", wxART_GO_DOWN, "Underline");
    FToolBar->Realize();
    sizer->Add(FToolBar, 0, wxEXPAND);
    CreateBand(page, sizer, "Header", true, FHeader);
    CreateBand(page, sizer, "Footer", false, FFooter);
    page->SetSizer(sizer);
    Bind(wxEVT_TOOL, &TPageSetupDlg::OnTool, this, ID_PAGENUM, ID_UNDERLINE);
    return page;
}

void TPageSetupDlg::CreateBand(wxWindow* parent, wxSizer* sizer, const char* caption, bool header, TBandControls& band)
{
    auto* box = new wxStaticBoxSizer(wxHORIZONTAL, parent, caption);
    wxWindow* owner = box->GetStaticBox();
    const char* titles[3] = { "Left", "Center", "Right" };
    const int align[3] = { wxTEXT_ALIGNMENT_LEFT, wxTEXT_ALIGNMENT_CENTRE, wxTEXT_ALIGNMENT_RIGHT };
    for (int i = 0; i < 3; ++i) {
        auto* column = new wxBoxSizer(wxVERTICAL);
        column->Add(new wxStaticText(owner, wxID_ANY, titles[i]), 0);
        auto* field = new wxRichTextCtrl(
            owner, wxID_ANY, wxEmptyString, wxDefaultPosition, wxSize(130, 60), wxRE_MULTILINE | wxVSCROLL | wxHSCROLL);
        wxRichTextAttr attr;
        attr.SetAlignment(static_cast<wxTextAttrAlignment>(align[i]));
        field->SetBasicStyle(attr);
        band.Fields[static_cast<std::size_t>(i)] = field;
        column->Add(field, 1, wxEXPAND);
        box->Add(column, 1, wxEXPAND | wxALL, 2);
    }
    auto* right = new wxBoxSizer(wxVERTICAL);
    band.Mirror = new wxCheckBox(owner, wxID_ANY, "Mirror position");
    right->Add(band.Mirror, 0, wxALL, 2);
    auto* look = new wxStaticBoxSizer(wxVERTICAL, owner, "Appearance");
    wxWindow* lookOwner = look->GetStaticBox();
    band.Line = new wxCheckBox(lookOwner, wxID_ANY, header ? "Line under" : "Line above");
    band.Box = new wxCheckBox(lookOwner, wxID_ANY, "Box");
    band.Shadow = new wxCheckBox(lookOwner, wxID_ANY, "Shadow");
    auto* checks = new wxBoxSizer(wxHORIZONTAL);
    for (wxCheckBox* c : { band.Line, band.Box, band.Shadow })
        checks->Add(c, 0, wxALL, 2);
    look->Add(checks);
    auto swatchRow = [&](TColorSwatch*& swatch, const char* label) {
        auto* row = new wxBoxSizer(wxHORIZONTAL);
        swatch = new TColorSwatch(lookOwner);
        auto* button = new wxButton(lookOwner, wxID_ANY, label);
        row->Add(swatch, 0, wxALL | wxALIGN_CENTER_VERTICAL, 2);
        row->Add(button, 0, wxALL, 2);
        look->Add(row);
        TColorSwatch* target = swatch;
        button->Bind(wxEVT_BUTTON, [this, target](wxCommandEvent&) {
            wxColourData data;
            data.SetColour(ToWxColour(target->Color()));
            wxColourDialog dialog(this, &data);
            if (dialog.ShowModal() == wxID_OK)
                target->SetColor(FromWxColour(dialog.GetColourData().GetColour()));
        });
    };
    swatchRow(band.LineColor, "Line color");
    swatchRow(band.ShadowColor, "Shadow color");
    right->Add(look, 0, wxALL, 2);
    box->Add(right, 0, wxEXPAND);
    sizer->Add(box, 1, wxEXPAND | wxALL, 4);
}

// --- margins -------------------------------------------------------------------------------------

TMarginTexts TPageSetupDlg::FieldTexts() const
{
    TMarginTexts texts;
    for (std::size_t i = 0; i < texts.size(); ++i)
        texts[i] = FFields[i]->GetValue().utf8_string();
    return texts;
}

void TPageSetupDlg::ShowTexts(const TMarginTexts& texts)
{
    for (std::size_t i = 0; i < texts.size(); ++i)
        FFields[i]->ChangeValue(Wx(texts[i]));
}

void TPageSetupDlg::ShowMargins(const TQuillEditPrintMargins& margins)
{
    FUnits->SetSelection(static_cast<int>(margins.UnitSystem()));
    ShowTexts(quillan::ShowMargins(margins));
    FMirrorMargins->SetValue(margins.MirrorMargins());
}

bool TPageSetupDlg::ReportBadField(int field)
{
    if (field < 0)
        return true;
    wxMessageBox(SInvalidNumber, GetTitle(), wxOK | wxICON_ERROR, this);
    FBook->SetSelection(0);
    FFields[static_cast<std::size_t>(field)]->SetFocus();
    return false;
}

void TPageSetupDlg::OnUnitChanged(wxCommandEvent&)
{
    TMarginTexts texts = FieldTexts();
    const int bad = ChangeUnit(texts, FWorking, static_cast<TUnitSystem>(FUnits->GetSelection()));
    ShowTexts(texts);
    ReportBadField(bad);
}

// --- bands ---------------------------------------------------------------------------------------

void TPageSetupDlg::LoadBand(const TPageSetupBand& band, TBandControls& controls)
{
    for (std::size_t f = 0; f < 3; ++f) {
        wxRichTextCtrl* field = controls.Fields[f];
        field->Clear();
        wxRichTextAttr basic = field->GetBasicStyle();
        basic.SetFont(ToWxFont(band.DefaultFont));
        basic.SetTextColour(ToWxColour(band.DefaultFont.Color));
        field->SetBasicStyle(basic);
        const auto& lines = band.Fields[f];
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (i > 0)
                field->Newline();
            const long start = field->GetLastPosition();
            field->WriteText(Wx(lines[i].Text));
            // The whole line, its break included, so that an empty line keeps its font too.
            field->SetStyleEx(wxRichTextRange(start, std::max(start, field->GetLastPosition())), ToAttr(lines[i].Font),
                wxRICHTEXT_SETSTYLE_WITH_UNDO);
            if (auto paragraphs = Paragraphs(field); !paragraphs.empty()) {
                wxRichTextAttr attr = ToAttr(lines[i].Font);
                paragraphs.back()->GetAttributes().Apply(attr);
            }
        }
        field->SetInsertionPoint(0);
        field->DiscardEdits();
    }
    controls.Line->SetValue(band.Line);
    controls.Box->SetValue(band.Box);
    controls.Shadow->SetValue(band.Shadow);
    controls.LineColor->SetColor(band.LineColor);
    controls.ShadowColor->SetColor(band.ShadedColor);
    controls.Mirror->SetValue(band.MirrorPosition);
}

void TPageSetupDlg::SaveBand(TPageSetupBand& band, const TBandControls& controls) const
{
    for (std::size_t f = 0; f < 3; ++f) {
        wxRichTextCtrl* field = controls.Fields[f];
        auto& lines = band.Fields[f];
        lines.clear();
        const auto paragraphs = Paragraphs(field);
        // A field nobody typed in holds one empty paragraph, which is no item at all.
        if (paragraphs.size() == 1 && paragraphs[0]->GetRange().GetLength() <= 1)
            continue;
        for (wxRichTextParagraph* p : paragraphs) {
            const wxRichTextRange r = LineRange(p);
            TPageSetupLine line;
            line.Text = p->GetTextForRange(wxRichTextRange(r.GetStart(), r.GetEnd() - 1)).utf8_string();
            line.Font = FromAttr(LineAttr(field, p), band.DefaultFont);
            lines.push_back(std::move(line));
        }
    }
    band.Line = controls.Line->GetValue();
    band.Box = controls.Box->GetValue();
    band.Shadow = controls.Shadow->GetValue();
    band.LineColor = controls.LineColor->Color();
    band.ShadedColor = controls.ShadowColor->Color();
    band.MirrorPosition = controls.Mirror->GetValue();
}

// --- load and save -------------------------------------------------------------------------------

void TPageSetupDlg::LoadFromEngine(TQuillEditPrint& engine)
{
    const TPageSetupData data = LoadPageSetup(engine);
    FWorking.Assign(data.Margins);
    ShowMargins(data.Margins);
    FLineNumbers->SetValue(data.Options.LineNumbers);
    FLineNumbersInMargin->SetValue(data.Options.LineNumbersInMargin);
    FHighlight->SetValue(data.Options.Highlight);
    FColors->SetValue(data.Options.Colors);
    FWrap->SetValue(data.Options.Wrap);
    LoadBand(data.Header, FHeader);
    LoadBand(data.Footer, FFooter);
}

void TPageSetupDlg::SaveToEngine(TQuillEditPrint& engine)
{
    TPageSetupData data = LoadPageSetup(engine);
    data.Margins.SetUnitSystem(static_cast<TUnitSystem>(FUnits->GetSelection()));
    // OK checks every field first, so nothing is stopped halfway here.
    ReadMargins(FieldTexts(), data.Margins);
    data.Margins.SetMirrorMargins(FMirrorMargins->GetValue());
    data.Options = { FLineNumbers->GetValue(), FLineNumbersInMargin->GetValue(), FHighlight->GetValue(),
        FColors->GetValue(), FWrap->GetValue() };
    SaveBand(data.Header, FHeader);
    SaveBand(data.Footer, FFooter);
    SavePageSetup(data, engine);
}

void TPageSetupDlg::OnOK(wxCommandEvent& event)
{
    // A length that does not parse keeps the dialog open on that field; nothing is written.
    TQuillEditPrintMargins probe;
    probe.Assign(FWorking);
    if (!ReportBadField(ReadMargins(FieldTexts(), probe)))
        return;
    event.Skip();
}

int TPageSetupDlg::ShowModal()
{
    FCurrent = FHeader.Fields[0];
    FBook->SetSelection(0);
    UpdateActions();
    // The first length is where a visit usually starts; focus only sticks once the dialog shows.
    CallAfter([this] {
        FFields[mfLeft]->SetFocus();
        FFields[mfLeft]->SelectAll();
    });
    return wxDialog::ShowModal();
}

// --- actions -------------------------------------------------------------------------------------

void TPageSetupDlg::UpdateActions()
{
    const bool enabled = FCurrent && FBook->GetSelection() == 1 && wxWindow::FindFocus() == FCurrent;
    for (int id = ID_PAGENUM; id <= ID_UNDERLINE; ++id)
        FToolBar->EnableTool(id, enabled);
}

void TPageSetupDlg::OnChildFocus(wxChildFocusEvent& event)
{
    event.Skip();
    wxWindow* focused = wxWindow::FindFocus();
    for (const TBandControls* band : { &FHeader, &FFooter })
        for (wxRichTextCtrl* field : band->Fields)
            if (focused == field)
                FCurrent = field;
    UpdateActions();
}

void TPageSetupDlg::OnTool(wxCommandEvent& event)
{
    if (!FCurrent)
        return;
    const char* macro = nullptr;
    switch (event.GetId()) {
    case ID_PAGENUM:
        macro = "$PAGENUM$";
        break;
    case ID_PAGES:
        macro = "$PAGECOUNT$";
        break;
    case ID_TIME:
        macro = "$TIME$";
        break;
    case ID_DATE:
        macro = "$DATE$";
        break;
    case ID_TITLE:
        macro = "$TITLE$";
        break;
    default:
        FormatLine(event.GetId());
        return;
    }
    FCurrent->DeleteSelection();
    FCurrent->WriteText(macro);
    FCurrent->SetFocus();
}

void TPageSetupDlg::FormatLine(int command)
{
    wxRichTextCtrl* field = FCurrent;
    const long caret = field->GetInsertionPoint();
    wxRichTextParagraph* p = field->GetBuffer().GetParagraphAtPosition(caret);
    if (!p)
        return;
    const wxRichTextRange line = LineRange(p);
    wxRichTextAttr attr = LineAttr(field, p);
    wxRichTextAttr change;
    switch (command) {
    case ID_FONT: {
        wxFontData data;
        data.SetInitialFont(attr.GetFont());
        data.SetColour(attr.GetTextColour());
        wxFontDialog dialog(this, data);
        if (dialog.ShowModal() != wxID_OK)
            return;
        change.SetFont(dialog.GetFontData().GetChosenFont());
        change.SetTextColour(dialog.GetFontData().GetColour());
        break;
    }
    case ID_BOLD:
        change.SetFontWeight(attr.GetFontWeight() >= wxFONTWEIGHT_BOLD ? wxFONTWEIGHT_NORMAL : wxFONTWEIGHT_BOLD);
        break;
    case ID_ITALIC:
        change.SetFontStyle(attr.GetFontStyle() == wxFONTSTYLE_ITALIC ? wxFONTSTYLE_NORMAL : wxFONTSTYLE_ITALIC);
        break;
    case ID_UNDERLINE:
        change.SetFontUnderlined(!attr.GetFontUnderlined());
        break;
    default:
        return;
    }
    field->SetStyleEx(line, change, wxRICHTEXT_SETSTYLE_WITH_UNDO);
    p->GetAttributes().Apply(change);
    field->SetInsertionPoint(caret);
    field->SelectNone();
    field->SetFocus();
}

} // namespace quillan
