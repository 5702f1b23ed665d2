#include "gui/ToolIcons.h"

#include <algorithm>
#include <cstring>

namespace quillan {

namespace {

constexpr int ToolIconSize = 16;

const char* ToolIconText(const std::string& name)
{
    for (const TEmbeddedSvg& svg : EmbeddedToolIcons())
        if (name == svg.Name)
            return svg.Text;
    return nullptr;
}

// Draws the normal picture at the size asked for and greys that, so that the disabled picture
// is as sharp as the normal one at every scale.
class TDisabledBundle : public wxBitmapBundleImpl {
public:
    explicit TDisabledBundle(wxBitmapBundle normal)
        : FNormal(std::move(normal))
    {
    }
    wxSize GetDefaultSize() const override { return FNormal.GetDefaultSize(); }
    wxSize GetPreferredBitmapSizeAtScale(double scale) const override
    {
        return FNormal.GetPreferredBitmapSizeAtScale(scale);
    }
    wxBitmap GetBitmap(const wxSize& size) override
    {
        const wxBitmap normal = FNormal.GetBitmap(size);
        if (!normal.IsOk())
            return normal;
        return wxBitmap(DisabledImage(normal.ConvertToImage()));
    }

private:
    wxBitmapBundle FNormal;
};

} // namespace

wxBitmapBundle ToolIcon(const std::string& name)
{
    const char* text = ToolIconText(name);
    wxASSERT_MSG(text, "no toolbar picture of this name");
    if (!text)
        return {};
    return wxBitmapBundle::FromSVG(text, wxSize(ToolIconSize, ToolIconSize));
}

wxBitmapBundle DisabledToolIcon(const std::string& name)
{
    const wxBitmapBundle normal = ToolIcon(name);
    if (!normal.IsOk())
        return {};
    return wxBitmapBundle::FromImpl(new TDisabledBundle(normal));
}

wxImage DisabledImage(const wxImage& source)
{
    if (!source.IsOk())
        return {};
    wxImage image = source.Copy();
    if (!image.HasAlpha())
        image.InitAlpha();
    const int pixels = image.GetWidth() * image.GetHeight();
    unsigned char* rgb = image.GetData();
    unsigned char* alpha = image.GetAlpha();
    for (int i = 0; i < pixels; ++i) {
        unsigned char* p = rgb + 3 * i;
        const int luminance = (p[0] * 30 + p[1] * 59 + p[2] * 11) / 100;
        // Dark outlines stay a mid grey, white stays white: the shape remains readable.
        const auto grey = static_cast<unsigned char>(128 + luminance / 2);
        p[0] = p[1] = p[2] = grey;
        alpha[i] = static_cast<unsigned char>(alpha[i] * 3 / 5);
    }
    return image;
}

} // namespace quillan
