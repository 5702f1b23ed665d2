#pragma once

#include "ports/Canvas.h"

#include <vector>

namespace quillan {

// Where the tabs of a strip go when they wrap onto as many rows as they need, so that every
// document's tab is in sight whatever the window's width.
//
// Tabs keep their order, left to right and then row by row from the top; a row takes tabs
// while they fit. Rows stay where they are when the selection changes: a row that jumped to
// the bottom on a click, as some toolkits do, would move the tab from under the pointer.
struct TTabRows {
    std::vector<TRect> Tabs; // one per tab, in the strip's coordinates
    int RowCount = 0;
    int Height = 0; // of all rows together; 0 without tabs

    // The tab under (x, y), or -1.
    int HitTest(int x, int y) const;
    // The row tab `n` is on, or -1.
    int RowOf(int n) const;
};

// With a hundred documents the rows would leave no room for the page they sit on: the tabs get
// at most about two fifths of the strip's height, never less than one row, and the rest of the
// rows are scrolled into sight.
int TabRowsShown(int stripHeight, int rowHeight, int rowCount);

// The first row on view when `shown` rows of `rowCount` are, with row `wanted` among them
// (-1: none in particular); it moves from `first` as little as it must.
int FirstTabRowShown(int first, int wanted, int shown, int rowCount);

// `widths` are the tabs' natural widths. A tab wider than `stripWidth` has a row of its own and
// is cut to the strip's width; no tab is ever narrower than `minWidth`.
TTabRows LayoutTabRows(const std::vector<int>& widths, int stripWidth, int rowHeight, int minWidth = 1);

} // namespace quillan
