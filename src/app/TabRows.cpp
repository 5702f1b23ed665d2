#include "app/TabRows.h"

#include <algorithm>

namespace quillan {

TTabRows LayoutTabRows(const std::vector<int>& widths, int stripWidth, int rowHeight, int minWidth)
{
    TTabRows rows;
    if (widths.empty())
        return rows;
    minWidth = std::max(1, minWidth);
    // However narrow the window, a tab keeps the width that shows its picture.
    stripWidth = std::max(stripWidth, minWidth);
    rowHeight = std::max(1, rowHeight);
    rows.Tabs.reserve(widths.size());
    int x = 0, row = 0;
    for (const int natural : widths) {
        const int width = std::clamp(natural, minWidth, stripWidth);
        if (x > 0 && x + width > stripWidth) {
            x = 0;
            ++row;
        }
        rows.Tabs.push_back({ x, row * rowHeight, x + width, (row + 1) * rowHeight });
        x += width;
    }
    rows.RowCount = row + 1;
    rows.Height = rows.RowCount * rowHeight;
    return rows;
}

int TTabRows::HitTest(int x, int y) const
{
    for (std::size_t i = 0; i < Tabs.size(); ++i)
        if (Tabs[i].Contains({ x, y }))
            return static_cast<int>(i);
    return -1;
}

} // namespace quillan
