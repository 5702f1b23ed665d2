#pragma once

#include "ports/Image.h"

#include <functional>
#include <vector>

namespace quillan {

class ICanvas;

// A row of equally sized pictures addressed by index, kept side by side in one strip so that a
// backend converts the strip once and draws every picture from it.
//
// Whoever keeps a pointer to a list asks to be told when it goes (AddFreeNotification), and
// drops the pointer then.
class TCustomImageList {
public:
    TCustomImageList(int width, int height);
    virtual ~TCustomImageList();
    TCustomImageList(const TCustomImageList&) = delete;
    TCustomImageList& operator=(const TCustomImageList&) = delete;

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    int Count() const { return FCount; }

    // Appends `image`, cut into Width()-wide pictures when it is a strip of several (a last
    // partial piece counts as one); each piece is placed at the top-left of its cell and cropped
    // to it. Returns the index of the first picture added, or -1 when nothing was.
    int Add(const TImage& image);
    void Clear();

    // Picture `index` with its top-left at (x, y). Indices outside the list draw nothing and
    // return false.
    bool Draw(ICanvas& canvas, int x, int y, int index) const;
    // Only the part `part` of the picture (in its own coordinates, clipped to it), with the
    // part's top-left at (x, y).
    bool DrawPart(ICanvas& canvas, int x, int y, int index, const TRect& part) const;
    // The strip itself: picture i is the cell {i * Width(), 0, (i + 1) * Width(), Height()}.
    const TImage& Strip() const { return FStrip; }

    // `callback` runs when the list is destroyed; `owner` identifies the subscription.
    void AddFreeNotification(const void* owner, std::function<void(TCustomImageList*)> callback);
    void RemoveFreeNotification(const void* owner);

private:
    struct TSubscriber {
        const void* Owner;
        std::function<void(TCustomImageList*)> Callback;
    };

    int FWidth;
    int FHeight;
    int FCount = 0;
    TImage FStrip;
    std::vector<TSubscriber> FSubscribers;
};

} // namespace quillan
