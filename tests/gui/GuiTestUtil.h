#pragma once

// Helpers for tests that run real wx windows on the test display.

#include <functional>
#include <string>
#include <vector>
#include <wx/image.h>
#include <wx/window.h>

namespace quillan::guitest {

// Runs the event loop until `done` holds or `timeoutMs` has passed; true when it holds.
bool WaitFor(const std::function<bool()>& done, int timeoutMs = 5000);
// Runs the event loop for about `ms` milliseconds.
void Pump(int ms);
// Gives the X input focus to the top-level window of `window` and waits until GTK has seen it:
// there is no window manager on the test display to do it on a click.
bool FocusToplevel(wxWindow* window);
// Pixels of the screen as the X server shows them, `rect` in screen coordinates.
wxImage Screenshot(const wxRect& rect);
// Screen rectangle of `window`'s client area.
wxRect ClientScreenRect(wxWindow* window);
// This test program, for child processes.
const std::string& SelfPath();
// The quillan program of this build (or $QUILLAN_PROGRAM).
std::string QuillanProgram();
// What `command` prints on standard output through /bin/sh, without trailing blanks and line ends.
std::string ShellOutput(const std::string& command);
// Arguments after "--child" when the program was started as a child, else empty.
const std::vector<std::string>& ChildArguments();
// What the program does when started as a child; its exit code.
int RunChild();
// Makes the settings in `configHome` those of a program closed normally before (the first-run
// marker 10, put into the "General" section, which is made when missing), so that a test of
// anything else does not meet the first-run setup window.
void MarkSettingsUsed(const std::string& configHome);

} // namespace quillan::guitest
