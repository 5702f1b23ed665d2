#include "gui/AboutBox.h"

#include "app/AppStrings.h"
#include "app/HelpPages.h"
#include "app/MailLink.h"
#include "gui/QuillanIcon.h"

#include <wx/button.h>
#include <wx/panel.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/utils.h>

namespace quillan {

namespace {

wxColour ToWx(TColor c)
{
    return wxColour(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

wxString Wx(const std::string& s)
{
    return wxString::FromUTF8(s.data(), s.size());
}

} // namespace

bool OpenWithDesktop(const std::string& target)
{
    const std::vector<std::string> args = OpenCommand(target);
    std::vector<const char*> argv;
    for (const std::string& a : args)
        argv.push_back(a.c_str());
    argv.push_back(nullptr);
    // The char* overload passes each argument unchanged: nothing is split or quoted by a shell.
    return wxExecute(const_cast<char**>(argv.data()), wxEXEC_ASYNC | wxEXEC_NODISABLE) > 0;
}

TqelURL::TqelURL(wxWindow* parent, const wxString& caption, const wxPoint& pos, TOpener opener)
    : wxGenericStaticText(parent, wxID_ANY, caption, pos)
    , FOpener(std::move(opener))
{
    wxFont font = GetFont();
    font.SetUnderlined(true);
    SetFont(font);
    SetCursor(wxCursor(wxCURSOR_HAND));
    SetToolTip("Put the hint for your site link here...");
    ShowColor();
    Bind(wxEVT_ENTER_WINDOW, &TqelURL::OnEnter, this);
    Bind(wxEVT_LEAVE_WINDOW, &TqelURL::OnLeave, this);
    Bind(wxEVT_LEFT_DOWN, &TqelURL::OnDown, this);
    Bind(wxEVT_LEFT_UP, &TqelURL::OnUp, this);
    Bind(wxEVT_MOUSE_CAPTURE_LOST, &TqelURL::OnCaptureLost, this);
}

void TqelURL::SetColors(TColor normal, TColor moveOver, TColor click)
{
    FState.ColorNormal = normal;
    FState.ColorMoveOver = moveOver;
    FState.ColorClick = click;
    FState.Reset();
    ShowColor();
}

std::string TqelURL::Target() const
{
    return LinkTarget(Link, URLorEMAIL, GetLabel().utf8_string(), Subject);
}

void TqelURL::ShowColor()
{
    SetForegroundColour(ToWx(FState.Color()));
    Refresh();
}

void TqelURL::OnEnter(wxMouseEvent& event)
{
    FState.MouseEnter();
    ShowColor();
    event.Skip();
}

void TqelURL::OnLeave(wxMouseEvent& event)
{
    FState.MouseLeave();
    ShowColor();
    event.Skip();
}

void TqelURL::OnDown(wxMouseEvent& event)
{
    FState.MouseDown();
    ShowColor();
    // The release must come here even when it happens outside the label.
    if (!HasCapture())
        CaptureMouse();
    event.Skip();
}

void TqelURL::OnUp(wxMouseEvent& event)
{
    if (HasCapture())
        ReleaseMouse();
    const wxSize size = GetClientSize();
    const bool open = FState.MouseUp(event.GetX(), event.GetY(), size.x, size.y);
    ShowColor();
    if (open && FOpener)
        FOpener(Target());
}

void TqelURL::OnCaptureLost(wxMouseCaptureLostEvent&)
{
    FState.Reset();
    ShowColor();
}

TAboutBox::TAboutBox(wxWindow* parent, TOpener opener)
    : wxDialog(parent, wxID_ANY, "About Quillan...", wxDefaultPosition, wxDefaultSize, wxCAPTION | wxCLOSE_BOX)
{
    SetClientSize(329, 195);
    SetIcons(QuillanIcons());

    auto* panel = new wxPanel(this, wxID_ANY, wxPoint(8, 8), wxSize(313, 145), wxBORDER_SUNKEN);
    auto* name = new wxStaticText(panel, wxID_ANY, SAppTitle, wxPoint(64, 0));
    name->SetFont(wxFont(wxFontInfo(wxSize(0, 36)).FaceName("Times New Roman").Bold()));
    auto* second = new wxStaticText(panel, wxID_ANY, "Many files, one window", wxPoint(66, 50));
    second->SetFont(wxFont(wxFontInfo(wxSize(0, 15)).FaceName("Comic Sans MS").Bold()));
    const std::string product = SProductLine;
    auto* version = new wxStaticText(panel, wxID_ANY, Wx(product.substr(product.find(' ') + 1)), wxPoint(240, 14));
    version->SetFont(wxFont(wxFontInfo(wxSize(0, 15)).FaceName("MS Sans Serif").Italic()));
    version->SetName("version");
    // Placed by hand, so each label gets the room its font needs: GTK keeps the size of the
    // default font otherwise.
    name->SetSize(180, 46);
    second->SetSize(186, 20);
    version->SetSize(64, 20);
    new wxStaticBitmap(panel, wxID_ANY, QuillanBitmap(48), wxPoint(8, 8), wxSize(48, 48));
    new wxStaticBitmap(panel, wxID_ANY, QuillanBitmap(48), wxPoint(253, 80), wxSize(48, 48));

    auto link = [&](const char* caption, const char* hint, TLinkKind kind, const char* address, int y) {
        auto* l = new TqelURL(panel, caption, wxPoint(16, y), opener);
        l->SetFont(wxFont(wxFontInfo(wxSize(0, 13)).FaceName("MS Sans Serif").Bold().Underlined()));
        l->SetSize(l->GetBestSize());
        l->SetColors(LinkBlue, LinkRed, LinkTeal);
        l->SetToolTip(hint);
        l->Link = kind;
        l->URLorEMAIL = address;
        return l;
    };
    qelURL1 = link(SAuthorEmail, "Author's e-mail", TLinkKind::lkMAIL, SAuthorEmail, 76);
    qelURL3 = link("Go to Quillan webpage", "Quillan website", TLinkKind::lkSITE, SWebsiteUrl, 98);
    qelURL2 = link("Download the latest Quillan", "Quillan downloads", TLinkKind::lkSITE, SWebsiteDownloadsUrl, 120);
    qelURL1->SetName("qelURL1");
    qelURL2->SetName("qelURL2");
    qelURL3->SetName("qelURL3");
    const std::string subject = product + " -- Put your subject here...";
    qelURL1->Subject = subject;
    qelURL2->Subject = subject;

    for (int i = 0; i < 4; ++i)
        new wxStaticBitmap(this, wxID_ANY, QuillanBitmap(24), wxPoint(8 + i * 30, 162), wxSize(24, 24));
    auto* ok = new wxButton(this, wxID_OK, "OK", wxPoint(244, 160), wxSize(75, 27));
    ok->SetDefault();
    SetEscapeId(wxID_OK);
    CentreOnScreen();
}

} // namespace quillan
