#pragma once

namespace quillan {

class TQuillEditPrint;

// The print engine as the main window configures it when it is created: its margins, frames,
// fonts and line-number settings, and the default header and footer items (page number and
// count, title, date and time; "Printed by" in the footer). The command-line print uses the same
// so that its pages match the program's.
void ApplyMainWindowPrintDesign(TQuillEditPrint& engine);

} // namespace quillan
