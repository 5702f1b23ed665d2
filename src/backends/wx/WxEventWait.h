#pragma once

// Waiting on the toolkit's event loop from code that drives real windows itself: the GUI tests
// and the GUI benchmarks send synthetic input and then wait until the window has answered it.

#include <functional>
#include <wx/window.h>

namespace quillan {

// Runs the event loop until `done` holds or `timeoutMs` has passed; true when it holds. Between
// passes it naps `napMicroseconds`; a benchmark that times frames naps less.
bool WaitForEvents(const std::function<bool()>& done, int timeoutMs = 5000, int napMicroseconds = 2000);
// Runs the event loop for about `ms` milliseconds.
void PumpEvents(int ms);
// Gives the X input focus to the top-level window of `window` and waits until GTK has seen it:
// a display without a window manager (Xvfb) never does it on a click.
bool FocusToplevelWindow(wxWindow* window);

} // namespace quillan
