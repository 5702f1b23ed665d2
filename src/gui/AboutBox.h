#pragma once

#include "app/LinkLabel.h"

#include <functional>
#include <string>
#include <vector>
#include <wx/dialog.h>
#include <wx/generic/stattextg.h>

namespace quillan {

// Opens a URL or path with the desktop's opener; false when it could not be started.
using TOpener = std::function<bool(const std::string& target)>;
// xdg-open through an argument array, never a shell.
bool OpenWithDesktop(const std::string& target);

// A label that behaves like a hyperlink: underlined, coloured by where the mouse is, and opening
// its address when a press on it is released on it. The generic label draws itself, so it has a
// window of its own that receives the mouse (GTK's native label has none).
class TqelURL : public wxGenericStaticText {
public:
    TqelURL(wxWindow* parent, const wxString& caption, const wxPoint& pos, TOpener opener);

    std::string URLorEMAIL = "quillan@example.org";
    TLinkKind Link = TLinkKind::lkSITE;
    std::string Subject = "TqelURL";
    TLinkState& State() { return FState; }
    void SetColors(TColor normal, TColor moveOver, TColor click);
    // What a click opens now.
    std::string Target() const;

private:
    void ShowColor();
    void OnEnter(wxMouseEvent& event);
    void OnLeave(wxMouseEvent& event);
    void OnDown(wxMouseEvent& event);
    void OnUp(wxMouseEvent& event);
    void OnCaptureLost(wxMouseCaptureLostEvent& event);

    TLinkState FState;
    TOpener FOpener;
};

// The about box: the program's name, version and icon, and links to its author and web pages.
class TAboutBox : public wxDialog {
public:
    explicit TAboutBox(wxWindow* parent, TOpener opener = OpenWithDesktop);

    TqelURL* qelURL1 = nullptr; // the author's e-mail
    TqelURL* qelURL2 = nullptr; // the downloads page
    TqelURL* qelURL3 = nullptr; // the web page
};

} // namespace quillan
