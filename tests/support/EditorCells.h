#pragma once

// Where the control draws a display cell, for tests that click, drag or drop on one.

#include "editor/QuillEdit.h"
#include "ports/Canvas.h"

namespace quillan::testutil {

// Client pixel `dx` pixels right of the left edge of display cell `column` (1-based) on `line`
// (1-based), halfway down the line.
inline TPoint CellPoint(const TCustomQuillEdit& edit, int column, int line, int dx)
{
    return { edit.TextOffset() + (column - 1) * edit.CharWidth() + dx,
        (line - edit.TopLine()) * edit.LineHeight() + edit.LineHeight() / 2 };
}

} // namespace quillan::testutil
