#include "editor/GutterMarks.h"

#include "editor/InternalImages.h"
#include "editor/QuillEditMiscClasses.h"
#include "ports/ImageList.h"

#include <algorithm>
#include <vector>

namespace quillan {

namespace {

struct TMarkPainter {
    ICanvas& Canvas;
    TQuillBookMarkOpt& Options;
    TGutterRows Rows;

    // Draws `mark` on the row at `top`; `offset` is the row's x offset.
    void Draw(const TQuillEditMark& mark, bool firstPass, int top, int& offset)
    {
        const int index = mark.ImageIndex();
        TCustomImageList* list = Options.BookmarkImages();
        if (!list || mark.InternalImage()) {
            if (index < 0 || index >= InternalImageCount)
                return;
            const TImage& strip = Options.InternalImages();
            const int w = TInternalImages::GlyphWidth(strip), h = strip.Height();
            const int x = Options.LeftMargin() + offset;
            if (h < Rows.LineHeight) {
                Canvas.DrawImage(x, top + (Rows.LineHeight - h) / 2, strip, { index * w, 0, index * w + w, h });
            } else {
                const int cut = (h - Rows.LineHeight) / 2;
                Canvas.DrawImage(x, top, strip, { index * w, cut, index * w + w, cut + Rows.LineHeight });
            }
        } else {
            if (index < 0 || index >= list->Count())
                return;
            if (firstPass)
                offset = 0;
            else if (offset == 0)
                offset = Options.Xoffset();
            list->DrawPart(Canvas, Options.LeftMargin() + offset, top, index,
                { 0, 0, list->Width(), std::min(list->Height(), Rows.LineHeight) });
        }
        offset += Options.Xoffset();
    }
};

} // namespace

void PaintGutterMarks(ICanvas& canvas, const TRect& area, const TQuillEditMarkList& marks, TQuillBookMarkOpt& options,
    TGutterRows rows, int firstLine, int lastLine)
{
    if (!options.GlyphsVisible() || marks.Count() == 0 || lastLine < firstLine || area.IsEmpty()
        || rows.LineHeight <= 0)
        return;
    // One walk over the list sorts the marks into their rows, in list order and at most
    // MaxMarksPerLine a line, as GetMarksForLine would give them.
    const auto rowCount = static_cast<std::size_t>(lastLine - firstLine + 1);
    std::vector<TQuillEditMarks> rowMarks(rowCount);
    std::vector<int> found(rowCount, 0);
    for (int i = 0; i < marks.Count(); ++i) {
        TQuillEditMark* mark = marks.Items(i);
        if (mark->Line() < firstLine || mark->Line() > lastLine)
            continue;
        const auto row = static_cast<std::size_t>(mark->Line() - firstLine);
        if (found[row] < MaxMarksPerLine)
            rowMarks[row][static_cast<std::size_t>(found[row]++)] = mark;
    }

    TMarkPainter painter { canvas, options, rows };
    std::vector<int> offsets(rowCount, 0);
    const bool bookmarksFirst = options.DrawBookmarksFirst();
    canvas.SaveState();
    canvas.IntersectClipRect(area);
    for (int pass = 0; pass < 2; ++pass) {
        const bool firstPass = pass == 0;
        for (std::size_t row = 0; row < rowCount; ++row) {
            const int top = (firstLine + static_cast<int>(row) - rows.TopLine) * rows.LineHeight;
            for (int k = 0; k < found[row]; ++k) {
                const TQuillEditMark* mark = rowMarks[row][static_cast<std::size_t>(k)];
                if (mark->Visible() && (mark->IsBookmark() == bookmarksFirst) == firstPass)
                    painter.Draw(*mark, firstPass, top, offsets[row]);
            }
        }
    }
    canvas.RestoreState();
}

} // namespace quillan
