#include "gui/FindFrontEnd.h"

#include "app/MainFormModel.h"
#include "backends/wx/WxText.h"
#include "editor/QuillEdit.h"

#include <clocale>
#include <ctime>
#include <gtk/gtk.h>
#include <locale.h>
#include <sstream>
#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/toolbar.h>

namespace quillan {

TFindFrontEnd::TFindFrontEnd(wxWindow* owner, TMainFormModel& model)
    : FOwner(owner)
    , FModel(model)
    , FFind(model.UI())
    , FData(wxFR_DOWN)
{
}

TFindFrontEnd::~TFindFrontEnd()
{
    if (FDialog)
        FDialog->Destroy();
}

void TFindFrontEnd::ShowDialog()
{
    if (!FDialog) {
        FDialog = new wxFindReplaceDialog(FOwner, &FData, "Replace", wxFR_REPLACEDIALOG);
        FDialog->Bind(wxEVT_FIND, &TFindFrontEnd::OnFindEvent, this);
        FDialog->Bind(wxEVT_FIND_NEXT, &TFindFrontEnd::OnFindEvent, this);
        FDialog->Bind(wxEVT_FIND_REPLACE, &TFindFrontEnd::OnFindEvent, this);
        FDialog->Bind(wxEVT_FIND_REPLACE_ALL, &TFindFrontEnd::OnFindEvent, this);
        // Closing only hides it: the texts and boxes stay for the next time and for F3.
        FDialog->Bind(wxEVT_FIND_CLOSE, [this](wxFindDialogEvent&) { FDialog->Hide(); });
        AddHelpButton();
    }
    FDialog->Show();
    FDialog->Raise();
}

void TFindFrontEnd::AddHelpButton()
{
    // GTK has no platform find dialog: wx draws its own, with a column of buttons at the right
    // and no Help button. It goes at the foot of that column; should the layout ever differ, the
    // dialog keeps F1 alone.
    const auto help = [this] {
        if (OnHelp)
            OnHelp();
    };
    FDialog->Bind(wxEVT_CHAR_HOOK, [help](wxKeyEvent& event) {
        if (event.GetKeyCode() == WXK_F1 && event.GetModifiers() == wxMOD_NONE)
            help();
        else
            event.Skip();
    });
    wxSizer* top = FDialog->GetSizer();
    wxSizerItem* column = top && top->GetItemCount() == 2 ? top->GetItem(1) : nullptr;
    if (!column || !column->IsSizer())
        return;
    auto* button = new wxButton(FDialog, wxID_HELP);
    column->GetSizer()->Add(button, 0, wxALL, 3);
    button->Bind(wxEVT_BUTTON, [help](wxCommandEvent&) { help(); });
    top->SetSizeHints(FDialog);
}

void TFindFrontEnd::TakeDialogState(const wxFindDialogEvent& event)
{
    TFindDialogState& s = FFind.State;
    s.FindText = WxToUtf8(event.GetFindString());
    s.ReplaceText = WxToUtf8(event.GetReplaceString());
    const int flags = event.GetFlags();
    s.MatchCase = (flags & wxFR_MATCHCASE) != 0;
    s.WholeWord = (flags & wxFR_WHOLEWORD) != 0;
    s.Down = (flags & wxFR_DOWN) != 0;
}

void TFindFrontEnd::OnFindEvent(wxFindDialogEvent& event)
{
    TakeDialogState(event);
    const wxEventType type = event.GetEventType();
    FModel.Execute([&] {
        if (type == wxEVT_FIND || type == wxEVT_FIND_NEXT)
            FFind.Find(FModel.ActiveEditor());
        else
            FFind.Replace(FModel.ActiveEditor(), type == wxEVT_FIND_REPLACE_ALL);
    });
    FModel.UpdateCaretPanel();
}

void TFindFrontEnd::FindAgain()
{
    if (!CanFindAgain())
        return;
    FModel.Execute([&] { FFind.Find(FModel.ActiveEditor()); });
    FModel.UpdateCaretPanel();
}

std::string TFindFrontEnd::StateLines() const
{
    std::ostringstream out;
    out << "finddialog=" << (FDialog && FDialog->IsShown() ? 1 : 0) << "\n";
    if (const TQuillEdit* edit = FModel.ActiveEditor()) {
        const TBufferCoord a = edit->SelectionStart(), b = edit->SelectionStop();
        out << "selection=" << a.Y << "," << a.X << "-" << b.Y << "," << b.X << "\n";
    }
    return out.str();
}

namespace {

std::string FormatInLocale(locale_t locale, const char* format)
{
    std::tm sample {};
    sample.tm_year = 126;
    sample.tm_mon = 11;
    sample.tm_mday = 26;
    sample.tm_hour = 21;
    sample.tm_min = 45;
    sample.tm_sec = 30;
    char text[128] = {};
    const std::size_t n = strftime_l(text, sizeof text, format, &sample, locale);
    return std::string(text, n);
}

} // namespace

TDateTimeSeparators LocaleDateTimeSeparators()
{
    TDateTimeSeparators separators;
    locale_t locale = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(nullptr));
    if (!locale)
        return separators;
    separators.Date = SeparatorIn(FormatInLocale(locale, "%x"), separators.Date);
    separators.Time = SeparatorIn(FormatInLocale(locale, "%X"), separators.Time);
    freelocale(locale);
    return separators;
}

TDateTimeParts LocalTimeNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm t {};
    localtime_r(&now, &t);
    return { t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec };
}

wxRect ToolScreenRect(wxToolBar& toolbar, int id)
{
    // wx has no tool geometry on GTK; the toolbar's items are in wx's order, separators included.
    auto* widget = static_cast<GtkWidget*>(toolbar.GetHandle());
    while (widget && !GTK_IS_TOOLBAR(widget) && GTK_IS_BIN(widget))
        widget = gtk_bin_get_child(GTK_BIN(widget));
    const int pos = toolbar.GetToolPos(id);
    if (!widget || !GTK_IS_TOOLBAR(widget) || pos < 0 || pos >= gtk_toolbar_get_n_items(GTK_TOOLBAR(widget)))
        return {};
    GtkWidget* item = GTK_WIDGET(gtk_toolbar_get_nth_item(GTK_TOOLBAR(widget), pos));
    if (!gtk_widget_get_mapped(item))
        return {};
    GtkAllocation box;
    gtk_widget_get_allocation(item, &box);
    GdkWindow* window = gtk_widget_get_window(item);
    int x = 0, y = 0;
    if (window)
        gdk_window_get_origin(window, &x, &y);
    return { x + box.x, y + box.y, box.width, box.height };
}

} // namespace quillan
