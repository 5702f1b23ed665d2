#pragma once

#include "ports/Canvas.h"

namespace quillan {

class TQuillBookMarkOpt;
class TQuillEditMarkList;

// Where the gutter's rows are: line `TopLine` starts at y = 0 and every row is LineHeight high.
struct TGutterRows {
    int TopLine = 1;
    int LineHeight = 1;
};

// Draws the visible marks of lines firstLine..lastLine into `area` (the part of the gutter being
// painted; nothing is drawn outside it), from the built-in strip or the options' image list.
//
// Marks go in two passes, first those whose being a bookmark matches DrawBookmarksFirst, then
// the others, each row keeping an x offset from LeftMargin that grows by Xoffset per glyph drawn.
// Built-in glyphs (indices 0..9) are centred in a taller row and cropped to their middle in a
// lower one. An image-list picture restarts the row at 0 in the first pass and starts an empty row
// at Xoffset in the second, so that first-pass marks keep a column of their own; it is drawn at
// the row's top and cut at its bottom, since the next row is repainted on its own.
void PaintGutterMarks(ICanvas& canvas, const TRect& area, const TQuillEditMarkList& marks, TQuillBookMarkOpt& options,
    TGutterRows rows, int firstLine, int lastLine);

} // namespace quillan
