#include "gui/StateImages.h"

#include "app/MainFormModel.h"
#include "app/RecentFiles.h"
#include "backends/wx/WxCanvas.h"

namespace quillan {

namespace {

constexpr int IconSize = 16;

// A sheet of paper with a folded corner and a few lines of text.
TImage Page()
{
    return TImage::FromPattern(
        {
            "..KKKKKKKKK.....",
            "..KWWWWWWWKK....",
            "..KWWWWWWWKFK...",
            "..KWGGGGWWKFFK..",
            "..KWWWWWWWKKKK..",
            "..KWWWWWWWWWWK..",
            "..KWGGGGGGGGWK..",
            "..KWWWWWWWWWWK..",
            "..KWGGGGGGWWWK..",
            "..KWWWWWWWWWWK..",
            "..KWGGGGGGGGWK..",
            "..KWWWWWWWWWWK..",
            "..KWGGGGGWWWWK..",
            "..KWWWWWWWWWWK..",
            "..KWWWWWWWWWWK..",
            "..KKKKKKKKKKKK..",
        },
        {
            { 'K', ImagePixel(0x58, 0x58, 0x58) },
            { 'W', ImagePixel(0xFF, 0xFF, 0xFF) },
            { 'F', ImagePixel(0xC8, 0xD2, 0xDE) },
            { 'G', ImagePixel(0x9A, 0xA8, 0xBC) },
        });
}

// A red pencil across the page: the text has changes.
TImage Pencil()
{
    return TImage::FromPattern(
        {
            "................",
            "................",
            "................",
            ".............OO.",
            "............OPPO",
            "...........OSSO.",
            "..........ORRO..",
            ".........ORRO...",
            "........ORRO....",
            ".......ORRO.....",
            "......ORRO......",
            ".....OTRO.......",
            ".....TTO........",
            "....DDO.........",
        },
        {
            { 'O', ImagePixel(0x50, 0x10, 0x10) },
            { 'R', ImagePixel(0xE0, 0x28, 0x20) },
            { 'T', ImagePixel(0xE8, 0xC8, 0x90) },
            { 'D', ImagePixel(0x30, 0x30, 0x30) },
            { 'S', ImagePixel(0xB8, 0xB8, 0xC0) },
            { 'P', ImagePixel(0xF0, 0x90, 0xA0) },
        });
}

// A padlock in the lower right corner: the document is read-only.
TImage Lock()
{
    return TImage::FromPattern(
        {
            "..KKK..",
            ".K...K.",
            ".K...K.",
            "KKKKKKK",
            "KYYYYYK",
            "KYYKYYK",
            "KYYKYYK",
            "KKKKKKK",
        },
        {
            { 'K', ImagePixel(0x5A, 0x44, 0x10) },
            { 'Y', ImagePixel(0xF0, 0xC0, 0x30) },
        });
}

// The blue ribbon of the gutter's bookmarks, hanging from the page's top edge.
TImage Ribbon()
{
    return TImage::FromPattern(
        {
            "KBBBK",
            "KBBBK",
            "KBBBK",
            "KBBBK",
            "KBBBK",
            "KBBBK",
            "KBBBK",
            "KBKBK",
            "KK.KK",
        },
        {
            { 'K', ImagePixel(0x1A, 0x3A, 0x78) },
            { 'B', ImagePixel(0x3C, 0x78, 0xD8) },
        });
}

// A clock face for files used before.
TImage Clock()
{
    return TImage::FromPattern(
        {
            "..CCC..",
            ".CWHWC.",
            "CWWHWWC",
            "CWWHHWC",
            "CWWWWWC",
            ".CWWWC.",
            "..CCC..",
        },
        {
            { 'C', ImagePixel(0x20, 0x50, 0xA0) },
            { 'W', ImagePixel(0xFF, 0xF8, 0xD8) },
            { 'H', ImagePixel(0x20, 0x20, 0x20) },
        });
}

} // namespace

TImage StateImage(int index)
{
    TImage image(IconSize, IconSize);
    const bool bookmarked
        = index == iiUnmodifiedBookmarked || index == iiModifiedBookmarked || index == iiReadOnlyBookmarked;
    switch (index) {
    case iiUnmodified:
    case iiUnmodifiedBookmarked:
        image.Draw(0, 0, Page());
        break;
    case iiModified:
    case iiModifiedBookmarked:
        image.Draw(0, 0, Page());
        image.Draw(0, 0, Pencil());
        break;
    case iiReadOnly:
    case iiReadOnlyBookmarked:
        image.Draw(0, 0, Page());
        image.Draw(9, 8, Lock());
        break;
    case RecentItemImage:
        image.Draw(0, 0, Page());
        image.Draw(9, 9, Clock());
        break;
    default:
        break;
    }
    if (bookmarked)
        image.Draw(4, 0, Ribbon());
    return image;
}

wxBitmap StateBitmap(int index)
{
    return ToWxBitmap(StateImage(index));
}

} // namespace quillan
