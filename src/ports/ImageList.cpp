#include "ports/ImageList.h"

#include "ports/Canvas.h"

#include <algorithm>

namespace quillan {

TCustomImageList::TCustomImageList(int width, int height)
    : FWidth(std::max(width, 1))
    , FHeight(std::max(height, 1))
{
}

TCustomImageList::~TCustomImageList()
{
    // A subscriber may unsubscribe (or subscribe another) from its callback.
    std::vector<TSubscriber> subscribers;
    subscribers.swap(FSubscribers);
    for (TSubscriber& s : subscribers)
        if (s.Callback)
            s.Callback(this);
}

int TCustomImageList::Add(const TImage& image)
{
    if (image.IsEmpty())
        return -1;
    const int pieces = (image.Width() + FWidth - 1) / FWidth;
    const int first = FCount;
    TImage strip(FWidth * (FCount + pieces), FHeight);
    strip.SetName(FStrip.Name());
    // Composing over transparent pixels copies exactly, so the old pictures keep their alpha.
    strip.Draw(0, 0, FStrip);
    for (int k = 0; k < pieces; ++k)
        strip.Draw((first + k) * FWidth, 0, image, { k * FWidth, 0, (k + 1) * FWidth, FHeight });
    FStrip = std::move(strip);
    FCount += pieces;
    return first;
}

void TCustomImageList::Clear()
{
    FStrip = TImage();
    FCount = 0;
}

bool TCustomImageList::Draw(ICanvas& canvas, int x, int y, int index) const
{
    return DrawPart(canvas, x, y, index, { 0, 0, FWidth, FHeight });
}

bool TCustomImageList::DrawPart(ICanvas& canvas, int x, int y, int index, const TRect& part) const
{
    if (index < 0 || index >= FCount)
        return false;
    const TRect clipped = part.Intersect({ 0, 0, FWidth, FHeight });
    if (clipped.IsEmpty())
        return true;
    const int cell = index * FWidth;
    canvas.DrawImage(x + clipped.Left - part.Left, y + clipped.Top - part.Top, FStrip,
        { cell + clipped.Left, clipped.Top, cell + clipped.Right, clipped.Bottom });
    return true;
}

void TCustomImageList::AddFreeNotification(const void* owner, std::function<void(TCustomImageList*)> callback)
{
    RemoveFreeNotification(owner);
    FSubscribers.push_back({ owner, std::move(callback) });
}

void TCustomImageList::RemoveFreeNotification(const void* owner)
{
    std::erase_if(FSubscribers, [owner](const TSubscriber& s) { return s.Owner == owner; });
}

} // namespace quillan
