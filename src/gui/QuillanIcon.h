#pragma once

#include <cstddef>
#include <vector>
#include <wx/bitmap.h>
#include <wx/iconbndl.h>

namespace quillan {

// The program's own icon (data/icons/quillan.svg), built into the program in every PNG size.
struct TEmbeddedPng {
    int Size;
    const unsigned char* Data;
    std::size_t Length;
};
const std::vector<TEmbeddedPng>& EmbeddedIconPngs();

// Every size, for the window manager and the notification area to choose from.
wxIconBundle QuillanIcons();
// The size nearest to `size` (the next larger one, scaled down when none matches).
wxBitmap QuillanBitmap(int size);

} // namespace quillan
