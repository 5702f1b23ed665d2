#pragma once

#include "ports/Image.h"

#include <wx/bitmap.h>

namespace quillan {

// The main window's pictures by image-list index: the document states of the tabs, the project
// manager rows and status panel 1 (unmodified, modified, read-only, each also bookmarked) and
// the recent-file item. Every other index is a transparent 16 x 16 picture.
TImage StateImage(int index);
wxBitmap StateBitmap(int index);

} // namespace quillan
