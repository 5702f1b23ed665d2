#include "gui/QuillanIcon.h"

#include <wx/image.h>
#include <wx/mstream.h>

namespace quillan {

namespace {

wxImage Decode(const TEmbeddedPng& png)
{
    wxMemoryInputStream in(png.Data, png.Length);
    return wxImage(in, wxBITMAP_TYPE_PNG);
}

} // namespace

wxIconBundle QuillanIcons()
{
    wxIconBundle bundle;
    for (const TEmbeddedPng& png : EmbeddedIconPngs()) {
        const wxImage image = Decode(png);
        if (image.IsOk()) {
            wxIcon icon;
            icon.CopyFromBitmap(wxBitmap(image));
            bundle.AddIcon(icon);
        }
    }
    return bundle;
}

wxBitmap QuillanBitmap(int size)
{
    const auto& pngs = EmbeddedIconPngs();
    const TEmbeddedPng* best = &pngs.back();
    for (const TEmbeddedPng& png : pngs)
        if (png.Size >= size) {
            best = &png;
            break;
        }
    wxImage image = Decode(*best);
    if (!image.IsOk())
        return wxBitmap();
    if (image.GetWidth() != size)
        image.Rescale(size, size, wxIMAGE_QUALITY_HIGH);
    return wxBitmap(image);
}

} // namespace quillan
