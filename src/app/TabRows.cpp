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

int TTabRows::RowOf(int n) const
{
    if (n < 0 || n >= static_cast<int>(Tabs.size()) || Height <= 0 || RowCount <= 0)
        return -1;
    return Tabs[static_cast<std::size_t>(n)].Top / (Height / RowCount);
}

int TabRowsShown(int stripHeight, int rowHeight, int rowCount)
{
    if (rowCount <= 0)
        return 0;
    const int fit = stripHeight * 2 / 5 / std::max(1, rowHeight);
    return std::clamp(fit, 1, rowCount);
}

int FirstTabRowShown(int first, int wanted, int shown, int rowCount)
{
    shown = std::max(1, shown);
    if (wanted >= 0 && wanted < rowCount) {
        if (wanted < first)
            first = wanted;
        else if (wanted >= first + shown)
            first = wanted - shown + 1;
    }
    return std::clamp(first, 0, std::max(0, rowCount - shown));
}

} // namespace quillan
