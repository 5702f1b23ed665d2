#pragma once

#include <string>
#include <vector>
#include <wx/bmpbndl.h>
#include <wx/image.h>

namespace quillan {

// The toolbar's pictures (data/icons/toolbar), built into the program as SVG text by name.
struct TEmbeddedSvg {
    const char* Name;
    const char* Text;
};
const std::vector<TEmbeddedSvg>& EmbeddedToolIcons();

// The picture named `name` for a toolbar button of 16 pixels, drawn at whatever size and scale
// the toolbar asks for. An unknown name is a programming error and gives an empty bundle.
wxBitmapBundle ToolIcon(const std::string& name);
// The same picture as a disabled button shows it: grey and faded, so that a button that cannot
// be used is told from one that can at a glance. GTK's own dimming is too slight for that.
wxBitmapBundle DisabledToolIcon(const std::string& name);
// What DisabledToolIcon does to each picture: every colour becomes a light grey that keeps a
// little of its brightness, and the picture is made partly transparent.
wxImage DisabledImage(const wxImage& image);

} // namespace quillan
