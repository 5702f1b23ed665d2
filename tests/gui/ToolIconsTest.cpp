// The toolbar's own pictures: every button's picture exists and draws, at the toolbar's size
// and on a screen of twice the density, and its disabled form is grey.

#include "gui/ToolIcons.h"

#include <gtest/gtest.h>
#include <set>
#include <string>

namespace quillan {
namespace {

int Saturation(const wxImage& image, int x, int y)
{
    const int r = image.GetRed(x, y), g = image.GetGreen(x, y), b = image.GetBlue(x, y);
    return std::max({ r, g, b }) - std::min({ r, g, b });
}

// Pixels that are not (almost) transparent.
int Opaque(const wxImage& image)
{
    int n = 0;
    for (int y = 0; y < image.GetHeight(); ++y)
        for (int x = 0; x < image.GetWidth(); ++x)
            n += !image.HasAlpha() || image.GetAlpha(x, y) > 32;
    return n;
}

const char* const ButtonPictures[] = { "new", "close", "open", "save", "print", "pagesetup", "printpreview", "send",
    "undo", "cut", "copy", "paste", "find", "gotoline", "help", "exit", "previous", "next", "first", "last" };

TEST(ToolIconsTest, EveryButtonHasAPictureThatDrawsAtEachSize)
{
    std::set<std::string> names;
    for (const TEmbeddedSvg& svg : EmbeddedToolIcons())
        names.insert(svg.Name);
    for (const char* name : ButtonPictures) {
        ASSERT_TRUE(names.count(name)) << name << " is not built in";
        const wxBitmapBundle bundle = ToolIcon(name);
        ASSERT_TRUE(bundle.IsOk()) << name;
        EXPECT_EQ(bundle.GetDefaultSize(), wxSize(16, 16)) << name;
        for (const int size : { 16, 24, 32 }) {
            const wxImage image = bundle.GetBitmap(wxSize(size, size)).ConvertToImage();
            ASSERT_TRUE(image.IsOk()) << name << " at " << size;
            EXPECT_EQ(image.GetWidth(), size) << name;
            // Drawn, not blank: a picture covers a good part of its square, and not all of it.
            const int opaque = Opaque(image);
            EXPECT_GT(opaque, size * size / 8) << name << " at " << size << " is almost empty";
            EXPECT_LT(opaque, size * size) << name << " at " << size << " fills its whole square";
        }
    }
}

TEST(ToolIconsTest, TheDisabledPictureIsGreyFadedAndKeepsItsShape)
{
    for (const char* name : ButtonPictures) {
        const wxImage normal = ToolIcon(name).GetBitmap(wxSize(24, 24)).ConvertToImage();
        const wxImage disabled = DisabledToolIcon(name).GetBitmap(wxSize(24, 24)).ConvertToImage();
        ASSERT_TRUE(disabled.IsOk()) << name;
        ASSERT_EQ(disabled.GetSize(), normal.GetSize()) << name;
        ASSERT_TRUE(disabled.HasAlpha()) << name;
        int colourful = 0;
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 24; ++x) {
                EXPECT_LE(Saturation(disabled, x, y), 2) << name << " keeps a colour at " << x << "," << y;
                const int before = normal.HasAlpha() ? normal.GetAlpha(x, y) : 255;
                // Transparent stays transparent; what is drawn becomes fainter, never vanishes.
                EXPECT_LE(disabled.GetAlpha(x, y), before) << name;
                if (before == 255) {
                    EXPECT_GT(disabled.GetAlpha(x, y), 100) << name;
                }
                colourful += before > 128 && Saturation(normal, x, y) > 60;
            }
        // The set is drawn in colour: every normal picture has some.
        EXPECT_GT(colourful, 4) << name << " has no colour to lose";
    }
    // A picture without alpha gets one; dark pixels become a mid grey, white stays white.
    wxImage plain(2, 1);
    plain.SetRGB(0, 0, 0, 0, 0);
    plain.SetRGB(1, 0, 255, 255, 255);
    const wxImage grey = DisabledImage(plain);
    ASSERT_TRUE(grey.HasAlpha());
    EXPECT_EQ(grey.GetRed(0, 0), 128);
    EXPECT_EQ(grey.GetRed(1, 0), 255);
    EXPECT_EQ(grey.GetAlpha(0, 0), 153);
    EXPECT_FALSE(DisabledImage(wxImage()).IsOk());
}

} // namespace
} // namespace quillan
