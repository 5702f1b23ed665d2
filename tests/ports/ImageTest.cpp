// Images and image lists without a display: blending, the ids that backends cache converted
// bitmaps by, and what an image list hands to a canvas.

#include "backends/headless/HeadlessCanvas.h"
#include "ports/ImageList.h"

#include <gtest/gtest.h>

namespace quillan {
namespace {

constexpr TImagePixel Red = ImagePixel(255, 0, 0);
constexpr TImagePixel Blue = ImagePixel(0, 0, 255);

TEST(Image, DrawingBlendsByAlphaAndKeepsTheSourceCornerAtItsPoint)
{
    TImage image(3, 3, Blue);
    image.Draw(1, 1, TImage(1, 1, ImagePixel(255, 0, 0, 128)));
    EXPECT_EQ(image.Pixel(1, 1), ImagePixel(128, 0, 127));
    EXPECT_EQ(image.Pixel(0, 0), Blue);
    // Over transparent pixels a picture lands exactly, alpha included (image lists rely on it).
    TImage clear(1, 1);
    clear.Draw(0, 0, TImage(1, 1, ImagePixel(10, 20, 30, 77)));
    EXPECT_EQ(clear.Pixel(0, 0), ImagePixel(10, 20, 30, 77));

    const TImage src = TImage::FromPattern({ "RB", "BR" }, { { 'R', Red }, { 'B', Blue } });
    TImage target(3, 3);
    target.Draw(-1, 1, src, { 0, 0, 5, 5 });
    EXPECT_EQ(target.Pixel(0, 1), Blue);
    EXPECT_EQ(target.Pixel(0, 2), Red);
    EXPECT_EQ(target.Pixel(1, 1), 0u);
    TImage shifted(3, 3);
    shifted.Draw(0, 0, src, { -1, -1, 1, 1 });
    EXPECT_EQ(shifted.Pixel(0, 0), 0u);
    EXPECT_EQ(shifted.Pixel(1, 1), Red);
}

TEST(Image, CopiesShareTheIdAndEveryChangeGivesANewOne)
{
    TImage a(4, 4, Red);
    const TImage b(4, 4, Red);
    EXPECT_NE(a.Id(), b.Id());
    TImage copy = a;
    EXPECT_EQ(copy.Id(), a.Id());
    copy.SetPixel(1, 1, Blue);
    EXPECT_NE(copy.Id(), a.Id());
    EXPECT_EQ(a.Pixel(1, 1), Red);
    for (auto change : { +[](TImage& i) {
                            i.FillRect({ 0, 0, 1, 1 }, Blue);
                        },
             +[](TImage& i) { i.Draw(0, 0, TImage(1, 1, Red)); } }) {
        const auto id = a.Id();
        change(a);
        EXPECT_NE(a.Id(), id);
    }
}

TEST(ImageList, AStripIsCutIntoPicturesAndDrawnFromOneImage)
{
    TCustomImageList list(4, 3);
    // Two whole pictures and a partial third; taller pictures are cut to the list's height.
    TImage strip(10, 5, Red);
    strip.FillRect({ 4, 0, 8, 5 }, Blue);
    EXPECT_EQ(list.Add(strip), 0);
    EXPECT_EQ(list.Add(TImage(4, 3, Blue)), 3);
    ASSERT_EQ(list.Count(), 4);
    EXPECT_EQ(list.Strip().Width(), 16);
    EXPECT_EQ(list.Strip().Height(), 3);
    EXPECT_EQ(list.Strip().Pixel(4, 0), Blue);
    EXPECT_EQ(list.Strip().Pixel(9, 2), Red);
    EXPECT_EQ(list.Strip().Pixel(10, 0), 0u);

    THeadlessCanvas canvas;
    const std::string id = " #" + std::to_string(list.Strip().Id());
    EXPECT_TRUE(list.Draw(canvas, 7, 9, 1));
    EXPECT_FALSE(list.Draw(canvas, 7, 9, 4));
    EXPECT_FALSE(list.Draw(canvas, 7, 9, -1));
    EXPECT_TRUE(list.DrawPart(canvas, 7, 9, 2, { -2, -1, 2, 2 }));
    const std::vector<std::string> expected = {
        "DrawImage 7 9 [4 0 8 3]" + id,
        "DrawImage 9 10 [8 0 10 2]" + id,
    };
    EXPECT_EQ(canvas.Calls(), expected);
}

} // namespace
} // namespace quillan
